#include "win32/keys.h"

#include "win32/context_menu.h"
#include "win32/document.h"

#include <commctrl.h>

namespace tagwell::win32 {

namespace {

bool held(int key)
{
    return (GetKeyState(key) & 0x8000) != 0;
}

LRESULT CALLBACK textAreaProc(HWND area, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data)
{
    const auto& owner = *reinterpret_cast<const TextAreaOwner*>(data);
    const HWND window = owner.window;
    switch (message) {
    case WM_GETDLGCODE: {
        // A multi-line edit wants every key; Tab and Escape are the dialog
        // keys' (Escape would even close the window).
        LRESULT code = DefSubclassProc(area, message, wParam, lParam);
        if (const auto* key = reinterpret_cast<const MSG*>(lParam);
            key != nullptr && key->message == WM_KEYDOWN && (key->wParam == VK_TAB || key->wParam == VK_ESCAPE))
            code &= ~LRESULT(DLGC_WANTALLKEYS | DLGC_WANTTAB | DLGC_WANTMESSAGE);
        return code;
    }
    case WM_UNDO:
    case EM_UNDO:
        SendMessageW(window, WM_COMMAND, UndoCommand, 0);
        return TRUE;
    case EM_CANUNDO:
        return owner.document->canUndo();
    case WM_CONTEXTMENU:
        showContextMenu(area, window, owner.document->canUndo(), owner.document->canRedo(),
                        {short(LOWORD(lParam)), short(HIWORD(lParam))});
        return 0;
    case WM_NCDESTROY:
        RemoveWindowSubclass(area, textAreaProc, 0);
        break;
    default:
        break;
    }
    return DefSubclassProc(area, message, wParam, lParam);
}

} // namespace

bool takeKey(const MSG& message, HWND textArea, HWND window)
{
    if (message.hwnd != textArea || message.message != WM_KEYDOWN || !held(VK_CONTROL) || held(VK_MENU))
        return false;
    const bool shift = held(VK_SHIFT);
    switch (message.wParam) {
    case VK_TAB:
        if (shift)
            return false;
        SendMessageW(textArea, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"\t"));
        return true;
    case 'Z':
        SendMessageW(window, WM_COMMAND, shift ? RedoCommand : UndoCommand, 0);
        return true;
    case 'Y':
        if (shift)
            return false;
        SendMessageW(window, WM_COMMAND, RedoCommand, 0);
        return true;
    default:
        return false;
    }
}

void watchTextArea(HWND textArea, const TextAreaOwner& owner)
{
    SetWindowSubclass(textArea, textAreaProc, 0, reinterpret_cast<DWORD_PTR>(&owner));
}

} // namespace tagwell::win32
