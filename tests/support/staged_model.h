// The conversion as first defined, one whole-text replace-all after another:
// the pre tags, then "<", then ">", then the wrap. The yardstick that the
// one-scan conversion, its stream and its edits must match. Standard C++
// only, for the suites and the fuzz targets alike.
#pragma once

#include "core/scanner.h"

#include <string>
#include <string_view>
#include <vector>

// Every occurrence of `from` replaced by `to`, searched left to right; the
// search resumes after each match, so matches never overlap and inserted text
// is never searched again. An empty `from` leaves the text as it is. Both are
// ASCII, widened to the text's character type.
template <class Ch>
std::basic_string<Ch> replaceAll(std::basic_string_view<Ch> text, std::string_view from, std::string_view to)
{
    if (from.empty())
        return std::basic_string<Ch>(text);
    const std::basic_string<Ch> pattern(from.begin(), from.end());
    std::basic_string<Ch> out;
    std::size_t start = 0;
    for (auto pos = text.find(pattern); pos != text.npos; pos = text.find(pattern, start)) {
        out.append(text.substr(start, pos - start)).append(to.begin(), to.end());
        start = pos + pattern.size();
    }
    out.append(text.substr(start));
    return out;
}

// The text after each stage, the original first: with the box checked five
// texts (the tags removed, then each sign, then the wrap), otherwise four.
template <class Ch>
std::vector<std::basic_string<Ch>> stagedTexts(std::basic_string_view<Ch> text, tagwell::CheckState state)
{
    std::vector<std::basic_string<Ch>> stages{std::basic_string<Ch>(text)};
    const auto last = [&stages] { return std::basic_string_view<Ch>(stages.back()); };
    if (state == tagwell::CheckState::Checked) {
        const auto withoutOpenTags = replaceAll<Ch>(last(), "<pre>", "");
        stages.push_back(replaceAll<Ch>(withoutOpenTags, "</pre>", ""));
    }
    stages.push_back(replaceAll<Ch>(last(), "<", "&lt;"));
    stages.push_back(replaceAll<Ch>(last(), ">", "&gt;"));
    const std::string_view open = "<pre>", close = "</pre>";
    std::basic_string<Ch> wrapped(open.begin(), open.end());
    wrapped.append(stages.back()).append(close.begin(), close.end());
    stages.push_back(std::move(wrapped));
    return stages;
}

template <class Ch> std::basic_string<Ch> stagedModel(std::basic_string_view<Ch> text, tagwell::CheckState state)
{
    return stagedTexts(text, state).back();
}
