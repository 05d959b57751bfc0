// tagwell-probe: what a Windows program sees of the running window, for the
// suites under wine: its client size and, in tab order, each control's
// class, id, place, styles, check state and caption, and which one has the
// keyboard focus. (Not its font: GDI handles do not cross processes here.) UTF-8, one line each:
//   client W H
//   control ID CLASS X Y W H focus=0|1 check=N vscroll=0|1 hscroll=0|1 wrap=0|1 tabstop=0|1 text=CAPTION
// Exits 1 when no window of the class is open.
//   tagwell-probe [CLASS]
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::string utf8(const std::wstring& text)
{
    if (text.empty())
        return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(std::size_t(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

std::wstring textOf(HWND window)
{
    std::wstring text(std::size_t(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(std::size_t(GetWindowTextW(window, text.data(), int(text.size()))));
    return text;
}

std::wstring classOf(HWND window)
{
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const wchar_t* type = argc > 1 ? argv[1] : L"Tagwell.Form1";
    HWND form = FindWindowW(type, nullptr);
    if (form == nullptr) {
        std::fprintf(stderr, "tagwell-probe: no window of that class\n");
        return 1;
    }
    GUITHREADINFO thread{};
    thread.cbSize = sizeof thread;
    GetGUIThreadInfo(GetWindowThreadProcessId(form, nullptr), &thread);

    RECT client{};
    GetClientRect(form, &client);
    std::printf("client %ld %ld\n", client.right, client.bottom);
    // Children come in z-order, which is the order Tab follows.
    for (HWND child = GetWindow(form, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT place{};
        GetWindowRect(child, &place);
        MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&place), 2);
        const LONG style = GetWindowLongW(child, GWL_STYLE);
        const bool edit = classOf(child) == L"Edit" || classOf(child) == L"EDIT";
        std::printf("control %d %s %ld %ld %ld %ld focus=%d check=%ld vscroll=%d hscroll=%d wrap=%d tabstop=%d "
                    "text=%s\n",
                    GetDlgCtrlID(child), utf8(classOf(child)).c_str(), place.left, place.top, place.right - place.left,
                    place.bottom - place.top, child == thread.hwndFocus,
                    edit ? -1L : long(SendMessageW(child, BM_GETCHECK, 0, 0)), (style & WS_VSCROLL) != 0,
                    (style & WS_HSCROLL) != 0, edit && (style & ES_MULTILINE) && !(style & ES_AUTOHSCROLL),
                    (style & WS_TABSTOP) != 0, edit ? "" : utf8(textOf(child)).c_str());
    }
    return 0;
}
