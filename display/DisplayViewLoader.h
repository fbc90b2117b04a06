#pragma once

#include "display/DisplayView.h"

#include <memory>

namespace vidrune {

// Finds the window system for the live display: the built-in view where the build has one
// (Win32), else the Qt view module in the vidrune/ folder beside the plug-in when a display
// server can be reached, otherwise a window in memory. VIDRUNE_DISPLAY=headless always
// gives the window in memory.
class DisplayViewLoader {
public:
    // The module's folder (below the plug-in's) and the function it exports; the build
    // names the module file. The folder keeps the module, which only the plug-in loads, out
    // of the linker's way in lib/.
    static constexpr const char* kModuleFolder = "vidrune";
    static constexpr const char* kFactoryName = "VidruneCreateDisplayView";

    static std::unique_ptr<DisplayView> Load();
    // The view used without a window system: two monitors, so that the window opens in the
    // normal state and draws.
    static std::unique_ptr<DisplayView> Headless();
};

} // namespace vidrune
