#include "core/in_place.h"

#include "core/conversion.h"

#include <algorithm>

namespace tagwell {

namespace {

// A character that a text control keeps inside its line as it is: no line
// break, separator, control character or half of a surrogate pair.
bool plainInLine(char16_t c)
{
    return (c >= 0x20 && c < 0x7F) || c == u'\t' || (c >= 0xA0 && c < 0x2028) || (c > 0x2029 && c < 0xD800);
}

std::size_t longestLine(std::u16string_view text)
{
    std::size_t longest = 0;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find_first_of(u"\r\n", start), text.size());
        longest = std::max(longest, end - start);
        start = end + 1;
    }
    return longest;
}

// The replacements as they gather, and whether in place has been given up.
struct Grouping {
    std::u16string_view text;
    const InPlaceCosts& costs;
    std::size_t most; // more replacements than this cost more than the whole
    std::vector<Replacement> groups;
    bool gaveUp = false;

    void edit(std::size_t start, std::size_t end, std::size_t resultStart, std::size_t resultEnd)
    {
        if (gaveUp)
            return;
        if (!groups.empty() && joinable(groups.back().end, start)) {
            groups.back().end = end;
            groups.back().resultEnd = resultEnd;
        } else if (groups.size() < most) {
            groups.push_back({start, end, resultStart, resultEnd});
        } else {
            giveUp();
        }
    }

    bool joinable(std::size_t from, std::size_t to) const
    {
        return to - from <= costs.joinWithin &&
               std::all_of(text.begin() + std::ptrdiff_t(from), text.begin() + std::ptrdiff_t(to), plainInLine);
    }

    void giveUp()
    {
        gaveUp = true;
        groups.clear();
    }
};

// Writes the result as the whole-text conversion does, and tells each edit
// to the grouping as it comes.
struct Planner : detail::Writer<char16_t> {
    char16_t* begin;
    Grouping* grouping;

    void sign(char16_t c, std::size_t at)
    {
        const std::size_t from = resultAt();
        Writer::sign(c, at);
        grouping->edit(at, at + 1, from, from + 4);
    }
    void removed(std::size_t start, std::size_t end)
    {
        // Removing a tag between CR and LF would make one line break of two
        // for the text, but not for a control that holds CR LF as one.
        if (start > 0 && grouping->text[start - 1] == u'\r')
            grouping->giveUp();
        grouping->edit(start, end, resultAt(), resultAt());
    }
    void opening()
    {
        Writer::opening();
        grouping->edit(0, 0, 0, literals::OpenTag.size());
    }
    void closing(std::size_t at)
    {
        const std::size_t from = resultAt();
        Writer::closing(at);
        grouping->edit(at, at, from, resultAt());
    }

    std::size_t resultAt() const { return std::size_t(out - begin); }
};

} // namespace

ConversionPlan planConversion(std::u16string_view text, CheckState state, const std::optional<InPlaceCosts>& costs)
{
    if (!costs || costs->charactersPerEdit == 0 || longestLine(text) > costs->longestLine)
        return {convertText(text, state), {}};

    const std::size_t signs = detail::countSigns(text.data(), text.data() + text.size());
    Text result(text.size() + 3 * signs + literals::OpenTag.size() + literals::CloseTag.size() +
                    StreamConverter<char16_t>::Slack,
                u'\0');
    Grouping grouping{text, *costs, text.size() / costs->charactersPerEdit, {}};
    Planner planner{{result.data()}, result.data(), &grouping};
    Scanner<char16_t> scanner(state);
    scanner.start(planner);
    scanner.feed(text.data(), text.size(), planner);
    scanner.finish(planner);
    result.resize(planner.resultAt());
    return {std::move(result), std::move(grouping.groups)};
}

} // namespace tagwell
