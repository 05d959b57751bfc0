// The Windows clipboard as the commands' Clipboard, in CF_UNICODETEXT. The
// clipboard is one lock for the whole system: while another program holds
// it open, opening it is tried again for a short while (a few hundred
// milliseconds), then the command fails with its message.
#pragma once

#include "core/commands.h"

#include <windows.h>

#include <chrono>

namespace tagwell::win32 {

class WindowsClipboard : public Clipboard {
public:
    // `owner`: the window that owns what Copy puts there.
    explicit WindowsClipboard(HWND owner) : owner_(owner) {}

    Text text() const override;
    void setText(const Text& text) override;

    static constexpr std::chrono::milliseconds Patience{400};

private:
    HWND owner_;
};

} // namespace tagwell::win32
