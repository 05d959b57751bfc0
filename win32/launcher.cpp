#include "win32/launcher.h"

#include "win32/late_library.h"
#include "win32/wide.h"

#include <objbase.h>
#include <shellapi.h>

#include <string>

namespace tagwell::win32 {

namespace {

// The shell and COM load a dozen libraries, which the window's start-up
// would wait for: they come with the first Help instead. The shell wants
// COM in a single-threaded apartment on the thread that calls it.
auto* shellExecute()
{
    static auto* const execute = [] {
        enterComApartment();
        return lookUp<BOOL WINAPI(SHELLEXECUTEINFOW*)>(L"shell32.dll", "ShellExecuteExW");
    }();
    return execute;
}

} // namespace

void ShellLauncher::open(std::u16string_view address)
{
    auto* const execute = shellExecute();
    if (execute == nullptr)
        throw PlatformError(Failure::NoBrowser);
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
    if (!execute(&run))
        throw PlatformError(Failure::NoBrowser);
}

} // namespace tagwell::win32
