// Applies the conversion's edits, or a plan's replacements, to a text from the
// last to the first as an editor applies them, checking that they keep the
// order and bounds promised.
// Standard C++ only, for the suites and the fuzz targets alike.
#pragma once

#include "core/conversion_edits.h"
#include "core/in_place.h"

#include <optional>
#include <string>
#include <vector>

// Empty when an edit lies outside the text or out of order.
template <class Ch>
std::optional<std::basic_string<Ch>> applyConversionEdits(std::basic_string<Ch> text, tagwell::CheckState state)
{
    std::vector<tagwell::Edit> edits;
    tagwell::forEachConversionEdit(std::basic_string_view<Ch>(text), state,
                                   [&edits](const tagwell::Edit& e) { edits.push_back(e); });
    for (std::size_t i = 0; i < edits.size(); ++i) {
        if (edits[i].start > edits[i].end || edits[i].end > text.size() || (i > 0 && edits[i - 1].end > edits[i].start))
            return std::nullopt;
    }
    for (auto e = edits.rbegin(); e != edits.rend(); ++e)
        text.replace(e->start, e->end - e->start, std::basic_string<Ch>(e->replacement.begin(), e->replacement.end()));
    return text;
}

// Applies a plan's replacements to the text it was made of, from the last to
// the first; empty when one lies outside the text or the result, or out of
// order.
inline std::optional<tagwell::Text> applyReplacements(tagwell::Text text, const tagwell::ConversionPlan& plan)
{
    const auto& edits = plan.inPlace;
    for (std::size_t i = 0; i < edits.size(); ++i) {
        if (edits[i].start > edits[i].end || edits[i].end > text.size() || edits[i].resultStart > edits[i].resultEnd ||
            edits[i].resultEnd > plan.result.size() || (i > 0 && edits[i - 1].end > edits[i].start))
            return std::nullopt;
    }
    for (auto e = edits.rbegin(); e != edits.rend(); ++e)
        text.replace(e->start, e->end - e->start, plan.result, e->resultStart, e->resultEnd - e->resultStart);
    return text;
}
