// tagwell-bench [FILE]: the real Form1 on the offscreen platform with big
// texts. Prints one `name value` line per figure, medians of several runs;
// each window figure is measured in the same runs as its yardstick, one
// replacement of WenBen's text, so their ratio is what counts.
#include "core/conversion.h"
#include "keep.h"
#include "report.h"
#include "platform/qt_text.h"
#include "platform/system_clipboard.h"
#include "ui/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr int Runs = 5;

QString generatedSource(qsizetype size)
{
    static const QString chunk =
        u"template <typename T, typename Alloc = std::allocator<T>>\n"
        "class vector {\n  public:\n    std::size_t size() const { return end_ - begin_; }\n"
        "    bool empty() const { return size() == 0 && begin_ != nullptr; } // a < b && c > d\n"
        "    T* begin_ = nullptr; T* end_ = nullptr;\n};\n/* <pre>example</pre> 文本 */\n"_s;
    QString text;
    text.reserve(size + chunk.size());
    while (text.size() < size)
        text += chunk;
    text.truncate(size);
    return text;
}

struct NoLauncher : tagwell::Launcher {
    void open(std::u16string_view) override {}
};

// Milliseconds of `work`, including the events it leaves for the event loop
// (the relayout and repaint that the user waits for).
double timeMs(const std::function<void()>& work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    QCoreApplication::processEvents();
    return double(timer.nsecsElapsed()) / 1e6;
}

class Bench {
public:
    Bench() : form_(clipboard_, launcher_)
    {
        form_.setFailureReporter(
            [](QWidget*, const QString& message) { std::fprintf(stderr, "failure: %s\n", qPrintable(message)); });
        form_.show();
        QCoreApplication::processEvents();
    }

    void load(const QString& text)
    {
        QGuiApplication::clipboard()->setText(text);
        form_.ZhanTie->click();
        QCoreApplication::processEvents();
    }

    // Convert on `text`, and the yardstick: setting the converted text, as
    // the window did before commands could be undone. Also the Undo that
    // brings the text back.
    struct ConvertTimes {
        double convert, setText, undo;
    };
    ConvertTimes convertAndSetText(const QString& text)
    {
        const QString converted =
            tagwell::toQString(tagwell::convertText<char16_t>(text.toStdU16String(), tagwell::CheckState::Checked));
        std::vector<double> convert, setText, undo;
        for (int i = 0; i < Runs; ++i) {
            load(text);
            convert.push_back(timeMs([&] { form_.ZhuanHuan->click(); }));
            if (form_.WenBen->document()->characterCount() != converted.size() + 1)
                std::fprintf(stderr, "unexpected conversion result\n");
            undo.push_back(timeMs([&] { form_.WenBen->undo(); }));
            if (form_.WenBen->document()->characterCount() != text.size() + 1)
                std::fprintf(stderr, "unexpected text after Undo\n");
            load(text);
            setText.push_back(timeMs([&] { form_.WenBen->setPlainText(converted); }));
        }
        return {median(convert), median(setText), median(undo)};
    }

    // Paste over a text as big, Copy, and the yardstick: setting the text
    // over one as big, as Paste did before it could be undone.
    void pasteAndCopy(const QString& text)
    {
        std::vector<double> paste, copy, setText;
        for (int i = 0; i < Runs; ++i) {
            load(text);
            QGuiApplication::clipboard()->setText(text);
            paste.push_back(timeMs([&] { form_.ZhanTie->click(); }));
            QGuiApplication::clipboard()->clear();
            copy.push_back(timeMs([&] { form_.FuZhi->click(); }));
            load(text);
            setText.push_back(timeMs([&] { form_.WenBen->setPlainText(text); }));
        }
        print("paste_window_ms", median(paste));
        print("settext_same_ms", median(setText));
        print("paste_vs_settext", median(paste) / median(setText));
        print("copy_window_ms", median(copy));
    }

private:
    tagwell::SystemClipboard clipboard_;
    NoLauncher launcher_;
    tagwell::Form1 form_;
};

std::pair<double, double> coreAndMemcpy(const QString& text)
{
    const std::u16string source = text.toStdU16String();
    std::vector<double> core, copy;
    std::u16string target(source.size(), u'\0');
    for (int i = 0; i < Runs; ++i) {
        core.push_back(timeMs([&] { tagwell::convertText<char16_t>(source, tagwell::CheckState::Checked); }));
        copy.push_back(timeMs([&] {
            std::memcpy(target.data(), source.data(), source.size() * sizeof(char16_t));
            keep(target.data());
        }));
    }
    const double mib = double(source.size() * sizeof(char16_t)) / (1 << 20);
    return {mib / (median(core) / 1000), mib / (median(copy) / 1000)};
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QString text;
    if (argc > 1) {
        QFile file(QString::fromLocal8Bit(argv[1]));
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "tagwell-bench: cannot read %s\n", argv[1]);
            return 1;
        }
        text = QString::fromUtf8(file.readAll());
    } else {
        text = generatedSource(10 << 20);
    }
    print("input_utf16_mib", double(text.size()) * 2 / (1 << 20));

    Bench bench;
    const auto times = bench.convertAndSetText(text);
    print("convert_window_ms", times.convert);
    print("settext_window_ms", times.setText);
    print("convert_vs_settext", times.convert / times.setText);
    print("undo_convert_ms", times.undo);
    bench.pasteAndCopy(text);

    const auto small = bench.convertAndSetText(generatedSource(100 << 10));
    print("convert_window_small_ms", small.convert);
    print("settext_window_small_ms", small.setText);

    QString longLine = generatedSource(2 << 20);
    longLine.replace(u'\n', u' ');
    const auto longTimes = bench.convertAndSetText(longLine);
    print("convert_longline_ms", longTimes.convert);
    print("settext_longline_ms", longTimes.setText);
    print("longline_convert_vs_settext", longTimes.convert / longTimes.setText);

    // HTML, this tool's most common input: a sign every few characters.
    QString html;
    while (html.size() < (2 << 20))
        html += u"<tr><td class=\"name\"><a href=\"/item?id=42&amp;x=1\">Item</a></td><td>3 &lt; 4</td></tr>\n"
                u"<li><b>bold</b> and <i>italic</i> <br/></li>\n"_s;
    const auto htmlTimes = bench.convertAndSetText(html);
    print("convert_html_ms", htmlTimes.convert);
    print("settext_html_ms", htmlTimes.setText);
    print("html_convert_vs_settext", htmlTimes.convert / htmlTimes.setText);
    print("undo_html_ms", htmlTimes.undo);

    // The most signs a text can hold: every character one, in lines.
    QString signs;
    while (signs.size() < (2 << 20))
        signs += u"<<<<>>>><<<<>>>><<<<>>>><<<<>>>><<<<>>>><<<<>>>><<<<>>>><<<<>>>>\n"_s;
    const auto signTimes = bench.convertAndSetText(signs);
    print("convert_signs_ms", signTimes.convert);
    print("settext_signs_ms", signTimes.setText);
    print("signs_convert_vs_settext", signTimes.convert / signTimes.setText);
    print("undo_signs_ms", signTimes.undo);

    const auto [core, memcpyRate] = coreAndMemcpy(text);
    print("core_utf16_mib_per_s", core);
    print("memcpy_mib_per_s", memcpyRate);
    return 0;
}
