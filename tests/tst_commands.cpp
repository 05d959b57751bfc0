// The commands against a fake text area, check box and clipboard: the staged
// writes of Convert and where each command stops when something fails.
#include "core/commands.h"
#include "fakes.h"
#include "text_helpers.h"

#include <QTest>

#include <vector>

using namespace tagwell;
using namespace Qt::StringLiterals;

class TestCommands : public QObject {
    Q_OBJECT

private slots:
    void convertWritesEachStage_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<QStringList>("writes");
        QTest::newRow("checked: four writes")
            << int(CheckState::Checked)
            << QStringList{u"a<b>"_s, u"a&lt;b>"_s, u"a&lt;b&gt;"_s, u"<pre>a&lt;b&gt;</pre>"_s};
        const QStringList kept{u"&lt;pre>a&lt;b>&lt;/pre>"_s, u"&lt;pre&gt;a&lt;b&gt;&lt;/pre&gt;"_s,
                               u"<pre>&lt;pre&gt;a&lt;b&gt;&lt;/pre&gt;</pre>"_s};
        QTest::newRow("unchecked: three writes") << int(CheckState::Unchecked) << kept;
        QTest::newRow("grayed: as unchecked") << int(CheckState::Grayed) << kept;
    }

    void convertWritesEachStage()
    {
        QFETCH(int, state);
        QFETCH(QStringList, writes);
        FakeTextArea area(u"<pre>a<b></pre>");
        convert(area, FakeCheckBox(CheckState(state)));
        QStringList actual;
        for (const Text& w : area.writes)
            actual << fromUtf16(w);
        QCOMPARE(actual, writes);
        QCOMPARE(area.current(), convertText<char16_t>(u"<pre>a<b></pre>", CheckState(state)));
    }

    // Stop at every read and write in turn: the text area keeps the last
    // finished stage (or the original), and nothing runs after the failure.
    void convertStopsAtFailure()
    {
        const Text input = u"<pre>x<y></pre>";
        for (CheckState state : {CheckState::Unchecked, CheckState::Checked}) {
            FakeTextArea reference(input);
            convert(reference, FakeCheckBox(state));
            const int totalCalls = reference.calls;
            QCOMPARE(totalCalls, state == CheckState::Checked ? 8 : 6);

            for (int failAt = 0; failAt < totalCalls; ++failAt) {
                FakeTextArea area(input, failAt);
                QVERIFY_THROWS_EXCEPTION(Failure, convert(area, FakeCheckBox(state)));
                QCOMPARE(area.calls, failAt + 1);
                // Each stage is a read then a write, so a failure at call
                // 2k or 2k+1 leaves the first k stages written.
                const auto finished = std::size_t(failAt / 2);
                QCOMPARE(area.writes.size(), finished);
                QCOMPARE(area.current(), finished == 0 ? input : reference.writes[finished - 1]);
            }
        }
    }

    void pasteReplacesWholeText()
    {
        FakeTextArea area(u"old text");
        FakeClipboard clipboard;
        clipboard.content = u"new\r\n<text>";
        paste(area, clipboard);
        QCOMPARE(area.current(), Text(u"new\r\n<text>"));

        clipboard.content.clear(); // a clipboard with no text
        paste(area, clipboard);
        QCOMPARE(area.current(), Text());
    }

    void failedPasteKeepsText()
    {
        FakeTextArea area(u"keep me");
        FakeClipboard clipboard;
        clipboard.failReads = true;
        QVERIFY_THROWS_EXCEPTION(Failure, paste(area, clipboard));
        QCOMPARE(area.current(), Text(u"keep me"));
        QVERIFY(area.writes.empty());
    }

    void copyPutsWholeTextOnce()
    {
        for (const Text& text : {Text(u"a<b>\nc"), Text()}) {
            FakeTextArea area(text);
            FakeClipboard clipboard;
            clipboard.content = u"previous";
            copy(area, clipboard);
            QCOMPARE(clipboard.content, text);
            QCOMPARE(clipboard.sets, 1);
            QVERIFY(area.writes.empty());
        }
    }

    void failedCopyLeavesTextArea()
    {
        FakeTextArea area(u"text");
        FakeClipboard clipboard;
        clipboard.failWrites = true;
        QVERIFY_THROWS_EXCEPTION(Failure, copy(area, clipboard));
        QCOMPARE(area.current(), Text(u"text"));
        QVERIFY(area.writes.empty());
    }

    void clearEmpties()
    {
        for (const Text& text : {Text(u"some text"), Text()}) {
            FakeTextArea area(text);
            clear(area);
            QCOMPARE(area.writes, std::vector<Text>{Text()});
        }
    }
};

QTEST_APPLESS_MAIN(TestCommands)
#include "tst_commands.moc"
