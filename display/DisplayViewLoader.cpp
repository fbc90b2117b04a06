#include "display/DisplayViewLoader.h"

#include "display/HeadlessView.h"
#include "platform/DynamicLibrary.h"
#include "platform/FileSystem.h"

#include <cstdlib>
#include <cstring>
#include <mutex>

namespace vidrune {

namespace {

using Factory = DisplayView* (*)();

// The module stays loaded for the life of the process: views made by it may live as long.
platform::DynamicLibrary* ViewModule() {
    static std::once_flag once;
    static std::unique_ptr<platform::DynamicLibrary> module;
    std::call_once(once, [] {
        using platform::FileSystem;
        const std::string self =
            FileSystem::ModulePathOf(reinterpret_cast<const void*>(&ViewModule));
        const size_t slash = self.find_last_of(FileSystem::kSeparator);
        if (slash == std::string::npos)
            return;
        const std::string path = self.substr(0, slash + 1) + DisplayViewLoader::kModuleName;
        if (FileSystem::KindOf(path) == FileSystem::Kind::File)
            module = std::make_unique<platform::DynamicLibrary>(path);
    });
    return module && module->IsLoaded() ? module.get() : nullptr;
}

} // namespace

std::unique_ptr<DisplayView> DisplayViewLoader::Headless() {
    return std::make_unique<HeadlessView>(std::vector<MonitorInfo>{
        MonitorInfo{Rect{0, 0, 1920, 1080}, true},
        MonitorInfo{Rect{1920, 0, 3840, 1080}, false},
    });
}

std::unique_ptr<DisplayView> DisplayViewLoader::Load() {
    const char* wanted = std::getenv("VIDRUNE_DISPLAY");
    if (wanted != nullptr && std::strcmp(wanted, "headless") == 0)
        return Headless();
    if (platform::DynamicLibrary* module = ViewModule()) {
        if (auto factory = reinterpret_cast<Factory>(module->Symbol(kFactoryName))) {
            if (DisplayView* view = factory())
                return std::unique_ptr<DisplayView>(view);
        }
    }
    return Headless();
}

} // namespace vidrune
