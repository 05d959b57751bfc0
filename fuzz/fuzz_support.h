// What the fuzz targets share: a check that stops the run with a message, a
// deliberately naive model of the conversion to compare against, and the
// mapping of fuzzer bytes to 16-bit text.
#pragma once

#include "core/conversion.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#define FUZZ_CHECK(condition)                                                                                          \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);                         \
            std::abort();                                                                                              \
        }                                                                                                              \
    } while (false)

namespace fuzz {

// Find, replace, search on after the replacement: the textbook loop, with no
// counting, no sizing and no scanning tricks.
template <class Ch> void naiveReplace(std::basic_string<Ch>& text, std::string_view from, std::string_view to)
{
    const std::basic_string<Ch> pattern(from.begin(), from.end());
    const std::basic_string<Ch> replacement(to.begin(), to.end());
    for (auto pos = text.find(pattern); pos != text.npos; pos = text.find(pattern, pos + replacement.size()))
        text.replace(pos, pattern.size(), replacement);
}

// Each stage of the conversion, the text before the first.
template <class Ch>
std::vector<std::basic_string<Ch>> modelStages(std::basic_string<Ch> text, tagwell::CheckState state)
{
    std::vector<std::basic_string<Ch>> stages{text};
    if (state == tagwell::CheckState::Checked) {
        naiveReplace(text, "<pre>", "");
        naiveReplace(text, "</pre>", "");
        stages.push_back(text);
    }
    naiveReplace(text, "<", "&lt;");
    stages.push_back(text);
    naiveReplace(text, ">", "&gt;");
    stages.push_back(text);
    constexpr std::string_view open = "<pre>", close = "</pre>";
    text.insert(text.begin(), open.begin(), open.end());
    text.append(close.begin(), close.end());
    stages.push_back(text);
    return stages;
}

template <class Ch> std::basic_string<Ch> model(std::basic_string<Ch> text, tagwell::CheckState state)
{
    return modelStages(std::move(text), state).back();
}

// Bytes to UTF-16 code units. ASCII stays itself, so the dictionary's tags
// carry over; every other byte picks a unit that looks like a sign to a
// careless byte-wise scan, or one that text handling often gets wrong.
inline std::u16string unitsFromBytes(const std::uint8_t* data, std::size_t size)
{
    static constexpr char16_t odd[16] = {0x0000, 0x013C, 0x013E, 0x3C00, 0x3E00, 0x3C3C, 0xFF1C, 0xFF1E,
                                         0xD83D, 0xDE00, 0x2029, 0x00A0, 0x4E2D, 0xFFFF, 0xFEFF, 0x3E3C};
    std::u16string units(size, u'\0');
    for (std::size_t i = 0; i < size; ++i)
        units[i] = data[i] < 0x80 ? char16_t(data[i]) : odd[data[i] & 0x0F];
    return units;
}

// A copy in a heap block of exactly the text's size, so that AddressSanitizer
// sees any read past its end.
template <class Ch> std::unique_ptr<Ch[]> exactCopy(std::basic_string_view<Ch> text)
{
    auto copy = std::make_unique_for_overwrite<Ch[]>(text.size());
    std::copy(text.begin(), text.end(), copy.get());
    return copy;
}

} // namespace fuzz
