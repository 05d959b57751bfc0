// Dots per inch and what depends on them: the form's twips as this window's
// pixels and back, the frame around a client area, and the system's metrics
// at a given DPI. The per-monitor functions exist from Windows 10 on; older
// systems get their system-wide equivalents.
#pragma once

#include <windows.h>

namespace tagwell::win32 {

inline constexpr int DefaultDpi = USER_DEFAULT_SCREEN_DPI;

int dpiOf(HWND window);

// Rounded to the nearest pixel, so that 96 DPI gives exactly a fifteenth.
int pixelsOf(double twips, int dpi);
double twipsOf(int pixels, int dpi);

// The outer size of a window whose client area is `width` x `height`.
SIZE windowSizeFor(int width, int height, DWORD style, DWORD exStyle, int dpi);

NONCLIENTMETRICSW nonClientMetrics(int dpi);

} // namespace tagwell::win32
