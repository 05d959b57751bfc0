// Convert's plan for a text control: the result is the conversion's, and the
// replacements, applied to the text they were made of, give that result;
// edits close together on a line go as one, and a text where in place would
// cost more than replacing it whole gets no plan.
#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN
#include "core/conversion.h"
#include "core/in_place.h"
#include "core_test.h"
#include "edits.h"
#include "random_text.h"

using namespace tagwell;

namespace {

constexpr InPlaceCosts Costs{100, 16 * 1024};

Text repeated(std::u16string_view piece, int times)
{
    Text text;
    for (int i = 0; i < times; ++i)
        text += piece;
    return text;
}

} // namespace

TEST_CASE("replacements make the result of the text")
{
    Random random(101);
    for (int round = 0; round < 2000; ++round) {
        const CheckState state = CheckState(round % 3);
        const Text tags = randomTagText<char16_t>(random, 12);
        const Text padding(std::size_t(150) * tags.size() + std::size_t(random.bounded(400)), u'x');
        const Text text = round % 3 == 0 ? tags + padding : round % 3 == 1 ? padding + tags : tags + padding + tags;
        CAPTURE(text);
        if (const std::optional<ConversionPlan> plan = planInPlace(text, state, Costs)) {
            REQUIRE(plan->result == convertText<char16_t>(text, state));
            REQUIRE(applyReplacements(text, *plan) == std::optional(plan->result));
        }
    }
}

TEST_CASE("which edits go as one, and when the whole text is replaced")
{
    const Text padding(1000, u'x');
    struct Case {
        const char* name;
        Text text;
        std::size_t replacements; // 0: the whole text
    };
    const Case cases[] = {
        {"the opening tag with the signs just after it, a lone sign, the closing tag",
         u"a<b>" + padding + u"c>d" + padding, 3},
        {"not across a line break", u"<a>\n<b>" + padding, 3},
        {"not across a CR LF", u"<a>\r\n<b>" + padding, 3},
        {"across 24 characters of a line", u"<" + Text(24, u'x') + u">" + padding, 2},
        {"not across 25", u"<" + Text(25, u'x') + u">" + padding, 3},
        {"not across a character the control does not keep in its line", u"<\u2028>" + padding, 3},
        {"a removed tag with its neighbours", u"a<pre>b" + padding + u"</pre>", 2},
        {"a closing tag made across removed opening tags", u"x</<pre><pre>pre>y" + padding, 2},
        {"more groups than one per hundred characters", repeated(u"<>" + Text(30, u' '), 40), 0},
        {"signs on every line", repeated(u"<<>>\n", 2000), 0},
        {"a line longer than the control edits in place", Text(20000, u'x') + u"<", 0},
        {"a tag removed right after a CR", u"a\r<pre>\n" + padding, 0},
        {"a text too short to be worth it", u"a<b", 0},
    };
    for (const Case& c : cases) {
        CAPTURE(c.name);
        const std::optional<ConversionPlan> plan = planInPlace(c.text, CheckState::Checked, Costs);
        REQUIRE(plan.has_value() == (c.replacements > 0));
        if (plan) {
            CHECK(plan->result == convertText<char16_t>(c.text, CheckState::Checked));
            CHECK(plan->inPlace.size() == c.replacements);
            CHECK(applyReplacements(c.text, *plan) == std::optional(plan->result));
        }
    }
}
