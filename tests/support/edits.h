// Applies the conversion's edits to a text, from the last to the first as an
// editor applies them, checking that they keep the order and bounds promised.
// Standard C++ only, for the suites and the fuzz targets alike.
#pragma once

#include "core/conversion_edits.h"

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
        text.replace(e->start, e->end - e->start, tagwell::widen<Ch>(e->replacement));
    return text;
}
