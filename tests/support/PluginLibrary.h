#pragma once

#include "platform/DynamicLibrary.h"
#include "vidrune.h"

#include <stdexcept>
#include <string>

namespace vidrune::test {

// libvidrune.so loaded as a host loads it, with every export resolved by name.
class PluginLibrary {
public:
    PluginLibrary() : library_(VIDRUNE_LIBRARY_PATH) {
        if (!library_.IsLoaded())
            throw std::runtime_error("cannot load the plug-in: " + library_.Error());
        Resolve(AcqDeviceQuery, "AcqDeviceQuery");
        Resolve(AcqDeviceSet, "AcqDeviceSet");
        Resolve(AcqGetLastError, "AcqGetLastError");
        Resolve(AcqInputDeviceQuery, "AcqInputDeviceQuery");
        Resolve(AcqInputDeviceSet, "AcqInputDeviceSet");
        Resolve(AcqInputModeQuery, "AcqInputModeQuery");
        Resolve(AcqInputModeSet, "AcqInputModeSet");
        Resolve(AcquireStart, "AcquireStart");
        Resolve(AcquireStop, "AcquireStop");
        Resolve(CloseDevice, "CloseDevice");
        Resolve(FreeDeviceResources, "FreeDeviceResources");
        Resolve(GetAcqDeviceId, "GetAcqDeviceId");
        Resolve(GetAcqDeviceType, "GetAcqDeviceType");
        Resolve(GetCurrentInputDevice, "GetCurrentInputDevice");
        Resolve(GetCurrentInputMode, "GetCurrentInputMode");
        Resolve(GetDeviceHandle, "GetDeviceHandle");
        Resolve(GetFirstInputDeviceName, "GetFirstInputDeviceName");
        Resolve(GetFirstInputModeName, "GetFirstInputModeName");
        Resolve(GetInputDeviceId, "GetInputDeviceId");
        Resolve(GetInputDeviceType, "GetInputDeviceType");
        Resolve(GetInputModeId, "GetInputModeId");
        Resolve(GetNextInputDeviceName, "GetNextInputDeviceName");
        Resolve(GetNextInputModeName, "GetNextInputModeName");
        Resolve(GetNumInputDevices, "GetNumInputDevices");
        Resolve(GetNumInputModes, "GetNumInputModes");
        Resolve(InitializeDevice, "InitializeDevice");
        Resolve(OpenDevice, "OpenDevice");
        Resolve(ReadDevice, "ReadDevice");
        Resolve(SetCurrentInputDevice, "SetCurrentInputDevice");
    }

    // The mode is chosen through the device object, as a host does.
    int32_t SetCurrentInputMode(uint32_t modeId) {
        VidruneDevice* device = GetDeviceHandle();
        return device->ops->SetCurrentInputMode(device, modeId);
    }

    decltype(&::AcqDeviceQuery) AcqDeviceQuery = nullptr;
    decltype(&::AcqDeviceSet) AcqDeviceSet = nullptr;
    decltype(&::AcqGetLastError) AcqGetLastError = nullptr;
    decltype(&::AcqInputDeviceQuery) AcqInputDeviceQuery = nullptr;
    decltype(&::AcqInputDeviceSet) AcqInputDeviceSet = nullptr;
    decltype(&::AcqInputModeQuery) AcqInputModeQuery = nullptr;
    decltype(&::AcqInputModeSet) AcqInputModeSet = nullptr;
    decltype(&::AcquireStart) AcquireStart = nullptr;
    decltype(&::AcquireStop) AcquireStop = nullptr;
    decltype(&::CloseDevice) CloseDevice = nullptr;
    decltype(&::FreeDeviceResources) FreeDeviceResources = nullptr;
    decltype(&::GetAcqDeviceId) GetAcqDeviceId = nullptr;
    decltype(&::GetAcqDeviceType) GetAcqDeviceType = nullptr;
    decltype(&::GetCurrentInputDevice) GetCurrentInputDevice = nullptr;
    decltype(&::GetCurrentInputMode) GetCurrentInputMode = nullptr;
    decltype(&::GetDeviceHandle) GetDeviceHandle = nullptr;
    decltype(&::GetFirstInputDeviceName) GetFirstInputDeviceName = nullptr;
    decltype(&::GetFirstInputModeName) GetFirstInputModeName = nullptr;
    decltype(&::GetInputDeviceId) GetInputDeviceId = nullptr;
    decltype(&::GetInputDeviceType) GetInputDeviceType = nullptr;
    decltype(&::GetInputModeId) GetInputModeId = nullptr;
    decltype(&::GetNextInputDeviceName) GetNextInputDeviceName = nullptr;
    decltype(&::GetNextInputModeName) GetNextInputModeName = nullptr;
    decltype(&::GetNumInputDevices) GetNumInputDevices = nullptr;
    decltype(&::GetNumInputModes) GetNumInputModes = nullptr;
    decltype(&::InitializeDevice) InitializeDevice = nullptr;
    decltype(&::OpenDevice) OpenDevice = nullptr;
    decltype(&::ReadDevice) ReadDevice = nullptr;
    decltype(&::SetCurrentInputDevice) SetCurrentInputDevice = nullptr;

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
