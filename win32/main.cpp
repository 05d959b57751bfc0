// tagwell.exe: the window, and the message loop that gives the window its
// keys before the controls get them.
#include "win32/main_window.h"

#include <commctrl.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show)
{
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    tagwell::win32::Form1 form(instance);
    if (form.window() == nullptr)
        return 1;
    ShowWindow(form.window(), show);
    UpdateWindow(form.window());

    MSG message;
    int status;
    while ((status = GetMessageW(&message, nullptr, 0, 0)) > 0) {
        if (form.takeMessage(message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return status < 0 ? 1 : int(message.wParam);
}
