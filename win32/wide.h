// The core's 16-bit texts as the wide strings of the Windows API and back:
// both are UTF-16 code units here, so the one is the other's bytes. And a
// window's text, as such a string.
#pragma once

#include <windows.h>

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

inline std::wstring windowText(HWND window)
{
    std::wstring text(std::size_t(GetWindowTextLengthW(window)), L'\0');
    text.resize(std::size_t(GetWindowTextW(window, text.data(), int(text.size() + 1))));
    return text;
}

} // namespace tagwell::win32
