// The core's 16-bit texts as the wide strings of the Windows API and back:
// both are UTF-16 code units here, so the one is the other's bytes.
#pragma once

#include <string>
#include <string_view>

namespace tagwell::win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "the Windows API's wide characters are UTF-16 units");

inline std::wstring_view wide(std::u16string_view text)
{
    return {reinterpret_cast<const wchar_t*>(text.data()), text.size()};
}

inline std::u16string_view units(std::wstring_view text)
{
    return {reinterpret_cast<const char16_t*>(text.data()), text.size()};
}

} // namespace tagwell::win32
