// The conversion on whole texts and in blocks, for bytes and 16-bit text.
#include "core/conversion.h"
#include "edits.h"
#include "text_helpers.h"

#include <QTest>

using namespace tagwell;

namespace {

// The definition followed literally, one whole-text pass after another: the
// yardstick that the one-pass converter must match.
template <class Ch> std::basic_string<Ch> stagedModel(const std::basic_string<Ch>& text, CheckState state)
{
    std::basic_string<Ch> t = text;
    if (state == CheckState::Checked) {
        t = replaceAll<Ch>(t, "<pre>", "");
        t = replaceAll<Ch>(t, "</pre>", "");
    }
    t = replaceAll<Ch>(t, "<", "&lt;");
    t = replaceAll<Ch>(t, ">", "&gt;");
    return widen<Ch>("<pre>") + t + widen<Ch>("</pre>");
}

template <class Ch>
std::basic_string<Ch> convertInBlocks(const std::basic_string<Ch>& text, CheckState state, QRandomGenerator& random,
                                      int maxBlock)
{
    StreamConverter<Ch> converter(state);
    std::basic_string<Ch> result;
    std::basic_string<Ch> buffer(StreamConverter<Ch>::maxOutput(std::size_t(maxBlock)), Ch());
    result.append(buffer.data(), converter.start(buffer.data()));
    std::size_t at = 0;
    while (at < text.size()) {
        const auto n = std::min(text.size() - at, std::size_t(random.bounded(maxBlock + 1)));
        result.append(buffer.data(), converter.feed(text.data() + at, n, buffer.data()));
        at += n;
    }
    result.append(buffer.data(), converter.finish(buffer.data()));
    return result;
}

} // namespace

class TestConversion : public QObject {
    Q_OBJECT

private slots:
    void convertText_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("state");
        QTest::addColumn<QByteArray>("expected");

