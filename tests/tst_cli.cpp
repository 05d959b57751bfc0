// tagwell-convert as a user runs it: its output, statuses and messages.
#include "core/conversion.h"
#include "staged_model.h"
#include "text_helpers.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTest>

#include <csignal>

using namespace Qt::StringLiterals;

namespace {

// A case that runs the same on every system the converter is built for: its
// files (relative names, created in a fresh folder that is the working
// directory), arguments and standard input, and what must come out. The
// Windows build runs these under wine beside the Linux build.
struct Case {
    QList<std::pair<QString, QByteArray>> files;
    QStringList args;
    QByteArray input;
    QString inputFile; // standard input from this file, when not empty
    QString appendTo;  // standard output appended to this file, when not empty
    int status = 0;
    QByteArray out;
    QByteArray err;       // a part of standard error; empty: standard error is empty
    QByteArray fileAfter; // what appendTo holds afterwards, when it is set
};

// Text as UTF-16 bytes in one byte order, without a mark.
QByteArray utf16(const std::u16string& text, bool little)
{
    QByteArray bytes;
    bytes.reserve(qsizetype(text.size() * 2));
    for (const char16_t unit : text) {
        const char high = char(unit >> 8);
        const char low = char(unit & 0xFF);
        bytes.append(little ? low : high).append(little ? high : low);
    }
    return bytes;
}

const QByteArray Utf8Mark("\xEF\xBB\xBF");
const QByteArray Utf16LEMark("\xFF\xFE");
const QByteArray Utf16BEMark("\xFE\xFF");

// What the converter must write for a UTF-16 text: the mark, then the
// conversion of the 16-bit units, in the same byte order.
QByteArray convertedUtf16(const std::u16string& text, bool little,
                          tagwell::CheckState state = tagwell::CheckState::Checked, bool escapeAmp = false)
{
    const std::u16string in = escapeAmp ? replaceAll<char16_t>(text, "&", "&amp;") : text;
    return (little ? Utf16LEMark : Utf16BEMark) + utf16(tagwell::convertText<char16_t>(in, state), little);
}

QByteArray converted(const QByteArray& text, tagwell::CheckState state = tagwell::CheckState::Checked)
{
    return QByteArray::fromStdString(tagwell::convertText<char>(toBytes(text), state));
}

// A text many blocks long with tags cut at every offset around each edge of
// the converter's 64 KiB read blocks, in characters of type Ch.
template <class Ch> std::basic_string<Ch> acrossBlockEdges(int edges)
{
    constexpr int block = 64 * 1024 / int(sizeof(Ch));
    QRandomGenerator random(7);
    std::basic_string<Ch> text;
    for (int edge = 1; edge <= edges; ++edge) {
        const int cut = edge % 7;
        text.append(std::size_t(edge * block - cut) - text.size(), Ch('c'));
        const std::string_view piece = edge % 2 ? "</<pre>pre><pre>&" : "<</pre>pre>x</pre&";
        text.append(piece.begin(), piece.end());
        text.append(randomTagText<Ch>(random, 20));
    }
    return text;
}

// Designated initializers leave the other members at their defaults, which
// is the point; GCC 12 warns about each one all the same.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#endif
QList<std::pair<QString, Case>> portableCases()
{
    using tagwell::CheckState;
    QList<std::pair<QString, Case>> cases;
    auto add = [&](const char* name, Case c) { cases.append({QString::fromUtf8(name), std::move(c)}); };
    auto message = [](const QByteArray& what, const QByteArray& text) {
        return "tagwell-convert: " + what + ": " + text;
    };

    // Plain conversions.
    add("stdin, tags removed", {.input = "<pre>a<b>\r\n</pre>", .out = "<pre>a&lt;b&gt;\r\n</pre>"});
    add("--keep-pre", {.args = {u"--keep-pre"_s}, .input = "<pre>", .out = "<pre>&lt;pre&gt;</pre>"});
    add("files and stdin are one text", {.files = {{u"first"_s, "a</"}, {u"last"_s, "re>b<pre"}},
                                         .args = {u"first"_s, u"-"_s, u"last"_s},
                                         .input = "p",
                                         .out = "<pre>ab&lt;pre</pre>"});
    add("names in Chinese, in a folder in Chinese",
        {.files = {{u"中文.txt"_s, "x<y"}, {u"目录/文件 名.txt"_s, "<pre>z>"}},
         .args = {u"中文.txt"_s, u"目录/文件 名.txt"_s},
         .out = "<pre>x&lt;yz&gt;</pre>"});
    add("missing Chinese name: nothing written", {.files = {{u"中文.txt"_s, "x"}},
                                                  .args = {u"中文.txt"_s, u"缺少.txt"_s},
                                                  .status = 1,
                                                  .err = message("缺少.txt", "No such file or directory")});
    add("Chinese folder",
        {.files = {{u"目录/a"_s, "x"}}, .args = {u"目录"_s}, .status = 1, .err = message("目录", "Is a directory")});
    add("unknown option", {.args = {u"--keep"_s}, .status = 2, .err = "unknown option '--keep'"});
    add("-- ends the options", {.files = {{u"-x"_s, ">"}}, .args = {u"--"_s, u"-x"_s}, .out = "<pre>&gt;</pre>"});

    // --escape-amp.
    add("--escape-amp",
        {.args = {u"--escape-amp"_s}, .input = "a &lt; b & <c>", .out = "<pre>a &amp;lt; b &amp; &lt;c&gt;</pre>"});
    add("--escape-amp removes tags too",
        {.args = {u"--escape-amp"_s}, .input = "<pre>&</pre>", .out = "<pre>&amp;</pre>"});
    add("--escape-amp --keep-pre", {.args = {u"--escape-amp"_s, u"--keep-pre"_s},
                                    .input = "<pre>&amp;",
                                    .out = "<pre>&lt;pre&gt;&amp;amp;</pre>"});
    add("default keeps &", {.input = "&lt;&", .out = "<pre>&lt;&</pre>"});

    // Byte order marks.
    add("UTF-8 mark first", {.input = Utf8Mark + "<pre>x<", .out = Utf8Mark + "<pre>x&lt;</pre>"});
    add("UTF-8 mark alone", {.input = Utf8Mark, .out = Utf8Mark + "<pre></pre>"});
    const std::u16string sample = u"<pre>a<b>\u4E2D\xE9</pre>&<p";
    add("UTF-16LE", {.input = Utf16LEMark + utf16(sample, true), .out = convertedUtf16(sample, true)});
    add("UTF-16BE", {.input = Utf16BEMark + utf16(sample, false), .out = convertedUtf16(sample, false)});
    add("UTF-16LE from a file", {.files = {{u"le.txt"_s, Utf16LEMark + utf16(sample, true)}},
                                 .args = {u"le.txt"_s},
                                 .out = convertedUtf16(sample, true)});
    add("UTF-16BE --keep-pre --escape-amp", {.args = {u"--keep-pre"_s, u"--escape-amp"_s},
                                             .input = Utf16BEMark + utf16(sample, false),
                                             .out = convertedUtf16(sample, false, CheckState::Unchecked, true)});
    const std::u16string lone = u"\xD800<\xDC00>\xDFFF\xD83D";
    add("lone surrogates pass", {.input = Utf16LEMark + utf16(lone, true), .out = convertedUtf16(lone, true)});
    add("UTF-16 mark alone", {.input = Utf16BEMark, .out = convertedUtf16(u"", false)});
    add("UTF-16, an odd byte at the end", {.input = Utf16LEMark + utf16(u"ab", true) + "x",
                                           .status = 1,
                                           .err = message("standard input", "the UTF-16 text ends in half a "
                                                                            "character (an odd number of bytes)")});
    add("UTF-16 file, an odd byte: nothing written",
        {.files = {{u"odd.txt"_s, Utf16BEMark + utf16(u"a<", false) + "x"}},
         .args = {u"odd.txt"_s},
         .status = 1,
         .err = message("odd.txt", "the UTF-16 text ends in half a character")});
    add("UTF-32LE refused", {.input = QByteArray("\xFF\xFE\0\0<\0\0\0", 8),
                             .status = 1,
                             .err = message("standard input", "the text is in UTF-32 (byte order mark FF FE 00 00)")});
    add("UTF-32BE refused", {.input = QByteArray("\0\0\xFE\xFF\0\0\0<", 8),
                             .status = 1,
                             .err = message("standard input", "the text is in UTF-32 (byte order mark 00 00 FE FF)")});
    add("UTF-32 in a later file: nothing written",
        {.files = {{u"a"_s, "x"}, {u"b"_s, QByteArray("\0\0\xFE\xFF", 4)}},
         .args = {u"a"_s, u"b"_s},
         .status = 1,
         .err = message("b", "the text is in UTF-32 (byte order mark 00 00 FE FF)")});
    add("same mark in later files dropped", {.files = {{u"a"_s, Utf16LEMark + utf16(u"<pr", true)},
                                                       {u"b"_s, Utf16LEMark + utf16(u"e>x", true)},
                                                       {u"c"_s, utf16(u">", true)}},
                                             .args = {u"a"_s, u"b"_s, u"c"_s},
                                             .out = convertedUtf16(u"<pre>x>", true)});
    add("same UTF-8 mark dropped", {.files = {{u"a"_s, Utf8Mark + "a<"}, {u"b"_s, Utf8Mark + "b"}},
                                    .args = {u"a"_s, u"b"_s},
                                    .out = Utf8Mark + "<pre>a&lt;b</pre>"});
    add("empty first file, the next one's mark decides",
        {.files = {{u"empty"_s, ""}, {u"b"_s, Utf16BEMark + utf16(u"<", false)}},
         .args = {u"empty"_s, u"b"_s},
         .out = convertedUtf16(u"<", false)});
    add("different marks: nothing written",
        {.files = {{u"a"_s, Utf8Mark + "a"}, {u"b"_s, Utf16LEMark + utf16(u"b", true)}},
         .args = {u"a"_s, u"b"_s},
         .status = 1,
         .err =
             message("b", "its byte order mark, UTF-16LE (FF FE), differs from the first input's, UTF-8 (EF BB BF)")});
    add("a mark after a text without one",
        {.files = {{u"a"_s, "a"}, {u"b"_s, Utf8Mark + "b"}},
         .args = {u"a"_s, u"b"_s},
         .status = 1,
         .err = message("b", "its byte order mark, UTF-8 (EF BB BF), differs from the first input's, none")});
    add("different mark on standard input: nothing written",
        {.files = {{u"a"_s, Utf16LEMark + utf16(u"a", true)}, {u"b"_s, Utf16BEMark + utf16(u"b", false)}},
         .args = {u"a"_s, u"-"_s},
         .inputFile = u"b"_s,
         .status = 1,
         .err = message("standard input", "its byte order mark, UTF-16BE (FE FF), differs from the first "
                                          "input's, UTF-16LE (FF FE)")});
    add("mark bytes later in the text stay",
        {.input = "a\xEF\xBB\xBF\xFF\xFE", .out = "<pre>a\xEF\xBB\xBF\xFF\xFE</pre>"});
    add("almost a mark", {.input = "\xEF\xBB<", .out = "<pre>\xEF\xBB&lt;</pre>"});
    add("FF FE and a NUL only", {.input = QByteArray("\xFF\xFE\0", 3), .status = 1, .err = "odd number of bytes"});

    // Big texts in UTF-16 with tags across the block edges, from a file and
    // through a pipe (where reads end at any byte).
    const std::u16string big = acrossBlockEdges<char16_t>(24);
    add("big UTF-16LE file across block edges", {.files = {{u"big16"_s, Utf16LEMark + utf16(big, true)}},
                                                 .args = {u"big16"_s},
                                                 .out = convertedUtf16(big, true)});
    add("big UTF-16BE stdin across block edges",
        {.input = Utf16BEMark + utf16(big, false), .out = convertedUtf16(big, false)});
    const std::string bigBytes = acrossBlockEdges<char>(24);
    add("big UTF-8 file with a mark across block edges",
        {.files = {{u"big8"_s, Utf8Mark + QByteArray::fromStdString(bigBytes)}},
         .args = {u"big8"_s},
         .out = Utf8Mark + converted(QByteArray::fromStdString(bigBytes))});

    // The output as an input: refused, the file untouched.
    add("FILE appended to itself", {.files = {{u"f.txt"_s, "a<b"}},
                                    .args = {u"f.txt"_s},
                                    .appendTo = u"f.txt"_s,
                                    .status = 1,
                                    .err = message("f.txt", "input file is output file"),
                                    .fileAfter = "a<b"});
    add("standard input appended to itself", {.files = {{u"中文.txt"_s, "a<b"}},
                                              .inputFile = u"中文.txt"_s,
                                              .appendTo = u"中文.txt"_s,
                                              .status = 1,
                                              .err = message("standard input", "input file is output file"),
                                              .fileAfter = "a<b"});
    add("a later FILE is the output", {.files = {{u"a"_s, "x"}, {u"f"_s, "y"}},
                                       .args = {u"a"_s, u"f"_s},
                                       .appendTo = u"f"_s,
                                       .status = 1,
                                       .err = message("f", "input file is output file"),
                                       .fileAfter = "y"});
    add("an empty output file as input",
        {.files = {{u"f"_s, ""}}, .args = {u"f"_s}, .appendTo = u"f"_s, .fileAfter = "<pre></pre>"});

    // Many files, each opened in its turn.
    Case many;
    QByteArray all;
    for (int i = 0; i < 1100; ++i) {
        const QByteArray content = QByteArray::number(i) + (i % 3 ? "<" : "pre>");
        many.files.append({u"f%1"_s.arg(i), content});
        many.args.append(u"f%1"_s.arg(i));
        all += content;
    }
    many.out = converted(all);
    add("1,100 files", many);
    many.args.append(u"absent"_s);
    many.out.clear();
    many.status = 1;
    many.err = message("absent", "No such file or directory");
    add("1,100 files and a missing one: nothing written", many);
    return cases;
}
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

// Runs a case in `folder` with `command` (the program, maybe behind a
// launcher): what comes out, and what the output file then holds.
struct CaseRun {
    int status = -1;
    QByteArray out;
    QByteArray err;
    QByteArray fileAfter;
};

CaseRun runCase(const Case& c, const QString& folder, const QStringList& command)
{
    QDir dir(folder);
    for (const auto& [name, content] : c.files) {
        dir.mkpath(QFileInfo(dir.filePath(name)).path());
        QFile f(dir.filePath(name));
        if (!f.open(QIODevice::WriteOnly) || f.write(content) != content.size())
            qFatal("cannot write test file");
    }
    QProcess process;
    process.setWorkingDirectory(folder);
    if (!c.inputFile.isEmpty())
        process.setStandardInputFile(dir.filePath(c.inputFile));
    if (!c.appendTo.isEmpty())
        process.setStandardOutputFile(dir.filePath(c.appendTo), QIODevice::Append);
    process.start(command.first(), command.mid(1) + c.args);
    CaseRun run;
    if (!process.waitForStarted())
        return run;
    if (c.inputFile.isEmpty())
        process.write(c.input);
    process.closeWriteChannel();
    process.waitForFinished(120000);
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    if (!c.appendTo.isEmpty()) {
        QFile f(dir.filePath(c.appendTo));
        if (f.open(QIODevice::ReadOnly))
            run.fileAfter = f.readAll();
    }
    return run;
}

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

// Runs a bash script in `folder` with the converter's path in $C.
Run runScript(const QString& script, const QString& folder)
{
    QProcess shell;
    shell.setWorkingDirectory(folder);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"C"_s, QStringLiteral(TAGWELL_CONVERT));
    shell.setProcessEnvironment(env);
    shell.start(u"bash"_s, {u"-c"_s, script});
    if (!shell.waitForFinished(20000))
        return {};
    return {shell.exitStatus() == QProcess::NormalExit ? shell.exitCode() : -1, shell.readAllStandardOutput(),
            shell.readAllStandardError()};
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

Q_DECLARE_METATYPE(Case)

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
        QTest::newRow("bytes kept as they are") << QStringList{} << QByteArray("\xff\x80<\0\r\xfe\xff", 7)
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

