// The clipboard shared with other programs, on a real X server: the system
// clipboard and the window against stand-in owners (clipboard_owner) that
// serve text, files or a picture, hang, or hold on to the clipboard.
#include "platform/system_clipboard.h"
#include "text_helpers.h"
#include "ui/main_window.h"
#include "window_fixture.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <limits>
#include <memory>
#include <optional>

using namespace Qt::StringLiterals;
using tagwell::SystemClipboard;

namespace {

// Another program holding the clipboard, for as long as the object lives.
class Owner {
public:
    // TARGET[,TYPE] and its data, in pairs, after the owner's flags.
    Owner(const QStringList& flags, const QStringList& targets, const QByteArrayList& data)
    {
        QStringList arguments = flags;
        for (qsizetype i = 0; i < targets.size(); ++i) {
            QFile file(dir_.filePath(QString::number(i)));
            if (!file.open(QIODevice::WriteOnly) || file.write(data.at(i)) != data.at(i).size())
                qFatal("cannot write the owner's data");
            arguments << targets.at(i) << file.fileName();
        }
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(QStringLiteral(TAGWELL_CLIPBOARD_OWNER), arguments);
        while (!process_.canReadLine() && process_.waitForReadyRead(5000)) {
        }
        ready_ = process_.readLine() == "ready\n";
    }
    ~Owner()
    {
        process_.kill();
        process_.waitForFinished(5000);
    }
    bool ready() const { return ready_; }

private:
    QTemporaryDir dir_;
    QProcess process_;
    bool ready_ = false;
};

// The time an owner that never answers may cost a Paste, with room for a
// loaded machine.
constexpr qint64 HungOwnerLimitMs = 3500;

QByteArray bigText()
{
    QByteArray text;
    for (int i = 0; text.size() < 5'000'000; ++i)
        text += "line " + QByteArray::number(i) + ": if (a < b && c > d) { 文本 😀 }\r\n\t";
    return text;
}

const QByteArray oddText = "int a;\r\n\tb < c\0d // 文本 😀\xc2\xa0\r"_ba;

} // namespace

