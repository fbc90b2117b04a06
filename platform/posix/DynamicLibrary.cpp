// POSIX implementation of platform/DynamicLibrary.h; only POSIX code here.
#include "platform/DynamicLibrary.h"

#include <dlfcn.h>

namespace vidrune::platform {

DynamicLibrary::DynamicLibrary(const std::string& path, bool keepLoaded) {
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | (keepLoaded ? RTLD_NODELETE : 0));
    if (handle_ == nullptr) {
        const char* message = dlerror();
        error_ = message != nullptr ? message : "cannot load " + path;
    }
}

DynamicLibrary::~DynamicLibrary() {
    if (handle_ != nullptr)
        dlclose(handle_);
}

void* DynamicLibrary::Symbol(const char* name) const {
    return handle_ != nullptr ? dlsym(handle_, name) : nullptr;
}

} // namespace vidrune::platform
