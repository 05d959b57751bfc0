#include "win32/context_menu.h"

#include "win32/keys.h"

namespace tagwell::win32 {

namespace {

enum Item : UINT { Undo = 1, Redo, Cut, Copy, Paste, Delete, SelectAll };

} // namespace

void showContextMenu(HWND textArea, HWND window, bool canUndo, bool canRedo, POINT where)
{
    DWORD start = 0;
    DWORD end = 0;
    SendMessageW(textArea, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    const bool selection = start != end;
    const bool all = start == 0 && end == DWORD(GetWindowTextLengthW(textArea));
    const auto state = [](bool enabled) { return UINT(MF_STRING | (enabled ? MF_ENABLED : MF_GRAYED)); };

    // In the words the other desktops' text boxes use.
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, state(canUndo), Undo, L"&Undo\tCtrl+Z");
    AppendMenuW(menu, state(canRedo), Redo, L"&Redo\tCtrl+Y");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, state(selection), Cut, L"Cu&t\tCtrl+X");
    AppendMenuW(menu, state(selection), Copy, L"&Copy\tCtrl+C");
    AppendMenuW(menu, state(IsClipboardFormatAvailable(CF_UNICODETEXT)), Paste, L"&Paste\tCtrl+V");
    AppendMenuW(menu, state(selection), Delete, L"Delete");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, state(!all), SelectAll, L"Select All\tCtrl+A");

    if (where.x == -1 && where.y == -1) {
        RECT client{};
        GetClientRect(textArea, &client);
        where = {client.right / 2, client.bottom / 2};
        ClientToScreen(textArea, &where);
    }
    SetFocus(textArea);
    const UINT chosen = UINT(
        TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD, where.x, where.y, 0, textArea, nullptr));
    DestroyMenu(menu);

    switch (chosen) {
    case Undo:
        SendMessageW(window, WM_COMMAND, UndoCommand, 0);
        break;
    case Redo:
        SendMessageW(window, WM_COMMAND, RedoCommand, 0);
        break;
    case Cut:
        SendMessageW(textArea, WM_CUT, 0, 0);
        break;
    case Copy:
        SendMessageW(textArea, WM_COPY, 0, 0);
        break;
    case Paste:
        SendMessageW(textArea, WM_PASTE, 0, 0);
        break;
    case Delete:
        SendMessageW(textArea, WM_CLEAR, 0, 0);
        break;
    case SelectAll:
        SendMessageW(textArea, EM_SETSEL, 0, -1);
        break;
    default:
        break;
    }
}

} // namespace tagwell::win32
