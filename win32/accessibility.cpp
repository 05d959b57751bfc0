#include "win32/accessibility.h"

#include "core/form.h"
#include "win32/late_library.h"
#include "win32/wide.h"

#include <initguid.h>
#include <objbase.h>
#include <oleacc.h>

#include <string>

namespace tagwell::win32 {

namespace {

} // namespace

void nameTextArea(HWND textArea)
{
    // COM comes from ole32, loaded here rather than at start-up, in the
    // single-threaded apartment that the shell wants later too.
    auto* initialize = lookUp<HRESULT WINAPI(void*, DWORD)>(L"ole32.dll", "CoInitializeEx");
    auto* create = lookUp<HRESULT WINAPI(REFCLSID, IUnknown*, DWORD, REFIID, void**)>(L"ole32.dll", "CoCreateInstance");
    if (initialize == nullptr || create == nullptr)
        return;
    initialize(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    IAccPropServices* services = nullptr;
    if (FAILED(create(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices,
                      reinterpret_cast<void**>(&services))) ||
        services == nullptr)
        return;
    const std::wstring name(wide(form::TextAreaName));
    services->SetHwndPropStr(textArea, DWORD(OBJID_CLIENT), CHILDID_SELF, PROPID_ACC_NAME, name.c_str());
    services->Release();
}

} // namespace tagwell::win32
