#include "display/qt/QtView.h"

#include <cstdlib>
#include <memory>
#include <string>

// The entry point the plug-in looks up when it loads this module.
extern "C" __attribute__((visibility("default"))) vidrune::DisplayView* VidruneCreateDisplayView() {
    const char* choice = std::getenv("VIDRUNE_DISPLAY");
    if (choice != nullptr && std::string(choice) == "headless")
        return nullptr;
    if (!vidrune::QtView::DisplayAvailable())
        return nullptr;
    auto view = std::make_unique<vidrune::QtView>();
    if (!view->Usable())
        return nullptr;
    return view.release();
}
