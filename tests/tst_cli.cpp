// tagwell-convert as a user runs it: its output, statuses and messages.
#include "core/conversion.h"
#include "text_helpers.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

struct Run {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

Run runConvert(const QStringList& args, const QByteArray& input = {})
{
    QProcess process;
    process.start(QStringLiteral(TAGWELL_CONVERT), args);
    if (!process.waitForStarted())
        return {};
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(60000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAllStandardOutput(),
            process.readAllStandardError()};
}

// Runs a shell pipeline and gives the converter's status in it.
int pipelineStatus(const QString& script)
{
    QProcess shell;
    shell.start(u"bash"_s, {u"-c"_s, script + u"; exit ${PIPESTATUS[0]}"_s});
    shell.waitForFinished(60000);
    return shell.exitCode();
}

} // namespace

class TestCli : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

    QString file(const QString& name, const QByteArray& content)
    {
        const QString path = dir.filePath(name);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(content) != content.size())
            qFatal("cannot write test file");
        return path;
    }

private slots:
    void conversion_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("stdin, tags removed")
            << QStringList{} << QByteArray("<pre>a<b>\r\n</pre>") << QByteArray("<pre>a&lt;b&gt;\r\n</pre>");
        QTest::newRow("dash is stdin") << QStringList{u"-"_s} << QByteArray("x>") << QByteArray("<pre>x&gt;</pre>");
        QTest::newRow("--keep-pre") << QStringList{u"--keep-pre"_s} << QByteArray("<pre>")
                                    << QByteArray("<pre>&lt;pre&gt;</pre>");
        QTest::newRow("empty input") << QStringList{} << QByteArray() << QByteArray("<pre></pre>");
        QTest::newRow("bytes kept as they are")
            << QStringList{} << QByteArray("\xff\x80<\0\r\xfe\xff", 7)
            << QByteArray("<pre>\xff\x80&lt;\0\r\xfe\xff</pre>", 21);
    }

    void conversion()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, expected);
        const Run run = runConvert(args, input);
        QCOMPARE(run.err, QByteArray());
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out, expected);
    }

    // Inputs are one text: a tag cut across two files, or across a file and
    // standard input, is still a tag.
    void filesAreOneText()
    {
        const QString first = file(u"first"_s, "a</");
        const QString last = file(u"last"_s, "re>b<pre");
        const Run run = runConvert({first, u"-"_s, last}, "p");
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out, QByteArray("<pre>ab&lt;pre</pre>"));
    }

    void helpAndVersion()
    {
        const Run help = runConvert({u"--help"_s});
        QCOMPARE(help.status, 0);
        QVERIFY(help.out.startsWith("Usage: tagwell-convert [--keep-pre] [FILE...]"));
        QCOMPARE(help.err, QByteArray());

        const Run version = runConvert({u"--version"_s});
        QCOMPARE(version.status, 0);
        QCOMPARE(version.out, QByteArray("tagwell-convert 1.0\n"));
    }

    void badInvocations_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("message");
        const QString good = file(u"good"_s, "text");
        QTest::newRow("unknown option") << QStringList{u"--keep"_s} << 2 << QByteArray("unknown option '--keep'");
        QTest::newRow("missing file, even after a good one")
            << QStringList{good, dir.filePath(u"absent"_s)} << 1
            << QByteArray(dir.filePath(u"absent"_s).toUtf8() + ": No such file or directory");
        QTest::newRow("folder") << QStringList{dir.path()} << 1 << QByteArray(dir.path().toUtf8() + ": Is a directory");
    }

    void badInvocations()
    {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QByteArray, message);
        const Run run = runConvert(args, "text");
        QCOMPARE(run.status, status);
        QCOMPARE(run.out, QByteArray());
        QVERIFY2(run.err.contains(message), run.err.constData());
        if (status == 2)
            QVERIFY(run.err.contains("Usage: tagwell-convert"));
    }

    void writeFailuresAreReported()
    {
        const QString big = file(u"big"_s, QByteArray(4 << 20, 'x'));
        const QString program = QStringLiteral(TAGWELL_CONVERT);
        QCOMPARE(pipelineStatus(program + u" <"_s + big + u" >/dev/full"_s), 1);
        QCOMPARE(pipelineStatus(program + u" <"_s + big + u" | head -c 1 >/dev/null"_s), 1);
        QCOMPARE(pipelineStatus(program + u" <"_s + big + u" >&-"_s), 1);

        QProcess process;
        process.setStandardOutputFile(u"/dev/full"_s);
        process.start(program, {big});
        process.waitForFinished(60000);
        QVERIFY(process.readAllStandardError().contains("write error: No space left on device"));
    }

    // An input that opens but cannot be read.
    void readFailureIsReported()
    {
        const Run run = runConvert({u"/proc/self/mem"_s});
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains("/proc/self/mem: Input/output error"), run.err.constData());
    }

    // A gigabyte streams through in a few megabytes: the address space is
    // capped far below the text's size. (Sanitizers reserve address space by
    // the terabyte, so they sit this one out.)
    void gigabyteInConstantMemory()
    {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("the address-space cap cannot hold a sanitized build");
#endif
        const QString script = u"ulimit -v 131072; yes '<pre>a<b></pre>' | head -c 1073741824 | "_s +
                               QStringLiteral(TAGWELL_CONVERT) + u" | wc -c; exit ${PIPESTATUS[2]}"_s;
        QProcess shell;
        shell.start(u"bash"_s, {u"-c"_s, script});
        QVERIFY(shell.waitForFinished(120000));
        QCOMPARE(shell.exitCode(), 0);
        // Each 16-byte line "<pre>a<b></pre>\n" becomes "a&lt;b&gt;\n", 11 bytes.
        QCOMPARE(shell.readAllStandardOutput().trimmed(), QByteArray::number((1LL << 30) / 16 * 11 + 11));
    }

    // A text far larger than the converter's blocks, with tags cut at every
    // offset around each block edge, gives the whole-text result.
    void bigInputAcrossBlockEdges()
    {
        constexpr int block = 256 * 1024;
        QRandomGenerator random(42);
        QByteArray input;
        for (int edge = 1; edge <= 40; ++edge) {
            const int cut = edge % 7;
            input.append(QByteArray(edge * block - cut - int(input.size()), 'c'));
            input.append(edge % 2 ? "</<pre>pre><pre>" : "<</pre>pre>x</pre");
            input.append(QByteArray::fromStdString(randomTagText<char>(random, 20)));
        }
        const QString path = file(u"edges"_s, input);
        for (const auto state : {tagwell::CheckState::Checked, tagwell::CheckState::Unchecked}) {
            const QStringList options =
                state == tagwell::CheckState::Checked ? QStringList{} : QStringList{u"--keep-pre"_s};
            const QByteArray expected = QByteArray::fromStdString(tagwell::convertText<char>(toBytes(input), state));
            const Run fromFile = runConvert(options + QStringList{path});
            QCOMPARE(fromFile.status, 0);
            QVERIFY(fromFile.out == expected);
            const Run fromPipe = runConvert(options, input);
            QCOMPARE(fromPipe.status, 0);
            QVERIFY(fromPipe.out == expected);
        }
    }

    // A file cut short while it is being converted is a failed read, not a
    // shorter text reported as a success.
    void fileShrinkingMidReadIsReported()
    {
        const QString path = file(u"shrinking"_s, QByteArray(64 << 20, 'x'));
        QProcess process;
        process.start(QStringLiteral(TAGWELL_CONVERT), {path});
        // Output has begun, and the full pipe holds the converter back until
        // the file is cut.
        QVERIFY(process.waitForReadyRead(10000));
        QVERIFY(QFile::resize(path, 0));
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 1);
        const QByteArray err = process.readAllStandardError();
        QVERIFY2(err.contains(path.toUtf8() + ": the file shrank while it was being read"), err.constData());
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
