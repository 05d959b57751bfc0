// What screen readers are told of the window beyond what its controls say
// of themselves: the text area has no caption, so it is named by the form
// (form::TextAreaName) through the annotations Windows keeps for a window's
// accessible object (MSAA's dynamic annotation, which UI Automation reads
// too). Wine does not keep them: there the text area goes unnamed.
#pragma once

#include <windows.h>

namespace tagwell::win32 {

// Best effort: a system without the service leaves the control as it was.
void nameTextArea(HWND textArea);

} // namespace tagwell::win32