    // An input that opens but cannot be read, and a big file whose reads
    // fail midway (a bad sector, made by a preloaded read), which the writing
    // thread reads ahead: a message, status 1, and never the closing tag of
    // a text that looks whole.
    void readFailures_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<qint64>("failAfter"); // -1: no fault made
        QTest::newRow("a file that cannot be read") << u"/proc/self/mem"_s << qint64(-1);
        QTest::newRow("a big file, a read fails at its start")
            << file(u"unread"_s, QByteArray(8 << 20, 'x')) << qint64(0);
        QTest::newRow("a big file, a read fails midway")
            << file(u"bad-sector"_s, QByteArray(8 << 20, 'x')) << qint64(5 << 20);
    }

    void readFailures()
    {
        QFETCH(QString, name);
        QFETCH(qint64, failAfter);
        QProcess process;
        if (failAfter >= 0) {
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(u"LD_PRELOAD"_s, QStringLiteral(TAGWELL_FAILING_IO));
            env.insert(u"TAGWELL_FAIL_READ_AFTER"_s, QString::number(failAfter));
            // A sanitized build lets the library come before its runtime.
            const QString asan = env.value(u"ASAN_OPTIONS"_s);
            env.insert(u"ASAN_OPTIONS"_s, asan + (asan.isEmpty() ? u""_s : u":"_s) + u"verify_asan_link_order=0"_s);
            process.setProcessEnvironment(env);
        }
        process.start(QStringLiteral(TAGWELL_CONVERT), {name});
        QVERIFY(process.waitForFinished(60000));
        const QByteArray out = process.readAllStandardOutput();
        const QByteArray err = process.readAllStandardError();
        QCOMPARE(process.exitCode(), 1);
        QVERIFY2(err.contains(name.toUtf8() + ": Input/output error"), err.constData());
        QVERIFY(!out.endsWith("</pre>"));
        QVERIFY(out.size() <= 5 + std::max(failAfter, qint64(0)));
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

    // The cases every build must pass alike; here, the Linux build's.
    void portable_data()
    {
        QTest::addColumn<Case>("c");
        for (const auto& [name, c] : portableCases())
            QTest::newRow(name.toUtf8().constData()) << c;
    }

    void portable()
    {
        QFETCH(Case, c);
        QTemporaryDir folder;
        const CaseRun run = runCase(c, folder.path(), {QStringLiteral(TAGWELL_CONVERT)});
        QVERIFY2(c.err.isEmpty() ? run.err.isEmpty() : run.err.contains(c.err), run.err.constData());
        QCOMPARE(run.status, c.status);
        QVERIFY2(run.out == c.out, run.out.left(200).toHex(' ').constData());
        if (!c.appendTo.isEmpty())
            QCOMPARE(run.fileAfter, c.fileAfter);
    }

    // The Windows build, cross-built with MinGW-w64, under wine: byte for
    // byte what the Linux build gives, messages included. Run by
    // `make test-windows`, which sets TAGWELL_CONVERT_WINDOWS (the .exe) and
    // TAGWELL_WINE (the launcher).
    void windowsMatchesLinux_data()
    {
        if (qEnvironmentVariableIsEmpty("TAGWELL_CONVERT_WINDOWS"))
            QSKIP("TAGWELL_CONVERT_WINDOWS is not set: make test-windows runs these");
        portable_data();
    }

    void windowsMatchesLinux()
    {
        const QString exe = qEnvironmentVariable("TAGWELL_CONVERT_WINDOWS");
        QFETCH(Case, c);
        QTemporaryDir linuxFolder;
        QTemporaryDir windowsFolder;
        const CaseRun linux = runCase(c, linuxFolder.path(), {QStringLiteral(TAGWELL_CONVERT)});
        const QString wine = qEnvironmentVariable("TAGWELL_WINE", u"wine64"_s);
        const CaseRun windows = runCase(c, windowsFolder.path(), {wine, exe});
        QCOMPARE(windows.err, linux.err);
        QCOMPARE(windows.status, linux.status);
        QVERIFY2(windows.out == linux.out, windows.out.left(200).toHex(' ').constData());
        QCOMPARE(windows.fileAfter, linux.fileAfter);
    }

    // Every way a shell makes the output an input of its own.
    void inputIsOutput_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QByteArray>("name");
        QTest::newRow("FILE >> FILE") << u"$C f >> f"_s << QByteArray("f");
        QTest::newRow("< FILE >> FILE") << u"$C < f >> f"_s << QByteArray("standard input");
        QTest::newRow("- < FILE >> FILE") << u"$C - < f >> f"_s << QByteArray("standard input");
        QTest::newRow("hard link") << u"ln f g && $C g >> f"_s << QByteArray("g");
        QTest::newRow("symbolic link") << u"ln -s f s && $C s >> f"_s << QByteArray("s");
        QTest::newRow("FILE 1<> FILE") << u"$C f 1<> f"_s << QByteArray("f");
        QTest::newRow("a later FILE 1<> FILE") << u"$C e e f 1<> f"_s << QByteArray("f");
        QTest::newRow("standard input partly read")
            << u"{ dd bs=1 count=1 of=/dev/null 2>/dev/null; $C; } < f >> f"_s << QByteArray("standard input");
    }

    void inputIsOutput()
    {
        QFETCH(QString, script);
        QFETCH(QByteArray, name);
        QTemporaryDir folder;
        const QByteArray content = QByteArray(300000, 'x') + "<pre>";
        QFile f(folder.filePath(u"f"_s));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(content) == content.size());
        f.close();
        QFile(folder.filePath(u"e"_s)).open(QIODevice::WriteOnly);
        const Run run = runScript(script, folder.path());
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains("tagwell-convert: " + name + ": input file is output file"), run.err.constData());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(f.readAll() == content);
    }

    // A file cut short while it is read, by any amount: a message, status 1,
    // and never a byte in the output that was not in the file.
    void shrinking_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<qint64>("newSize");
        QTest::newRow("FILE cut to nothing") << u"file"_s << qint64(0);
        QTest::newRow("FILE cut by less than a page") << u"file"_s << qint64((64 << 20) - 100);
        QTest::newRow("FILE cut by one byte") << u"file"_s << qint64((64 << 20) - 1);
        QTest::newRow("standard input cut by less than a page") << u"stdin"_s << qint64((64 << 20) - 100);
        QTest::newRow("standard input at an offset cut by one byte") << u"offset"_s << qint64((64 << 20) - 1);
    }

    void shrinking()
    {
        QFETCH(QString, how);
        QFETCH(qint64, newSize);
        const QString path = file(u"shrinking"_s, QByteArray(64 << 20, 'x'));
        const QString program = QStringLiteral(TAGWELL_CONVERT);
        QProcess process;
        if (how == u"file"_s) {
            process.start(program, {path});
        } else if (how == u"stdin"_s) {
            process.setStandardInputFile(path);
            process.start(program, QStringList{});
        } else {
            process.setStandardInputFile(path);
            process.start(u"bash"_s, {u"-c"_s, u"dd bs=1 count=1 of=/dev/null 2>/dev/null; exec \"$0\""_s, program});
        }
        // Output has begun, and the full pipe holds the converter back until
        // the file is cut.
        QVERIFY(process.waitForReadyRead(10000));
        QVERIFY(QFile::resize(path, newSize));
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 1);
        const QByteArray err = process.readAllStandardError();
        const QByteArray name = how == u"file"_s ? path.toUtf8() : QByteArray("standard input");
        QVERIFY2(err.contains(name + ": the file shrank while it was being read"), err.constData());
        const QByteArray out = process.readAllStandardOutput();
        QVERIFY(out.startsWith("<pre>"));
        QVERIFY2(out.count('x') + 5 == out.size(), "the output holds bytes that were not in the file");
    }

    // More files than descriptors: each is opened only in its turn.
    void manyFilesUnderFileLimit()
    {
        QTemporaryDir folder;
        QByteArray all;
        QStringList names;
        for (int i = 0; i < 1100; ++i) {
            const QByteArray content = "<" + QByteArray::number(i) + ">";
            QFile f(folder.filePath(u"f%1"_s.arg(i)));
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(content) == content.size());
            all += content;
            names.append(u"f%1"_s.arg(i));
        }
        QProcess shell;
        shell.setWorkingDirectory(folder.path());
        shell.start(u"bash"_s,
                    QStringList{u"-c"_s, u"ulimit -n 1024; exec \"$@\""_s, u"bash"_s, QStringLiteral(TAGWELL_CONVERT)} +
                        names);
        QVERIFY(shell.waitForFinished(60000));
        QCOMPARE(shell.readAllStandardError(), QByteArray());
        QCOMPARE(shell.exitCode(), 0);
        QVERIFY(shell.readAllStandardOutput() == converted(all));
    }

    // Closed standard descriptors are not taken for inputs.
    void closedDescriptors_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QByteArray>("err");
        QTest::newRow("- with standard input closed")
            << u"$C - a <&-"_s << 1 << QByteArray() << QByteArray("standard input: Bad file descriptor");
        QTest::newRow("a FILE, then - with standard input closed")
            << u"$C a - <&-"_s << 1 << QByteArray() << QByteArray("standard input: Bad file descriptor");
        QTest::newRow("no FILE with standard input closed")
            << u"$C <&-"_s << 1 << QByteArray() << QByteArray("standard input: Bad file descriptor");
        QTest::newRow("FILEs with standard input closed")
            << u"$C a a <&-"_s << 0 << QByteArray("<pre>&lt;&lt;</pre>") << QByteArray();
        QTest::newRow("standard output closed")
            << u"$C a >&-"_s << 1 << QByteArray() << QByteArray("write error: Bad file descriptor");
        QTest::newRow("standard error closed") << u"$C a 2>&-"_s << 0 << QByteArray("<pre>&lt;</pre>") << QByteArray();
        QTest::newRow("all closed, a missing FILE") << u"$C absent <&- >&- 2>&-"_s << 1 << QByteArray() << QByteArray();
    }

    void closedDescriptors()
    {
        QFETCH(QString, script);
        QFETCH(int, status);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, err);
        QTemporaryDir folder;
        QFile a(folder.filePath(u"a"_s));
        QVERIFY(a.open(QIODevice::WriteOnly) && a.write("<") == 1);
        a.close();
        const Run run = runScript(script, folder.path());
        QCOMPARE(run.status, status);
        QCOMPARE(run.out, out);
        QVERIFY2(err.isEmpty() ? run.err.isEmpty() : run.err.contains(err), run.err.constData());
    }

    // A failed write, the last one included: the close of standard output,
    // where a file system may report only then that the text did not reach
    // the disk (a preloaded close that fails as NFS can). Each is status 1
    // with a message, whether the help, the version, or a text converted
    // from here or from the writing thread.
    void writeFailures_data()
    {
        QTest::addColumn<QString>("args");
        QTest::addColumn<QString>("redirection");
        QTest::addColumn<bool>("closeFails");
        QTest::addColumn<QByteArray>("message");
        for (const QString& option : {u"--help"_s, u"--version"_s}) {
            QTest::addRow("%s to a full disk", qPrintable(option))
                << option << u">/dev/full"_s << false << QByteArray("write error: No space left on device");
            QTest::addRow("%s to a closed output", qPrintable(option))
                << option << u">&-"_s << false << QByteArray("write error: Bad file descriptor");
            QTest::addRow("%s, the close fails", qPrintable(option))
                << option << u">out"_s << true << QByteArray("write error: Input/output error");
        }
        QTest::newRow("a small text, the close fails")
            << u"small"_s << u">out"_s << true << QByteArray("write error: Input/output error");
        QTest::newRow("a big text, the close fails")
            << u"big"_s << u">out"_s << true << QByteArray("write error: Input/output error");
    }

    void writeFailures()
    {
        QFETCH(QString, args);
        QFETCH(QString, redirection);
        QFETCH(bool, closeFails);
        QFETCH(QByteArray, message);
        QTemporaryDir folder;
        QFile small(folder.filePath(u"small"_s));
        QVERIFY(small.open(QIODevice::WriteOnly) && small.write("<") == 1);
        small.close();
        QFile big(folder.filePath(u"big"_s));
        QVERIFY(big.open(QIODevice::WriteOnly) && big.write(QByteArray(2 << 20, 'x')) == 2 << 20);
        big.close();
        // Preloaded into the converter alone; a sanitized build lets a
        // library come before its runtime.
        const QString preload = closeFails
                                    ? u"LD_PRELOAD=\"$1\" TAGWELL_FAIL_CLOSE_STDOUT=1 "_s
                                      u"ASAN_OPTIONS=\"${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0\" "_s
                                    : QString();
        QProcess shell;
        shell.setWorkingDirectory(folder.path());
        shell.start(u"bash"_s, {u"-c"_s, preload + u"\"$0\" "_s + args + u" "_s + redirection,
                                QStringLiteral(TAGWELL_CONVERT), QStringLiteral(TAGWELL_FAILING_IO)});
        QVERIFY(shell.waitForFinished(20000));
        const QByteArray err = shell.readAllStandardError();
        QVERIFY2(err.contains(message), err.constData());
        QCOMPARE(shell.exitCode(), 1);
    }

    // A live filter: what was converted comes out whenever the input stalls,
    // a FILE before a stalled standard input included, whether the converter
    // wrote it or, for a big text, the writing thread.
    void liveFilter_data()
    {
        QTest::addColumn<bool>("fromFile");
        QTest::addColumn<int>("firstSize");
        QTest::newRow("a small FILE first") << true << 300000;
        QTest::newRow("a big FILE first") << true << (3 << 20);
        QTest::newRow("a big text on standard input first") << false << (3 << 20);
    }

    void liveFilter()
    {
        QFETCH(bool, fromFile);
        QFETCH(int, firstSize);
        const QByteArray first = QByteArray(firstSize, 'y') + ">";
        QProcess process;
        if (fromFile)
            process.start(QStringLiteral(TAGWELL_CONVERT), {file(u"live-first"_s, first), u"-"_s});
        else
            process.start(QStringLiteral(TAGWELL_CONVERT), QStringList{});
        QVERIFY(process.waitForStarted());
        if (!fromFile)
            process.write(first);
        QByteArray out;
        const QByteArray firstOut = "<pre>" + QByteArray(firstSize, 'y') + "&gt;";
        for (int i = 0; i < 1000 && out.size() < firstOut.size() && process.waitForReadyRead(5000); ++i)
            out += process.readAllStandardOutput();
        QVERIFY(out == firstOut);
        process.write("a<b\n");
        QVERIFY(process.waitForReadyRead(5000));
        QCOMPARE(process.readAllStandardOutput(), QByteArray("a&lt;b\n"));
        process.write("c>");
        QVERIFY(process.waitForReadyRead(5000));
        QCOMPARE(process.readAllStandardOutput(), QByteArray("c&gt;"));
        process.closeWriteChannel();
        QVERIFY(process.waitForFinished(5000));
        QCOMPARE(process.readAllStandardOutput(), QByteArray("</pre>"));
        QCOMPARE(process.exitCode(), 0);
    }

    // On SIGINT, SIGTERM and SIGHUP what was read is written (the start of
    // a tag still being matched as the text it is), then the program ends
    // with the signal.
    void interrupts_data()
    {
        QTest::addColumn<int>("signal");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("out");
        QTest::newRow("SIGINT") << int(SIGINT) << QStringList{} << QByteArray("a<b") << QByteArray("<pre>a&lt;b");
        QTest::newRow("SIGTERM, a tag half matched")
            << int(SIGTERM) << QStringList{} << QByteArray("x</pr") << QByteArray("<pre>x&lt;/pr");
        QTest::newRow("SIGHUP, --keep-pre")
            << int(SIGHUP) << QStringList{u"--keep-pre"_s} << QByteArray("<pre") << QByteArray("<pre>&lt;pre");
        QTest::newRow("SIGTERM, UTF-16, a tag's start") << int(SIGTERM) << QStringList{} << QByteArray("\xFF\xFE<\0", 4)
                                                        << QByteArray("\xFF\xFE<\0p\0r\0e\0>\0&\0l\0t\0;\0", 20);
        QTest::newRow("SIGTERM, UTF-16, half a unit")
            << int(SIGTERM) << QStringList{} << QByteArray("\xFF\xFE<", 3) << QByteArray("\xFF\xFE<\0p\0r\0e\0>\0", 12);
        QTest::newRow("SIGINT, a mark that could still be UTF-32")
            << int(SIGINT) << QStringList{} << QByteArray("\xFF\xFE") << QByteArray("\xFF\xFE<\0p\0r\0e\0>\0", 12);
        QTest::newRow("SIGINT, nothing read") << int(SIGINT) << QStringList{} << QByteArray() << QByteArray();
    }

    void interrupts()
    {
        QFETCH(int, signal);
        QFETCH(QStringList, args);
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, out);
        QProcess process;
        process.start(QStringLiteral(TAGWELL_CONVERT), args);
        QVERIFY(process.waitForStarted());
        process.write(input);
        QVERIFY(process.waitForBytesWritten(5000) || input.isEmpty());
        // Once the input is read, the live filter writes what it could
        // convert; where that is nothing, the wait for it gives the converter
        // the time to read.
        QByteArray got;
        if (process.waitForReadyRead(1000))
            got = process.readAllStandardOutput();
        QTest::qWait(100);
        ::kill(pid_t(process.processId()), signal);
        QVERIFY(process.waitForFinished(5000));
        QCOMPARE(process.exitStatus(), QProcess::CrashExit);
        QCOMPARE(process.exitCode(), signal);
        QCOMPARE(got + process.readAllStandardOutput(), out);
    }

    // An interrupt while a big file is read ahead of the converter: what
    // was read comes out converted, without the closing tag, and the
    // program dies of the signal.
    void interruptWhileReadingAhead()
    {
        QByteArray content;
        while (content.size() < (32 << 20))
            content += "a<b>c\n";
        const QString path = file(u"interrupted"_s, content);
        const QByteArray whole = converted(content);
        QProcess process;
        process.start(QStringLiteral(TAGWELL_CONVERT), {path});
        // Output has begun; nothing reads it for a while (no event loop
        // runs), so the full pipe holds the converter back.
        QVERIFY(process.waitForReadyRead(10000));
        QThread::msleep(100);
        ::kill(pid_t(process.processId()), SIGINT);
        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(process.exitStatus(), QProcess::CrashExit);
        QCOMPARE(process.exitCode(), int(SIGINT));
        const QByteArray out = process.readAllStandardOutput();
        QVERIFY2(out.size() > 5 && out.size() < whole.size() - 6, qPrintable(QString::number(out.size())));
        QVERIFY(whole.startsWith(out));
    }

    // At most 16 MiB resident whatever the size or the number of inputs: a
    // big file among 1,100 small ones, then standard input, where the
    // converter waits while its peak is read.
    void residentMemoryStaysSmall()
    {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("a sanitized build keeps far more resident");
#endif
        QTemporaryDir folder;
        QStringList names;
        QByteArray expected = "<pre>";
        for (int i = 0; i < 1100; ++i) {
            QByteArray content = i == 500 ? QByteArray(96 << 20, 'z') : QByteArray::number(i) + ">";
            QFile f(folder.filePath(u"f%1"_s.arg(i)));
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(content) == content.size());
            names.append(f.fileName());
            expected += content.replace(">", "&gt;");
        }
        QProcess process;
        process.start(QStringLiteral(TAGWELL_CONVERT), names + QStringList{u"-"_s});
        QVERIFY(process.waitForStarted());
        qint64 got = 0;
        while (got < expected.size() && process.waitForReadyRead(10000))
            got += process.readAllStandardOutput().size();
        QCOMPARE(got, expected.size());
        QFile status(u"/proc/%1/status"_s.arg(process.processId()));
        QVERIFY(status.open(QIODevice::ReadOnly));
        const QByteArray text = status.readAll();
        const qsizetype at = text.indexOf("VmHWM:");
        QVERIFY(at >= 0);
        const qint64 peakKiB =
            text.mid(at + 6, text.indexOf('\n', at) - at - 6).trimmed().split(' ').first().toLongLong();
        QVERIFY2(peakKiB > 0 && peakKiB <= 16 * 1024, qPrintable(u"%1 KiB resident at the peak"_s.arg(peakKiB)));
        process.closeWriteChannel();
        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(process.exitCode(), 0);
        QCOMPARE(process.readAllStandardOutput(), QByteArray("</pre>"));
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
