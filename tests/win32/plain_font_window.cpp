// tagwell-plain-font-window: the window with its controls in the system's
// message font as it is, without the font choice, for the font check under
// wine to prove that it sees the empty boxes that this font shows there.
#include "win32/main_window.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show)
{
    return tagwell::win32::runProgram(instance, show, tagwell::win32::systemMessageFont);
}
