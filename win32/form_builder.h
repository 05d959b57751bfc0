// The form's rows as Win32 controls: one loop makes each row's control in
// tab order (the order of creation is the order Tab follows), and places it
// by its twips at a DPI. The window's own size and the text area's resize
// rule stay with the window (main_window.h).
#pragma once

#include "core/form.h"

#include <windows.h>

#include <array>

namespace tagwell::win32 {

using Controls = std::array<HWND, form::Controls.size()>;

// A control's id for WM_COMMAND: past IDOK and IDCANCEL, which dialog keys
// send on their own.
constexpr int controlId(form::Id id)
{
    return 100 + int(id);
}

// The id's row, or nothing for an id that is no control's.
const form::Control* rowOf(int controlId);

// Creates every row's control in `parent`, captioned and with its initial
// state, but not yet placed.
Controls createControls(HWND parent);

// Moves and sizes each control to its twips at `dpi`, and gives it `font`.
void placeControls(const Controls& controls, int dpi, HFONT font);

// The captions and the title: what the controls' font has to cover.
std::array<std::u16string_view, form::Controls.size() + 1> captionsAndTitle();

} // namespace tagwell::win32