class TestClipboardXvfb : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QCOMPARE(QGuiApplication::platformName(), u"xcb"_s); }

    void paste_data()
    {
        QTest::addColumn<QStringList>("flags");
        QTest::addColumn<QStringList>("targets");
        QTest::addColumn<QByteArrayList>("data");
        QTest::addColumn<bool>("fails");
        QTest::addColumn<QString>("text");

        const QString odd = QString::fromUtf8(oddText);
        const QStringList utf8{u"UTF8_STRING"_s};
        const QByteArray png =
            QByteArray::fromBase64("iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mP8z8BQDwAEhQGAhKm"
                                   "MIQAAAABJRU5ErkJggg==");
        QTest::newRow("no owner") << QStringList{u"--release"_s} << QStringList() << QByteArrayList() << false
                                  << QString();
        QTest::newRow("UTF8_STRING") << QStringList() << utf8 << QByteArrayList{oddText} << false << odd;
        QTest::newRow("utf-8 text/plain")
            << QStringList() << QStringList{u"text/plain;charset=utf-8"_s} << QByteArrayList{oddText} << false << odd;
        QTest::newRow("text/plain") << QStringList() << QStringList{u"text/plain"_s} << QByteArrayList{oddText} << false
                                    << odd;
        QTest::newRow("byte order marks as text") << QStringList() << utf8
                                                  << QByteArrayList{"\xef\xbb\xbf\xef\xbf\xbe"
                                                                    "a"_ba}
                                                  << false << u"\ufeff\ufffea"_s;
        QTest::newRow("STRING is Latin-1") << QStringList() << QStringList{u"STRING"_s}
                                           << QByteArrayList{"caf\xe9\xa0\xff\r\n"_ba} << false << u"café\u00a0ÿ\r\n"_s;
        QTest::newRow("TEXT sent as UTF8_STRING")
            << QStringList() << QStringList{u"TEXT,UTF8_STRING"_s} << QByteArrayList{oddText} << false << odd;
        QTest::newRow("Latin-1 compound text")
            << QStringList() << QStringList{u"COMPOUND_TEXT"_s} << QByteArrayList{"caf\xe9"_ba} << false << u"café"_s;
        QTest::newRow("UTF8_STRING before STRING")
            << QStringList() << QStringList{u"STRING"_s, u"UTF8_STRING"_s}
            << QByteArrayList{"latin"_ba, "utf-8 \xe6\x96\x87"_ba} << false << u"utf-8 文"_s;
        QTest::newRow("files with their names as text")
            << QStringList() << QStringList{u"text/uri-list"_s, u"UTF8_STRING"_s}
            << QByteArrayList{"file:///tmp/a.txt\r\n"_ba, "a.txt"_ba} << false << u"a.txt"_s;
        QTest::newRow("only files") << QStringList() << QStringList{u"text/uri-list"_s}
                                    << QByteArrayList{"file:///tmp/a.txt\r\n"_ba} << false << QString();
        QTest::newRow("only a picture") << QStringList() << QStringList{u"image/png"_s} << QByteArrayList{png} << false
                                        << QString();
        QTest::newRow("5 MB in INCR chunks") << QStringList{u"--chunk"_s, u"65536"_s} << utf8
                                             << QByteArrayList{bigText()} << false << QString::fromUtf8(bigText());
        QTest::newRow("5 MB at once") << QStringList{u"--chunk"_s, u"8000000"_s} << utf8 << QByteArrayList{bigText()}
                                      << false << QString::fromUtf8(bigText());

        QTest::newRow("never answers") << QStringList{u"--silent"_s} << utf8 << QByteArrayList{"x"_ba} << true
                                       << QString();
        QTest::newRow("answers TARGETS, never the text")
            << QStringList{u"--targets-only"_s} << utf8 << QByteArrayList{"x"_ba} << true << QString();
        QTest::newRow("refuses the text it lists")
            << QStringList{u"--refuse"_s} << utf8 << QByteArrayList{"x"_ba} << true << QString();
        QTest::newRow("stalls mid-transfer")
            << QStringList{u"--stall-incr"_s} << utf8 << QByteArrayList{"x"_ba} << true << QString();
        QTest::newRow("compound text in other character sets")
            << QStringList() << QStringList{u"COMPOUND_TEXT"_s} << QByteArrayList{"\x1b$)A\xce\xc4"_ba} << true
            << QString();
    }

    void paste()
    {
        QFETCH(QStringList, flags);
        QFETCH(QStringList, targets);
        QFETCH(QByteArrayList, data);
        QFETCH(bool, fails);
        QFETCH(QString, text);
        const Owner owner(flags, targets, data);
        QVERIFY(owner.ready());

        SystemClipboard clipboard;
        QElapsedTimer timer;
        timer.start();
        try {
            const tagwell::Text pasted = clipboard.text();
            QVERIFY2(!fails, "a failure read as a text");
            QCOMPARE(fromUtf16(pasted), text);
        } catch (const tagwell::PlatformError& error) {
            QVERIFY2(fails, error.what());
            QCOMPARE(error.failure(), tagwell::Failure::ClipboardUnreadable);
        }
        QVERIFY2(timer.elapsed() < HungOwnerLimitMs, qPrintable(QString::number(timer.elapsed())));
    }

    // Copy takes the clipboard from whoever holds it, unless the display
    // ignores the request (the owner took it after the last event this
    // program saw: known at once) or the owner takes it straight back
    // (known at once or a moment later, from the display's event).
    void copy_data()
    {
        QTest::addColumn<QStringList>("flags");
        QTest::addColumn<bool>("eventsSeen");
        QTest::addColumn<bool>("fails");
        QTest::newRow("from another program") << QStringList() << true << false;
        QTest::newRow("owner takes it back") << QStringList{u"--retake"_s, u"0"_s} << true << true;
        QTest::newRow("owner takes it back 20 ms later") << QStringList{u"--retake"_s, u"20"_s} << true << true;
        QTest::newRow("owner newer than the last event seen") << QStringList() << false << true;
    }

    void copy()
    {
        QFETCH(QStringList, flags);
        QFETCH(bool, eventsSeen);
        QFETCH(bool, fails);
        SystemClipboard clipboard;
        QSignalSpy late(&clipboard, &tagwell::LateFailures::lateFailure);
        // Whether a Copy failed at once.
        const auto copy = [&clipboard](const QString& text) {
            try {
                clipboard.setText(text.toStdU16String());
                return false;
            } catch (const tagwell::PlatformError& error) {
                return error.failure() == tagwell::Failure::ClipboardUnwritable;
            }
        };
        QTest::qWait(100);
        QVERIFY(!copy(u"earlier"_s));
        QTest::qWait(100); // past the watch of that Copy
        const Owner owner(flags, {u"UTF8_STRING"_s}, {"theirs"_ba});
        QVERIFY(owner.ready());
        if (eventsSeen)
            QTest::qWait(200);

        // Lone surrogates and NUL cannot pass through another program; this
        // program's own Copy comes back exact, without a wait.
        const auto ours = u"\ufeffours\r\n\0\xd800 😀\u00a0"_s;
        const bool failedAtOnce = copy(ours);
        if (fails) {
            QTRY_VERIFY_WITH_TIMEOUT(failedAtOnce || late.size() == 1, 1000);
        } else {
            QVERIFY(!failedAtOnce);
            QTest::qWait(200);
            QCOMPARE(late.size(), 0);
        }
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(fromUtf16(clipboard.text()), fails ? u"theirs"_s : ours);
        QVERIFY(timer.elapsed() < 1000);
    }

    // The clipboard is asked on a connection of its own: when that cannot
    // be had, Paste says the clipboard could not be read and Copy that it
    // could not be written.
    void displayOutOfReach_data()
    {
        QTest::addColumn<bool>("paste");
        QTest::addColumn<int>("failure");
        QTest::newRow("paste") << true << int(tagwell::Failure::ClipboardUnreadable);
        QTest::newRow("copy") << false << int(tagwell::Failure::ClipboardUnwritable);
    }

    void displayOutOfReach()
    {
        QFETCH(bool, paste);
        QFETCH(int, failure);
        SystemClipboard clipboard;
        const Owner owner({}, {u"UTF8_STRING"_s}, {"theirs"_ba});
        QVERIFY(owner.ready());
        const QByteArray display = qgetenv("DISPLAY");
        qputenv("DISPLAY", ":65000");
        std::optional<tagwell::Failure> failed;
        try {
            if (paste)
                clipboard.text();
            else
                clipboard.setText(u"ours"_s.toStdU16String());
        } catch (const tagwell::PlatformError& error) {
            failed = error.failure();
        }
        qputenv("DISPLAY", display);
        QCOMPARE(failed, std::optional(tagwell::Failure(failure)));
    }

    // Copy does not hold the window up while it watches for an owner taking
    // the clipboard back: the watch is the event loop's.
    void copyReturnsAtOnce()
    {
        SystemClipboard clipboard;
        const Owner owner({}, {u"UTF8_STRING"_s}, {"theirs"_ba});
        QVERIFY(owner.ready());
        QTest::qWait(200);
        qint64 fastest = std::numeric_limits<qint64>::max();
        for (int i = 0; i < 5; ++i) {
            QElapsedTimer timer;
            timer.start();
            clipboard.setText(u"ours"_s.toStdU16String());
            fastest = std::min(fastest, timer.elapsed());
            QTest::qWait(60);
        }
        QVERIFY2(fastest < 30, qPrintable(QString::number(fastest)));
    }

    // Through the real window: what the text area holds after a click, and
    // the message, if any.
    void window_data()
    {
        QTest::addColumn<QStringList>("flags");
        QTest::addColumn<QStringList>("targets");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        const QString typed = u"keep <me>"_s;
        QTest::newRow("paste, owner never answers")
            << QStringList{u"--silent"_s} << QStringList{u"UTF8_STRING"_s} << u"ZhanTie"_s << typed
            << u"无法读取剪贴板。\nThe clipboard could not be read."_s;
        QTest::newRow("paste, only files")
            << QStringList() << QStringList{u"text/uri-list"_s} << u"ZhanTie"_s << QString() << QString();
        QTest::newRow("paste, only a picture")
            << QStringList() << QStringList{u"image/png"_s} << u"ZhanTie"_s << QString() << QString();
        QTest::newRow("copy, owner takes it back")
            << QStringList{u"--retake"_s, u"0"_s} << QStringList{u"UTF8_STRING"_s} << u"FuZhi"_s << typed
            << u"无法写入剪贴板。\nThe clipboard could not be written."_s;
    }

    void window()
    {
        QFETCH(QStringList, flags);
        QFETCH(QStringList, targets);
        QFETCH(QString, button);
        QFETCH(QString, text);
        QFETCH(QString, message);
        SystemClipboard clipboard;
        FakeDesktopLauncher launcher;
        tagwell::Form1 form(clipboard, launcher);
        tagwell::connectLateFailures(form, clipboard, launcher);
        QStringList messages;
        form.setFailureReporter([&messages](QWidget*, const QString& m) { messages << m; });
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTest::keyClicks(form.WenBen, u"keep <me>"_s);

        const Owner owner(flags, targets, QByteArrayList(targets.size(), "file:///tmp/a.txt\r\n"_ba));
        QVERIFY(owner.ready());
        QTest::qWait(200);
        QElapsedTimer timer;
        timer.start();
        QTest::mouseClick(form.findChild<QPushButton*>(button), Qt::LeftButton);
        QVERIFY(timer.elapsed() < HungOwnerLimitMs);
        QCOMPARE(form.WenBen->toPlainText(), text);
        if (!message.isEmpty())
            QTRY_COMPARE_WITH_TIMEOUT(messages, QStringList{message}, 1000);
        QTest::qWait(100);
        QCOMPARE(messages, message.isEmpty() ? QStringList() : QStringList{message});
    }
};

QTEST_MAIN(TestClipboardXvfb)
#include "tst_clipboard_xvfb.moc"
