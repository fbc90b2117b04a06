#pragma once

#include "platform/DynamicLibrary.h"
#include "vidrune.h"

#include <memory>
#include <string>

namespace vidrune::tool {

// The plug-in as a host sees it: the shared library loaded at run time and its exports
// resolved by name. The device object is reached only for what no export offers.
class PluginApi {
public:
    // Throws ToolError (bad input) when the library cannot be loaded or lacks an export.
    explicit PluginApi(const std::string& libraryPath);
    PluginApi(const PluginApi&) = delete;
    PluginApi& operator=(const PluginApi&) = delete;

    // The plug-in (libvidrune.so, Vidrune.dll) beside the running executable or, installed,
    // where the install puts it (lib/ beside bin/ on Linux).
    static std::string DefaultLibraryPath();

    const std::string& LibraryPath() const { return path_; }

    // The mode of the current camera is chosen through the device object.
    int32_t SetCurrentInputMode(uint32_t modeId) const;

    decltype(&::AcqDeviceQuery) AcqDeviceQuery = nullptr;
    decltype(&::AcqDeviceSet) AcqDeviceSet = nullptr;
    decltype(&::AcqGetLastError) AcqGetLastError = nullptr;
    decltype(&::AcqInputDeviceQuery) AcqInputDeviceQuery = nullptr;
    decltype(&::AcqInputModeQuery) AcqInputModeQuery = nullptr;
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
    void Resolve(Function& function, const char* name);

    std::string path_;
    std::unique_ptr<platform::DynamicLibrary> library_;
};

} // namespace vidrune::tool
