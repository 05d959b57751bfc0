#include "core/in_place.h"

#include "core/conversion.h"

#include <algorithm>
#include <bit>

namespace tagwell {

namespace {

// A character that a text control keeps inside its line as it is: no line
// break, separator, control character or half of a surrogate pair.
bool plainInLine(char16_t c)
{
    return (c >= 0x20 && c < 0x7F) || c == u'\t' || (c >= 0xA0 && c < 0x2028) || (c > 0x2029 && c < 0xD800);
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

// Tells each edit to the grouping as the scan finds it, with where it lands
// in the result, worked out without writing the result: a sign there is four
// characters, a removed tag none.
struct Tally {
    Grouping* grouping;
    std::ptrdiff_t grown = 0; // how much longer the result is than the text so far

    template <class Vector> void chunk(const char16_t*, std::size_t) {}
    template <class Vector> void block(const char16_t*, std::size_t) {}
    void kept(char16_t) {}
    void sign(char16_t, std::size_t at)
    {
        const std::size_t from = at + std::size_t(grown);
        grouping->edit(at, at + 1, from, from + 4);
        grown += 3;
    }
    void removed(std::size_t start, std::size_t end)
    {
        // Removing a tag between CR and LF would make one line break of two
        // for the text, but not for a control that holds CR LF as one.
        if (start > 0 && grouping->text[start - 1] == u'\r')
            grouping->giveUp();
        const std::size_t at = start + std::size_t(grown);
        grouping->edit(start, end, at, at);
        grown -= std::ptrdiff_t(end - start);
    }
    void opening()
    {
        grouping->edit(0, 0, 0, literals::OpenTag.size());
        grown += std::ptrdiff_t(literals::OpenTag.size());
    }
    void closing(std::size_t at)
    {
        const std::size_t from = at + std::size_t(grown);
        grouping->edit(at, at, from, from + literals::CloseTag.size());
    }
};

} // namespace

// Eight characters a step where the processor has vectors: most steps hold
// no line break.
bool hasLineLongerThan(std::u16string_view text, std::size_t limit)
{
    const char16_t* p = text.data();
    const char16_t* const end = p + text.size();
    const char16_t* lineStart = p;
#ifdef TAGWELL_SSE2
    const __m128i lf = _mm_set1_epi16(u'\n'), cr = _mm_set1_epi16(u'\r');
    for (; end - p >= 8; p += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        unsigned breaks = unsigned(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi16(v, lf), _mm_cmpeq_epi16(v, cr))));
        if (breaks == 0) {
            if (std::size_t(p + 8 - lineStart) > limit)
                return true;
            continue;
        }
        while (breaks != 0) {
            const char16_t* at = p + std::countr_zero(breaks) / 2;
            if (std::size_t(at - lineStart) > limit)
                return true;
            lineStart = at + 1;
            breaks &= breaks - 1;
            breaks &= breaks - 1; // both bytes of the unit
        }
    }
#endif
    for (; p != end; ++p) {
        if (*p == u'\n' || *p == u'\r') {
            if (std::size_t(p - lineStart) > limit)
                return true;
            lineStart = p + 1;
        }
    }
    return std::size_t(end - lineStart) > limit;
}

std::optional<ConversionPlan> planInPlace(std::u16string_view text, CheckState state, const InPlaceCosts& costs)
{
    if (costs.charactersPerEdit == 0 || hasLineLongerThan(text, costs.longestLine))
        return std::nullopt;
    // First the edits alone, in blocks, so that a text with edits everywhere
    // is given up early and nothing of it is written; then the result.
    Grouping grouping{text, costs, text.size() / costs.charactersPerEdit, {}};
    Tally tally{&grouping};
    Scanner<char16_t> scanner(state);
    scanner.start(tally);
    constexpr std::size_t Block = 16 * 1024;
    for (std::size_t at = 0; at < text.size() && !grouping.gaveUp; at += Block)
        scanner.feed(text.data() + at, std::min(Block, text.size() - at), tally);
    if (!grouping.gaveUp)
        scanner.finish(tally);
    if (grouping.gaveUp)
        return std::nullopt;
    return ConversionPlan{convertText(text, state), std::move(grouping.groups)};
}

} // namespace tagwell
