#pragma once

#include <string>

namespace vidrune::platform {

// A shared library loaded at run time; unloaded when the object goes.
class DynamicLibrary {
public:
    // keepLoaded: the library stays in the process when this object goes, for libraries
    // whose state must outlive their users.
    explicit DynamicLibrary(const std::string& path, bool keepLoaded = false);
    ~DynamicLibrary();
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;

    bool IsLoaded() const { return handle_ != nullptr; }
    // Address of an exported symbol, or null.
    void* Symbol(const char* name) const;
    // Why the load failed, empty after success.
    const std::string& Error() const { return error_; }

private:
    void* handle_ = nullptr;
    std::string error_;
};

} // namespace vidrune::platform
