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

__attribute__((constructor)) void AttachProcess() {
    auto instance = new (std::nothrow) Instance;
    if (instance == nullptr)
        return;
    try {
        instance->device = std::make_unique<CVidrune>("STRAVIK2 MONO");
        instance->host = std::make_unique<HostDevice>(instance->device.get());
    } catch (const std::bad_alloc&) {
        delete instance;
        return;
    }
    g_instance = instance;
}

__attribute__((destructor)) void DetachProcess() {
    delete g_instance;
    g_instance = nullptr;
}

} // namespace

CAcqDevice* Plugin::Device() {
    return g_instance != nullptr ? g_instance->device.get() : nullptr;
}

VidruneDevice* Plugin::Handle() {
    return g_instance != nullptr ? g_instance->host->Handle() : nullptr;
}

} // namespace vidrune
