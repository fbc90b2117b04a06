#pragma once

#include "platform/DynamicLibrary.h"
#include "vidrune.h"

#include <stdexcept>
#include <string>
#include <type_traits>

// Every export a host resolves by name.
#define VIDRUNE_PLUGIN_EXPORTS(X)                                                                  \
    X(AcqDeviceQuery)                                                                              \
    X(AcqDeviceSet)                                                                                \
    X(AcqGetLastError)                                                                             \
    X(AcqInputDeviceQuery)                                                                         \
    X(AcqInputDeviceSet)                                                                           \
    X(AcqInputModeQuery)                                                                           \
    X(AcqInputModeSet)                                                                             \
    X(AcquireStart)                                                                                \
    X(AcquireStop)                                                                                 \
    X(CloseDevice)                                                                                 \
    X(FreeDeviceResources)                                                                         \
    X(GetAcqDeviceId)                                                                              \
    X(GetAcqDeviceType)                                                                            \
    X(GetCurrentInputDevice)                                                                       \
    X(GetCurrentInputMode)                                                                         \
    X(GetDeviceHandle)                                                                             \
    X(GetFirstInputDeviceName)                                                                     \
    X(GetFirstInputModeName)                                                                       \
    X(GetInputDeviceId)                                                                            \
    X(GetInputDeviceType)                                                                          \
    X(GetInputModeId)                                                                              \
    X(GetNextInputDeviceName)                                                                      \
    X(GetNextInputModeName)                                                                        \
    X(GetNumInputDevices)                                                                          \
    X(GetNumInputModes)                                                                            \
    X(InitializeDevice)                                                                            \
    X(OpenDevice)                                                                                  \
    X(ReadDevice)                                                                                  \
    X(SetCurrentInputDevice)

namespace vidrune::test {

// libvidrune.so loaded as a host loads it, with every export resolved by name.
class PluginLibrary {
public:
    PluginLibrary() : library_(VIDRUNE_LIBRARY_PATH) {
        if (!library_.IsLoaded())
            throw std::runtime_error("cannot load the plug-in: " + library_.Error());
#define VIDRUNE_RESOLVE(name) Resolve(name, #name);
        VIDRUNE_PLUGIN_EXPORTS(VIDRUNE_RESOLVE)
#undef VIDRUNE_RESOLVE
    }

    // The mode is chosen through the device object, as a host does.
    int32_t SetCurrentInputMode(uint32_t modeId) {
        VidruneDevice* device = GetDeviceHandle();
        return device->ops->SetCurrentInputMode(device, modeId);
    }

#define VIDRUNE_DECLARE(name) decltype(&::name) name = nullptr;
    VIDRUNE_PLUGIN_EXPORTS(VIDRUNE_DECLARE)
#undef VIDRUNE_DECLARE

    // The header's function-pointer type of each export is the type of the export itself, as
    // a host that resolves it by name relies on.
#define VIDRUNE_SAME_TYPE(name) static_assert(std::is_same_v<decltype(&::name), Vidrune##name##Fn>);
    VIDRUNE_PLUGIN_EXPORTS(VIDRUNE_SAME_TYPE)
#undef VIDRUNE_SAME_TYPE

private:
    template <typename Function>
    void Resolve(Function& function, const char* name) {
        function = reinterpret_cast<Function>(library_.Symbol(name));
        if (function == nullptr)
            throw std::runtime_error(std::string("missing export ") + name);
    }

    platform::DynamicLibrary library_;
};

} // namespace vidrune::test
