#include "display/BuiltInView.h"

namespace vidrune {

// Linux builds show their window through the Qt module that DisplayViewLoader loads.
std::unique_ptr<DisplayView> BuiltInView::Create() {
    return nullptr;
}

} // namespace vidrune
