// The text area's context menu. The control's own menu offers Undo only
// while its one-level undo buffer is full, which the document's writes
// empty; this one has the same commands and Redo, with Undo and Redo as the
// document's history has them.
#pragma once

#include <windows.h>

namespace tagwell::win32 {

// At `where` (screen coordinates; -1, -1 from the keyboard: the control's
// middle). Undo and Redo go to `window` as its HistoryCommands.
void showContextMenu(HWND textArea, HWND window, bool canUndo, bool canRedo, POINT where);

} // namespace tagwell::win32
