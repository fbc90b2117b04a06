#pragma once

#include "display/DisplayView.h"

#include <memory>

namespace vidrune {

// The window system view linked into the plug-in itself, where the build has one (the
// Win32 window on Windows); elsewhere windows come from a module loaded at run time.
class BuiltInView {
public:
    // Null when the build has none.
    static std::unique_ptr<DisplayView> Create();
};

} // namespace vidrune
