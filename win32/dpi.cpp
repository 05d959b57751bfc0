#include "win32/dpi.h"

#include "core/form.h"
#include "win32/late_library.h"

#include <cmath>

namespace tagwell::win32 {

namespace {

// The functions of newer Windows versions, where the system has them.
template <class Function> Function* user32(const char* name)
{
    return functionIn<Function>(GetModuleHandleW(L"user32.dll"), name);
}

int systemDpi()
{
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : DefaultDpi;
}

} // namespace

int dpiOf(HWND window)
{
    static auto* const forWindow = user32<UINT WINAPI(HWND)>("GetDpiForWindow");
    if (forWindow != nullptr && window != nullptr) {
        if (const UINT dpi = forWindow(window); dpi > 0)
            return int(dpi);
    }
    return systemDpi();
}

int pixelsOf(double twips, int dpi)
{
    return int(std::lround(twips * dpi / form::TwipsPerInch));
}

double twipsOf(int pixels, int dpi)
{
    return double(pixels) * form::TwipsPerInch / dpi;
}

SIZE windowSizeFor(int width, int height, DWORD style, DWORD exStyle, int dpi)
{
    static auto* const forDpi = user32<BOOL WINAPI(RECT*, DWORD, BOOL, DWORD, UINT)>("AdjustWindowRectExForDpi");
    RECT rect{0, 0, width, height};
    if (forDpi == nullptr || !forDpi(&rect, style, FALSE, exStyle, UINT(dpi)))
        AdjustWindowRectEx(&rect, style, FALSE, exStyle);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

NONCLIENTMETRICSW nonClientMetrics(int dpi)
{
    static auto* const forDpi = user32<BOOL WINAPI(UINT, UINT, void*, UINT, UINT)>("SystemParametersInfoForDpi");
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (forDpi != nullptr && forDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, UINT(dpi)))
        return metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    // The system-wide metrics are at the system's DPI.
    const int system = systemDpi();
    metrics.lfMessageFont.lfHeight = MulDiv(metrics.lfMessageFont.lfHeight, dpi, system);
    return metrics;
}

} // namespace tagwell::win32
