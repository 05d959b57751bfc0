#include "win32/accessibility.h"

#include "core/form.h"
#include "win32/late_library.h"
#include "win32/wide.h"

#include <initguid.h>
#include <objbase.h>
#include <oleacc.h>

#include <string>

namespace tagwell::win32 {

void nameTextArea(HWND textArea)
{
    auto* create = lookUp<HRESULT WINAPI(REFCLSID, IUnknown*, DWORD, REFIID, void**)>(L"ole32.dll", "CoCreateInstance");
    if (!enterComApartment() || create == nullptr)
        return;
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
