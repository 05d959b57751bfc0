// The failures' message box: MessageBoxW with the window's title, its text in
// a font that has the message's glyphs. The box writes in the system's
// message font, which may have no Chinese (wine in the C locale): there the
// text takes the window's controls' font, and the box grows to fit it.
#pragma once

#include <windows.h>

#include <string_view>

namespace tagwell::win32 {

void showFailure(HWND owner, std::u16string_view message, std::u16string_view title, HFONT font);

} // namespace tagwell::win32
