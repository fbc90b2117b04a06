// The Win32 window is part of the plug-in on Windows; its resources come from
// DispResources.dll at run time.
#include "display/BuiltInView.h"

#include "display/win32/Win32View.h"

namespace vidrune {

std::unique_ptr<DisplayView> BuiltInView::Create() {
    return std::make_unique<Win32View>();
}

} // namespace vidrune
