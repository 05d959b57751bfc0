// Form1, the program's only window on Windows: a row of five buttons and a
// check box above the text area WenBen, which holds the document.
//
// The window is built from the form's rows (core/form.h, form_builder.h):
// each row one control, in tab order, its twips turned into pixels at the
// window's DPI (per monitor; WM_DPICHANGED places every control again from
// the twips), in a font that has the captions' glyphs (fonts.h). A click
// reaches the window as WM_COMMAND with the control's id; the row's command
// runs through the core (core/commands.h: run()) against WenBen's document
// (document.h), the box, the clipboard and the launcher, under the busy
// cursor, and what it wrote reaches the control at its commit as one step of
// the document's history. A failure becomes run()'s message, in a message
// box with the window's title once the cursor is back (message_box.h), and
// the program goes on. At load the window measures the margins of core/layout.h in twips;
// every WM_SIZE keeps them (a minimized window, 0 x 0, changes nothing).
// Keys: keys.h.
#pragma once

#include "core/commands.h"
#include "core/layout.h"
#include "win32/clipboard.h"
#include "win32/document.h"
#include "win32/dpi.h"
#include "win32/fonts.h"
#include "win32/form_builder.h"
#include "win32/keys.h"
#include "win32/launcher.h"

#include <windows.h>

#include <optional>
#include <string>

namespace tagwell::win32 {

class Form1 {
public:
    // The controls' font for a DPI; fontFor() unless a yardstick says otherwise.
    using FontChoice = Font (*)(int dpi);

    explicit Form1(HINSTANCE instance, FontChoice fonts = captionFont);
    ~Form1();
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    HWND window() const { return window_; }
    HWND control(form::Id id) const { return controls_[std::size_t(id)]; }

    // Before IsDialogMessageW: the keys that the window answers itself.
    bool takeMessage(MSG& message);

    static Font captionFont(int dpi);

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void create();
    void place(int dpi);
    void resize(int width, int height);
    void command(int id);
    void runCommand(Command command);
    void runHistory(bool redo);
    void report(const std::u16string& message);

    HINSTANCE instance_;
    FontChoice fonts_;
    HWND window_ = nullptr;
    Controls controls_{};
    Font font_;
    int dpi_ = DefaultDpi;
    layout::Margins margins_;
    std::optional<WenBenDocument> document_;
    std::optional<WindowsClipboard> clipboard_;
    std::optional<ShellLauncher> launcher_;
    TextAreaOwner textAreaOwner_{};
    HWND lastFocus_ = nullptr;
    bool activated_ = false;
};

// The program around the window: the common controls, the window in
// `fonts`, shown as `show` asks, and the message loop, which gives the
// window its keys before the controls get them. Its exit status.
int runProgram(HINSTANCE instance, int show, Form1::FontChoice fonts = Form1::captionFont);

} // namespace tagwell::win32
