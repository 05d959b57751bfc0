// The help page handed to the program that Windows opens web addresses with,
// without waiting for it; no such program is a failure with its message.
#pragma once

#include "core/commands.h"

#include <windows.h>

namespace tagwell::win32 {

class ShellLauncher : public Launcher {
public:
    explicit ShellLauncher(HWND owner) : owner_(owner) {}
    void open(std::u16string_view address) override;

private:
    HWND owner_;
};

} // namespace tagwell::win32
