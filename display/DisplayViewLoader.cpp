#include "display/DisplayViewLoader.h"

#include "display/BuiltInView.h"
#include "display/HeadlessView.h"
#include "platform/DynamicLibrary.h"
#include "platform/FileSystem.h"

#include <cstdlib>
#include <cstring>

namespace vidrune {

namespace {

using Factory = DisplayView* (*)();

// Loaded at most once and never unloaded: Qt keeps process-wide state that must outlive
// every view, and a window system library does not take being unloaded well.
platform::DynamicLibrary* ViewModule() {
    static const std::unique_ptr<platform::DynamicLibrary> module =
        []() -> std::unique_ptr<platform::DynamicLibrary> {
        using platform::FileSystem;
        // Builds with a built-in window (Windows) name no module.
        const std::string name = VIDRUNE_VIEW_MODULE;
        const std::string folder = FileSystem::FolderOf(
            FileSystem::ModulePathOf(reinterpret_cast<const void*>(&ViewModule)));
        if (name.empty() || folder.empty())
            return nullptr;
        const std::string path =
            FileSystem::Join(FileSystem::Join(folder, DisplayViewLoader::kModuleFolder), name);
        if (FileSystem::KindOf(path) != FileSystem::Kind::File)
            return nullptr;
        return std::make_unique<platform::DynamicLibrary>(path, true);
    }();
    return module && module->IsLoaded() ? module.get() : nullptr;
}

// Whether a window system could be reached at all; without one the module is not loaded.
bool WindowSystemNamed() {
    for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0')
            return true;
    }
    return false;
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
    if (auto view = BuiltInView::Create())
        return view;
    if (!WindowSystemNamed())
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
