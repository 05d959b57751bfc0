// Functions of the system's libraries found when first needed: those of
// newer Windows versions, and those that start-up should not wait for (the
// shell and COM load a dozen libraries).
#pragma once

#include <objbase.h>
#include <windows.h>

namespace tagwell::win32 {

// A function of a library already loaded (one that an older Windows may
// lack): `Function` is its real type; nothing when it cannot be had.
template <class Function> Function* functionIn(HMODULE module, const char* name)
{
    if (module == nullptr)
        return nullptr;
    // GetProcAddress gives every function one type; the caller names the real one.
    return reinterpret_cast<Function*>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// The same, loading the library first.
template <class Function> Function* lookUp(const wchar_t* library, const char* name)
{
    return functionIn<Function>(LoadLibraryW(library), name);
}

// COM for this thread, in the single-threaded apartment that the shell
// wants, once: loaded with its first use rather than at start-up. False
// when ole32 cannot be had.
inline bool enterComApartment()
{
    static const bool entered = [] {
        auto* initialize = lookUp<HRESULT WINAPI(void*, DWORD)>(L"ole32.dll", "CoInitializeEx");
        if (initialize == nullptr)
            return false;
        initialize(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
        return true;
    }();
    return entered;
}

} // namespace tagwell::win32
