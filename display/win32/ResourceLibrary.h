#pragma once

#include <string>

struct HINSTANCE__;

namespace vidrune {

// DispResources.dll, the display's dialogs, menu and icon: looked for beside the plug-in
// first, then by name as the system finds libraries (the host's folder, the path). Freed
// when the object goes.
class ResourceLibrary {
public:
    static constexpr const char* kDefaultName = "DispResources";

    explicit ResourceLibrary(const std::string& name = kDefaultName);
    ~ResourceLibrary();
    ResourceLibrary(const ResourceLibrary&) = delete;
    ResourceLibrary& operator=(const ResourceLibrary&) = delete;

    // Null when the library could not be loaded: no window can be made then.
    HINSTANCE__* Handle() const { return module_; }

private:
    HINSTANCE__* module_ = nullptr;
};

} // namespace vidrune
