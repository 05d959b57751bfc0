// The conversion on whole texts, in blocks and as edits, for bytes and 16-bit
// text, against the staged model: one scan must give what the four
// replace-all passes give.
#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN
#include "core/conversion.h"
#include "edits.h"
#include "random_text.h"
#include "staged_model.h"

#include "core_test.h"

#include <optional>
#include <string>
#include <string_view>

using namespace tagwell;
using namespace std::string_literals;

namespace {

template <class Ch>
std::basic_string<Ch> convertInBlocks(std::basic_string_view<Ch> text, CheckState state, Random& random, int maxBlock)
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

// Every form of the conversion of `text`, each checked against the staged
// model: the whole text, the stream in random blocks, the edits.
template <class Ch>
void checkAllForms(const std::basic_string<Ch>& text, CheckState state, Random& random, int maxBlock)
{
    const auto expected = stagedModel<Ch>(text, state);
    CHECK(convertText<Ch>(text, state) == expected);
    CHECK(convertInBlocks<Ch>(text, state, random, maxBlock) == expected);
    CHECK(applyConversionEdits<Ch>(text, state) == std::optional(expected));
}

std::u16string widened(std::string_view bytes)
{
    return std::u16string(bytes.begin(), bytes.end());
}

} // namespace

TEST_CASE("the conversion's results")
{
    struct Case {
        const char* name;
        std::string input;
        CheckState state;
        std::string expected;
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
        {"tag with attributes kept", "<pre class=x>y</pre>", CheckState::Checked, "<pre>&lt;pre class=x&gt;y</pre>"},
        {"opening tag formed by removal stays", "<</pre>pre>", CheckState::Checked, "<pre>&lt;pre&gt;</pre>"},
        {"closing tag formed by removal goes", "</<pre>pre>", CheckState::Checked, "<pre></pre>"},
        {"closing tag formed behind a sign", "<<pre>/pre>", CheckState::Checked, "<pre></pre>"},
        {"closing tag formed across two removals", "<<pre>/<pre>pre>x", CheckState::Checked, "<pre>x</pre>"},
        {"closing tag joined across tags in a row", "</<pre><pre>pre><", CheckState::Checked, "<pre>&lt;</pre>"},
        {"broken closing tag across removals", "<<pre>/<pre>p<pre>x", CheckState::Checked, "<pre>&lt;/px</pre>"},
        {"signs in a row", "a<<b>>c<<<", CheckState::Checked, "<pre>a&lt;&lt;b&gt;&gt;c&lt;&lt;&lt;</pre>"},
        {"opening tag formed after <p stays", "<p<pre>re>", CheckState::Checked, "<pre>&lt;pre&gt;</pre>"},
        {"nested opening tags", "<pre><pre>", CheckState::Checked, "<pre></pre>"},
        {"opening tag split by itself stays", "<pr<pre>e>", CheckState::Checked, "<pre>&lt;pre&gt;</pre>"},
        {"unfinished tags at the end", "a<pre</pre", CheckState::Checked, "<pre>a&lt;pre&lt;/pre</pre>"},
        {"line breaks pass, trailing one too", "a\r\nb\rc\n", CheckState::Checked, "<pre>a\r\nb\rc\n</pre>"},
        {"already converted text is a fixed point", "<pre>a&lt;b&gt;</pre>", CheckState::Checked,
         "<pre>a&lt;b&gt;</pre>"},
        {"multi-byte characters pass", "文本 <😀> €", CheckState::Checked, "<pre>文本 &lt;😀&gt; €</pre>"},
        {"NUL inside", "a\0<b"s, CheckState::Checked, "<pre>a\0&lt;b</pre>"s},
        {"invalid UTF-8 passes", "\xff<\xc3", CheckState::Checked, "<pre>\xff&lt;\xc3</pre>"},
    };
    Random random(1);
    for (const Case& c : cases) {
        CAPTURE(c.name);
        CHECK(stagedModel<char>(c.input, c.state) == c.expected);
        checkAllForms<char>(c.input, c.state, random, 3);
        checkAllForms<char16_t>(widened(c.input), c.state, random, 3);
    }
}

TEST_CASE("16-bit text passes lone surrogates and NUL")
{
    const std::u16string input = {0xD800, u'<', 0, 0xDC00, u'>', 0xFFFF};
    const std::u16string expected = u"<pre>" + std::u16string{0xD800} + u"&lt;" + std::u16string(1, 0) +
                                    std::u16string{0xDC00} + u"&gt;" + std::u16string{0xFFFF} + u"</pre>";
    CHECK(convertText<char16_t>(input, CheckState::Checked) == expected);
    // Units whose low byte is a sign are no signs.
    const std::u16string lookAlikes = {0x013C, 0x3C00, 0x3E3C, 0xFF1C};
    CHECK(convertText<char16_t>(lookAlikes, CheckState::Checked) == u"<pre>" + lookAlikes + u"</pre>");
}

TEST_CASE("the model's replace-all")
{
    struct Case {
        std::string text, from, to, expected;
    };
    const Case cases[] = {
        {"aaaaa", "aa", "b", "bba"},          // no overlap
        {"<<", "<", "<<", "<<<<"},            // the replacement is not searched again
        {"", "<", "x", ""},                   // empty text
        {"abc", "", "x", "abc"},              // an empty search leaves the text
        {"<PRE><pre>", "<pre>", "", "<PRE>"}, // case-sensitive
    };
    for (const Case& c : cases) {
        CAPTURE(c.text);
        CHECK(replaceAll<char>(c.text, c.from, c.to) == c.expected);
    }
}

// Whatever the cuts, every form gives the staged result, on texts made of
// tag fragments.
TEST_CASE("random tag texts in every form")
{
    Random random(20261210);
    for (int round = 0; round < 3000; ++round) {
        const CheckState state = CheckState(round % 3);
        const int maxBlock = 1 + random.bounded(round % 2 ? 8 : 64);
        checkAllForms(randomTagText<char>(random, 40), state, random, maxBlock);
        checkAllForms(randomTagText<char16_t>(random, 40), state, random, maxBlock);
    }
}

// Long texts whose signs sit among long runs of plain text, as in source
// code, or come one after another, as in markup: the scan's 64-byte steps,
// where each sign is escaped by the masks and a '<' that may start a tag
// stops the step, whatever the cuts.
TEST_CASE("long texts with sparse signs")
{
    Random random(64);
    for (int round = 0; round < 600; ++round) {
        const CheckState state = CheckState(round % 3);
        std::string bytes;
        // Every fourth text is tags alone, dense as markup.
        for (int piece = random.bounded(60); piece > 0; --piece) {
            if (round % 4 != 3)
                bytes.append(std::size_t(random.bounded(round % 2 ? 200 : 20)), char('a' + piece % 26));
            bytes += randomTagText<char>(random, round % 4 == 3 ? 12 : 4);
        }
        const int maxBlock = 1 + random.bounded(round % 3 ? 1000 : 100);
        checkAllForms(bytes, state, random, maxBlock);
        checkAllForms(widened(bytes), state, random, maxBlock);
    }
}

TEST_CASE("converting twice")
{
    Random random(7);
    for (int round = 0; round < 1000; ++round) {
        const auto once = convertText<char>(randomTagText<char>(random, 30), CheckState::Checked);
        REQUIRE(convertText<char>(once, CheckState::Checked) == once);
    }
    const auto once = convertText<char>("<b>", CheckState::Unchecked);
    CHECK(convertText<char>(once, CheckState::Unchecked) == "<pre>&lt;pre&gt;&lt;b&gt;&lt;/pre&gt;</pre>");
}
