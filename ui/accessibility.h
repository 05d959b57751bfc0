// What screen readers are told of the window: Qt presents a top-level QWidget
// as a client area ("filler" to AT-SPI); Form1 is announced as a window,
// named by its caption.
#pragma once

namespace tagwell {

// Once per program, before the first window is shown.
void announceFormsAsWindows();

} // namespace tagwell
