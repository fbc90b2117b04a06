// Win32 implementation of platform/DynamicLibrary.h; only Win32 code here.
#include "platform/DynamicLibrary.h"

#include "platform/win32/SystemError.h"
#include "platform/win32/WindowsHeaders.h"

namespace vidrune::platform {

DynamicLibrary::DynamicLibrary(const std::string& path, bool keepLoaded) {
    HMODULE module = ::LoadLibraryA(path.c_str());
    if (module == nullptr) {
        error_ = "cannot load " + path + ": " + SystemError::LastErrorText();
        return;
    }
    // A pinned module stays in the process whatever FreeLibrary calls follow. Found by
    // its address, as the name lookup would not take every path LoadLibraryA takes.
    HMODULE pinned = nullptr;
    if (keepLoaded)
        ::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                             reinterpret_cast<LPCSTR>(module), &pinned);
    handle_ = module;
}

DynamicLibrary::~DynamicLibrary() {
    if (handle_ != nullptr)
        ::FreeLibrary(static_cast<HMODULE>(handle_));
}

void* DynamicLibrary::Symbol(const char* name) const {
    if (handle_ == nullptr)
        return nullptr;
    return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(handle_), name));
}

} // namespace vidrune::platform
