// Functions of the system's libraries that start-up should not wait for
// (the shell and COM load a dozen libraries): looked up when first needed.
#pragma once

#include <windows.h>

namespace tagwell::win32 {

// `Function` is the function's real type; nothing when it cannot be had.
template <class Function> Function* lookUp(const wchar_t* library, const char* name)
{
    HMODULE module = LoadLibraryW(library);
    if (module == nullptr)
        return nullptr;
    // GetProcAddress gives every function one type; the caller names the real one.
    return reinterpret_cast<Function*>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

} // namespace tagwell::win32
