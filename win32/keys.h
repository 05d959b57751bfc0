// The keys as the desktop has them, where the Win32 controls differ. The
// message loop hands every message to takeKey() before IsDialogMessageW,
// which moves the focus on Tab and Shift+Tab round the controls in their tab
// order (WM_NEXTDLGCTL) and turns Enter into IDOK. In the text area, which
// would keep Tab and Escape for itself, Tab moves on, Ctrl+Tab types a tab,
// Ctrl+Z undoes and Ctrl+Y or Ctrl+Shift+Z redo through the document's own
// history; Enter starts a line.
#pragma once

#include <windows.h>

namespace tagwell::win32 {

class WenBenDocument;

// Undo and Redo reach the window as WM_COMMAND with these ids, from the keys
// and from the context menu alike, so that a failure is told as any other.
enum HistoryCommand : int { UndoCommand = 200, RedoCommand = 201 };

// Takes the text area's keys that the document's history answers, before
// the control sees them. True when the message is done with.
bool takeKey(const MSG& message, HWND textArea, HWND window);

// What the text area's subclass answers to; it must outlive the control.
struct TextAreaOwner {
    HWND window;
    const WenBenDocument* document;
};

// Subclasses the text area: the keys it leaves to the dialog keys, and its
// own Undo (Alt+Backspace, WM_UNDO) and context menu, which go to the
// history.
void watchTextArea(HWND textArea, const TextAreaOwner& owner);

} // namespace tagwell::win32