        struct Case {
            const char* name;
            const char* input;
            CheckState state;
            const char* expected;
        };
        const Case cases[] = {
            {"empty, unchecked", "", CheckState::Unchecked, "<pre></pre>"},
            {"empty, checked", "", CheckState::Checked, "<pre></pre>"},
            {"empty, grayed", "", CheckState::Grayed, "<pre></pre>"},
            {"signs escaped", "a<b>c", CheckState::Checked, "<pre>a&lt;b&gt;c</pre>"},
            {"signs escaped, unchecked", "a<b>c", CheckState::Unchecked, "<pre>a&lt;b&gt;c</pre>"},
            {"ampersands and entities kept", "x && y &lt; &nbsp; \"q\" 'q'", CheckState::Checked,
             "<pre>x && y &lt; &nbsp; \"q\" 'q'</pre>"},
            {"tags removed when checked", "<pre>int x;</pre>", CheckState::Checked, "<pre>int x;</pre>"},
            {"tags kept when unchecked", "<pre>int x;</pre>", CheckState::Unchecked,
             "<pre>&lt;pre&gt;int x;&lt;/pre&gt;</pre>"},
            {"grayed keeps tags", "<pre>x</pre>", CheckState::Grayed, "<pre>&lt;pre&gt;x&lt;/pre&gt;</pre>"},
            {"removal is case-sensitive", "<PRE>x</PRE>", CheckState::Checked, "<pre>&lt;PRE&gt;x&lt;/PRE&gt;</pre>"},
            {"tag with attributes kept", "<pre class=x>y</pre>", CheckState::Checked,
             "<pre>&lt;pre class=x&gt;y</pre>"},
            {"opening tag formed by removal stays", "<</pre>pre>", CheckState::Checked, "<pre>&lt;pre&gt;</pre>"},
            {"closing tag formed by removal goes", "</<pre>pre>", CheckState::Checked, "<pre></pre>"},
            {"closing tag formed behind a sign", "<<pre>/pre>", CheckState::Checked, "<pre></pre>"},
            {"signs in a row", "a<<b>>c<<<", CheckState::Checked, "<pre>a&lt;&lt;b&gt;&gt;c&lt;&lt;&lt;</pre>"},
            {"opening tag formed after <p stays", "<p<pre>re>", CheckState::Checked, "<pre>&lt;pre&gt;</pre>"},
            {"nested opening tags", "<pre><pre>", CheckState::Checked, "<pre></pre>"},
            {"opening tag split by itself stays", "<pr<pre>e>", CheckState::Checked, "<pre>&lt;pre&gt;</pre>"},
            {"unfinished tags at the end", "a<pre</pre", CheckState::Checked, "<pre>a&lt;pre&lt;/pre</pre>"},
            {"line breaks pass, trailing one too", "a\r\nb\rc\n", CheckState::Checked, "<pre>a\r\nb\rc\n</pre>"},
            {"already converted text is a fixed point", "<pre>a&lt;b&gt;</pre>", CheckState::Checked,
             "<pre>a&lt;b&gt;</pre>"},
            {"multi-byte characters pass", "文本 <😀> €", CheckState::Checked, "<pre>文本 &lt;😀&gt; €</pre>"},
        };
        for (const Case& c : cases)
            QTest::newRow(c.name) << QByteArray(c.input) << int(c.state) << QByteArray(c.expected);
        QTest::newRow("NUL inside") << QByteArray("a\0<b", 4) << int(CheckState::Checked)
                                    << QByteArray("<pre>a\0&lt;b</pre>", 18);
        QTest::newRow("invalid UTF-8 passes")
            << QByteArray("\xff<\xc3") << int(CheckState::Checked) << QByteArray("<pre>\xff&lt;\xc3</pre>");
    }

    void convertText()
    {
        QFETCH(QByteArray, input);
        QFETCH(int, state);
        QFETCH(QByteArray, expected);
        const auto s = CheckState(state);

        QCOMPARE(QByteArray::fromStdString(tagwell::convertText<char>(toBytes(input), s)), expected);
        QCOMPARE(QByteArray::fromStdString(stagedModel<char>(toBytes(input), s)), expected);
        QCOMPARE(
            QByteArray::fromStdString(applyConversionEdits<char>(toBytes(input), s).value_or("(edits out of order)")),
            expected);
        if (expected.isValidUtf8()) {
            QCOMPARE(fromUtf16(tagwell::convertText<char16_t>(toUtf16(QString::fromUtf8(input)), s)),
                     QString::fromUtf8(expected));
        }
    }

    void utf16PassesLoneSurrogatesAndNul()
    {
        const std::u16string input = {0xD800, u'<', 0, 0xDC00, u'>', 0xFFFF};
        const std::u16string expected = u"<pre>" + std::u16string{0xD800} + u"&lt;" + std::u16string(1, 0) +
                                        std::u16string{0xDC00} + u"&gt;" + std::u16string{0xFFFF} + u"</pre>";
        QCOMPARE(tagwell::convertText<char16_t>(input, CheckState::Checked), expected);
    }

    void replaceAll_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("from");
        QTest::addColumn<QByteArray>("to");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("no overlap") << QByteArray("aaaaa") << QByteArray("aa") << QByteArray("b") << QByteArray("bba");
        QTest::newRow("replacement not searched again")
            << QByteArray("<<") << QByteArray("<") << QByteArray("<<") << QByteArray("<<<<");
        QTest::newRow("empty text") << QByteArray() << QByteArray("<") << QByteArray("x") << QByteArray();
        QTest::newRow("empty search leaves text")
            << QByteArray("abc") << QByteArray() << QByteArray("x") << QByteArray("abc");
        QTest::newRow("case-sensitive") << QByteArray("<PRE><pre>") << QByteArray("<pre>") << QByteArray()
                                        << QByteArray("<PRE>");
    }

    void replaceAll()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, from);
        QFETCH(QByteArray, to);
        QFETCH(QByteArray, expected);
        QCOMPARE(QByteArray::fromStdString(
                     tagwell::replaceAll<char>(toBytes(text), std::string_view(toBytes(from)), toBytes(to))),
                 expected);
    }

    // Whatever the cuts, blocks give the whole-text result; the one-pass
    // result is the literal staged one; and so is the text the edits make.
    void blocksMatchWholeText()
    {
        QRandomGenerator random(20261210);
        for (int round = 0; round < 3000; ++round) {
            const CheckState state = CheckState(round % 3);
            const int maxBlock = 1 + random.bounded(round % 2 ? 8 : 64);
            const auto bytes = randomTagText<char>(random, 40);
            const auto whole = tagwell::convertText<char>(bytes, state);
            QCOMPARE(whole, stagedModel<char>(bytes, state));
            QCOMPARE(applyConversionEdits<char>(bytes, state), std::optional(whole));
            QCOMPARE(convertInBlocks<char>(bytes, state, random, maxBlock), whole);

            const auto text = randomTagText<char16_t>(random, 40);
            const auto wholeText = tagwell::convertText<char16_t>(text, state);
            QCOMPARE(wholeText, stagedModel<char16_t>(text, state));
            QCOMPARE(applyConversionEdits<char16_t>(text, state), std::optional(wholeText));
            QCOMPARE(convertInBlocks<char16_t>(text, state, random, maxBlock), wholeText);
        }
    }

    // Long texts whose signs sit among long runs of plain text, as in source
    // code: the converter's 64-byte steps, where each sign is escaped by the
    // masks and a '<' that may start a tag stops the step, whatever the cuts.
    void longTextsMatchStagedModel()
    {
        QRandomGenerator random(64);
        for (int round = 0; round < 600; ++round) {
            const CheckState state = CheckState(round % 3);
            std::string bytes;
            for (int piece = random.bounded(60); piece > 0; --piece) {
                bytes.append(std::size_t(random.bounded(round % 2 ? 200 : 20)), char('a' + piece % 26));
                bytes += randomTagText<char>(random, 4);
            }
            const std::u16string text(bytes.begin(), bytes.end());
            const int maxBlock = 1 + random.bounded(round % 3 ? 1000 : 100);
            QCOMPARE(tagwell::convertText<char>(bytes, state), stagedModel<char>(bytes, state));
            QCOMPARE(convertInBlocks<char>(bytes, state, random, maxBlock), stagedModel<char>(bytes, state));
            QCOMPARE(tagwell::convertText<char16_t>(text, state), stagedModel<char16_t>(text, state));
            QCOMPARE(convertInBlocks<char16_t>(text, state, random, maxBlock), stagedModel<char16_t>(text, state));
        }
    }

    void checkedConversionIsIdempotent()
    {
        QRandomGenerator random(7);
        for (int round = 0; round < 1000; ++round) {
            const auto once = tagwell::convertText<char>(randomTagText<char>(random, 30), CheckState::Checked);
            QCOMPARE(tagwell::convertText<char>(once, CheckState::Checked), once);
        }
    }

    void uncheckedConversionNestsAgain()
    {
        const auto once = tagwell::convertText<char>("<b>", CheckState::Unchecked);
        QCOMPARE(tagwell::convertText<char>(once, CheckState::Unchecked),
                 std::string("<pre>&lt;pre&gt;&lt;b&gt;&lt;/pre&gt;</pre>"));
    }
};

QTEST_APPLESS_MAIN(TestConversion)
#include "tst_conversion.moc"
