// The conversion as edits of the original text rather than a new text: where
// a text already sits in an editor, changing only the signs and tags in place
// costs far less than replacing the whole of it when signs are few.
#pragma once

#include "core/conversion.h"

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <string_view>
#include <vector>

namespace tagwell {

// The characters [start, end) of the original text give way to `replacement`.
struct Edit {
    std::size_t start;
    std::size_t end;
    std::string_view replacement; // ASCII
};

namespace detail {

struct Span {
    std::size_t start, end;
};

// Where the two removal passes take characters out of `text`, as spans of
// the original text, ascending and disjoint. The second pass searches what
// the first one left, so a closing tag can be made of pieces that the removal
// of an opening tag brought together: its span then covers that opening tag.
template <class Ch> std::vector<Span> removedTagSpans(std::basic_string_view<Ch> text)
{
    const auto open = widen<Ch>(literals::OpenTag);
    const auto close = widen<Ch>(literals::CloseTag);
    std::vector<Span> opens;
    for (auto pos = text.find(open); pos != text.npos; pos = text.find(open, pos + open.size()))
        opens.push_back({pos, pos + open.size()});
    std::vector<Span> spans;
    if (opens.empty()) {
        for (auto pos = text.find(close); pos != text.npos; pos = text.find(close, pos + close.size()))
            spans.push_back({pos, pos + close.size()});
        return spans;
    }
    // Match the closing tag over the text with the opening tags skipped. Its
    // '<' occurs only at its start, so a mismatch restarts the match at the
    // character that broke it, or at nothing.
    std::size_t matched = 0;
    std::size_t matchStart = 0;
    auto nextOpen = opens.begin();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (nextOpen != opens.end() && i == nextOpen->start) {
            i = nextOpen->end - 1;
            ++nextOpen;
            continue;
        }
        if (text[i] != close[matched])
            matched = 0;
        if (text[i] == close[matched]) {
            if (matched == 0)
                matchStart = i;
            if (++matched == close.size()) {
                spans.push_back({matchStart, i + 1});
                matched = 0;
            }
        }
    }
    // A closing tag's span covers the opening tags it was joined across.
    std::vector<Span> all;
    all.reserve(spans.size() + opens.size());
    std::merge(spans.begin(), spans.end(), opens.begin(), opens.end(), std::back_inserter(all),
               [](Span a, Span b) { return a.start < b.start; });
    std::vector<Span> disjoint;
    for (const Span& span : all) {
        if (!disjoint.empty() && span.start < disjoint.back().end)
            disjoint.back().end = std::max(disjoint.back().end, span.end);
        else
            disjoint.push_back(span);
    }
    return disjoint;
}

} // namespace detail

// Calls `edit(Edit)` for each edit that turns `text` into
// convertText(text, state), in ascending order and never overlapping: the
// opening tag inserted at 0, the removed tags and the escaped signs, the
// closing tag inserted at the end. Applied from the last to the first, each
// edit's positions still hold.
template <class Ch, class F> void forEachConversionEdit(std::basic_string_view<Ch> text, CheckState state, F&& edit)
{
    std::vector<detail::Span> removed;
    if (state == CheckState::Checked)
        removed = detail::removedTagSpans(text);
    removed.push_back({text.size(), text.size()});

    edit(Edit{0, 0, literals::OpenTag});
    std::size_t at = 0;
    for (const detail::Span& span : removed) {
        for (std::size_t i = at; i < span.start; ++i) {
            if (text[i] == Ch('<'))
                edit(Edit{i, i + 1, literals::LessThanEntity});
            else if (text[i] == Ch('>'))
                edit(Edit{i, i + 1, literals::GreaterThanEntity});
        }
        if (span.start < span.end)
            edit(Edit{span.start, span.end, {}});
        at = span.end;
    }
    edit(Edit{text.size(), text.size(), literals::CloseTag});
}

} // namespace tagwell
