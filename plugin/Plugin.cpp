#include "plugin/Plugin.h"

#include "board/CVidrune.h"

#include <new>

namespace vidrune {

namespace {

struct Instance {
    std::unique_ptr<CVidrune> device;
    std::unique_ptr<HostDevice> host;
};

// The process-wide device, the one piece of global state the plug-in has.
Instance* g_instance = nullptr;

} // namespace

bool Plugin::Attach() {
    auto instance = new (std::nothrow) Instance;
    if (instance == nullptr)
        return false;
    try {
        instance->device = std::make_unique<CVidrune>("STRAVIK2 MONO");
        instance->host = std::make_unique<HostDevice>(instance->device.get());
    } catch (const std::bad_alloc&) {
        delete instance;
        return false;
    }
    g_instance = instance;
    return true;
}

void Plugin::Detach(bool processExiting) {
    // Other threads may have been stopped holding locks the device would take.
    if (processExiting)
        return;
    delete g_instance;
    g_instance = nullptr;
}

CAcqDevice* Plugin::Device() {
    return g_instance != nullptr ? g_instance->device.get() : nullptr;
}

VidruneDevice* Plugin::Handle() {
    return g_instance != nullptr ? g_instance->host->Handle() : nullptr;
}

} // namespace vidrune
