#include "win32/launcher.h"

#include "win32/wide.h"

#include <shellapi.h>

#include <string>

namespace tagwell::win32 {

void ShellLauncher::open(std::u16string_view address)
{
    const std::wstring target(wide(address));
    SHELLEXECUTEINFOW run{};
    run.cbSize = sizeof run;
    // The shell's own error box would come on top of ours: the failure is
    // the command's to tell.
    run.fMask = SEE_MASK_FLAG_NO_UI;
    run.hwnd = owner_;
    run.lpVerb = L"open";
    run.lpFile = target.c_str();
    run.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&run))
        throw PlatformError(Failure::NoBrowser);
}

} // namespace tagwell::win32
