// A 100 MiB text through the window: Paste, Convert and Copy on the offscreen
// platform, with the copied result compared to the whole-text conversion
// character for character, then Clear and its Undo. Big texts must neither
// fail nor get cut.
#include "core/conversion.h"
#include "ui/main_window.h"
#include "window_fixture.h"

#include <QPlainTextEdit>
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
        FakeDesktopWindow w;
        w.form.show(); // shown, so the text area lays out what it is given
        QVERIFY(QTest::qWaitForWindowExposed(&w.form));

        const Text original = bigText(50 << 20); // 50 Mi UTF-16 units: 100 MiB
        w.clipboard.content = original;
        QTest::mouseClick(w.form.ZhanTie, Qt::LeftButton);
        QTest::mouseClick(w.form.ZhuanHuan, Qt::LeftButton);
        w.clipboard.content.clear();
        QTest::mouseClick(w.form.FuZhi, Qt::LeftButton);

        QVERIFY2(w.failures.isEmpty(), qPrintable(w.failures.join(u'\n')));
        const Text expected = tagwell::convertText(std::u16string_view(original), tagwell::CheckState::Checked);
        QCOMPARE(w.clipboard.content.size(), expected.size());
        QVERIFY(w.clipboard.content == expected);

        QTest::mouseClick(w.form.QingKong, Qt::LeftButton);
        QTest::keyClick(w.form.WenBen, Qt::Key_Z, Qt::ControlModifier);
        w.clipboard.content.clear();
        QTest::mouseClick(w.form.FuZhi, Qt::LeftButton);
        QVERIFY2(w.failures.isEmpty(), qPrintable(w.failures.join(u'\n')));
        QCOMPARE(w.clipboard.content.size(), expected.size());
        QVERIFY(w.clipboard.content == expected);
    }
};

QTEST_MAIN(TestBigText)
#include "tst_big_text.moc"
