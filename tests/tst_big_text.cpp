// A 100 MiB text through the window: Paste, Convert and Copy on the offscreen
// platform, with the copied result compared to the whole-text conversion
// character for character. Big texts must neither fail nor get cut.
#include "fakes.h"
#include "ui/main_window.h"

#include <QCheckBox>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;
using tagwell::Text;

namespace {

// Source-like lines with tags, CR LF, a character outside the BMP and a lone
// surrogate, each numbered so that a lost or repeated line shows.
Text bigText(std::size_t units)
{
    Text text;
    text.reserve(units + 200);
    for (int line = 0; text.size() < units; ++line) {
        text += u"    if (a<b && c>d) { return <pre>x</pre>; } // 😀 \xd800 ";
        const std::string number = std::to_string(line);
        text.append(number.begin(), number.end());
        text += line % 2 ? u"\r\n" : u"\n";
    }
    return text;
}

} // namespace

class TestBigText : public QObject {
    Q_OBJECT

private slots:
    void hundredMebibytesThroughTheWindow()
    {
        FakeClipboard clipboard;
        FakeLauncher launcher;
        tagwell::Form1 form{clipboard, launcher};
        QStringList failures;
        form.setFailureReporter([&](QWidget*, const QString& message) { failures << message; });
        form.show(); // shown, so the text area lays out what it is given
        QVERIFY(QTest::qWaitForWindowExposed(&form));

        const Text original = bigText(50 << 20); // 50 Mi UTF-16 units: 100 MiB
        clipboard.content = original;
        QTest::mouseClick(form.ZhanTie, Qt::LeftButton);
        QTest::mouseClick(form.ZhuanHuan, Qt::LeftButton);
        clipboard.content.clear();
        QTest::mouseClick(form.FuZhi, Qt::LeftButton);

        QVERIFY2(failures.isEmpty(), qPrintable(failures.join(u'\n')));
        const Text expected = tagwell::convertText(std::u16string_view(original), tagwell::Checked);
        QCOMPARE(clipboard.content.size(), expected.size());
        QVERIFY(clipboard.content == expected);
    }
};

QTEST_MAIN(TestBigText)
#include "tst_big_text.moc"
