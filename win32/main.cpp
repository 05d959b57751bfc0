// tagwell.exe: the window and its message loop (main_window.h).
#include "win32/main_window.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show)
{
    return tagwell::win32::runProgram(instance, show);
}
