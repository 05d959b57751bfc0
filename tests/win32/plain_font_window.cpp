// tagwell-plain-font-window: the window with its controls in the system's
// message font as it is, without the font choice, for the font check under
// wine to prove that it sees the empty boxes that this font shows there.
#include "win32/main_window.h"

#include "win32/dpi.h"

namespace {

tagwell::win32::Font messageFontAsItIs(int dpi)
{
    const LOGFONTW font = tagwell::win32::messageFont(dpi);
    return tagwell::win32::Font(CreateFontIndirectW(&font));
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show)
{
    tagwell::win32::Form1 form(instance, messageFontAsItIs);
    ShowWindow(form.window(), show);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (form.takeMessage(message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
