#pragma once

#include "display/DisplayView.h"

#include <memory>

namespace vidrune {

// Finds the window system for the live display: the Qt view module beside the plug-in
// when a display server can be reached, otherwise a window in memory.
class DisplayViewLoader {
public:
    // The function the module exports; the build names the module file.
    static constexpr const char* kFactoryName = "VidruneCreateDisplayView";

    static std::unique_ptr<DisplayView> Load();
    // The view used without a window system: two monitors, so that the window opens in the
    // normal state and draws.
    static std::unique_ptr<DisplayView> Headless();
};

} // namespace vidrune
