#include "win32/message_box.h"

#include "win32/dpi.h"
#include "win32/fonts.h"
#include "win32/wide.h"

#include <algorithm>
#include <string>

namespace tagwell::win32 {

namespace {

// The box's text control, as MessageBoxW makes it.
constexpr int MessageTextId = 0xFFFF;

struct Pending {
    HHOOK hook;
    HFONT font;
};
thread_local Pending* pending = nullptr;

SIZE textSize(HWND control, HFONT font, const std::wstring& text)
{
    HDC dc = GetDC(control);
    HGDIOBJ previous = SelectObject(dc, font);
    RECT needed{0, 0, 0, 0};
    DrawTextW(dc, text.c_str(), int(text.size()), &needed, DT_CALCRECT | DT_EXPANDTABS | DT_NOPREFIX);
    SelectObject(dc, previous);
    ReleaseDC(control, dc);
    return {needed.right, needed.bottom};
}

// The box's text in the font, the text control and the box as much larger as
// the text needs, its buttons moved along.
void refont(HWND box, HFONT font)
{
    HWND text = GetDlgItem(box, MessageTextId);
    if (text == nullptr)
        return;
    const std::wstring words = windowText(text);
    SendMessageW(text, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);

    RECT place{};
    GetWindowRect(text, &place);
    MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&place), 2);
    const SIZE needed = textSize(text, font, words);
    const int wider = std::max(0L, needed.cx - (place.right - place.left));
    const int higher = std::max(0L, needed.cy - (place.bottom - place.top));
    if (wider == 0 && higher == 0)
        return;
    SetWindowPos(text, nullptr, 0, 0, place.right - place.left + wider, place.bottom - place.top + higher,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    for (HWND child = GetWindow(box, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t type[16] = {};
        GetClassNameW(child, type, 16);
        if (CompareStringOrdinal(type, -1, L"Button", -1, TRUE) != CSTR_EQUAL)
            continue;
        RECT button{};
        GetWindowRect(child, &button);
        MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&button), 2);
        SetWindowPos(child, nullptr, button.left + wider / 2, button.top + higher, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    RECT outer{};
    GetWindowRect(box, &outer);
    SetWindowPos(box, nullptr, outer.left - wider / 2, outer.top - higher / 2, outer.right - outer.left + wider,
                 outer.bottom - outer.top + higher, SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CALLBACK watch(int code, WPARAM wParam, LPARAM lParam)
{
    Pending* box = pending;
    if (box == nullptr)
        return 0;
    if (code == HCBT_ACTIVATE) {
        // The first window the call activates is the box.
        pending = nullptr;
        UnhookWindowsHookEx(box->hook);
        refont(reinterpret_cast<HWND>(wParam), box->font);
        return 0;
    }
    return CallNextHookEx(box->hook, code, wParam, lParam);
}

} // namespace

void showFailure(HWND owner, std::u16string_view message, std::u16string_view title, HFONT font)
{
    const std::wstring text(wide(message));
    const std::wstring caption(wide(title));
    const Font systemFont = systemMessageFont(dpiOf(owner));
    // Line breaks have no glyph in any font.
    std::u16string printed(message);
    std::erase_if(printed, [](char16_t c) { return c < u' '; });
    const std::u16string_view texts[] = {printed};
    Pending box{nullptr, font};
    if (font != nullptr && !covers(systemFont.get(), texts) && covers(font, texts)) {
        box.hook = SetWindowsHookExW(WH_CBT, watch, nullptr, GetCurrentThreadId());
        pending = box.hook != nullptr ? &box : nullptr;
    }
    MessageBoxW(owner, text.c_str(), caption.c_str(), MB_OK | MB_ICONERROR);
    if (pending == &box) {
        pending = nullptr;
        UnhookWindowsHookEx(box.hook);
    }
}

} // namespace tagwell::win32
