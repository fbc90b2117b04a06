#include "tools/PluginApi.h"

#include "platform/FileSystem.h"
#include "tools/ToolError.h"

namespace vidrune::tool {

std::string PluginApi::DefaultLibraryPath() {
    using platform::FileSystem;
    const std::string folder = FileSystem::FolderOf(FileSystem::ExecutablePath());
    return FileSystem::Join(folder.empty() ? "." : folder, "libvidrune.so");
}

PluginApi::PluginApi(const std::string& libraryPath)
    : path_(libraryPath), library_(std::make_unique<platform::DynamicLibrary>(libraryPath)) {
    if (!library_->IsLoaded())
        throw ToolError::BadInput("cannot load the plug-in " + path_ + ": " + library_->Error() +
                                  "\n  give its path with --library PATH");
    Resolve(AcqDeviceQuery, "AcqDeviceQuery");
    Resolve(AcqDeviceSet, "AcqDeviceSet");
    Resolve(AcqGetLastError, "AcqGetLastError");
    Resolve(AcqInputDeviceQuery, "AcqInputDeviceQuery");
    Resolve(AcqInputModeQuery, "AcqInputModeQuery");
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

template <typename Function>
void PluginApi::Resolve(Function& function, const char* name) {
    function = reinterpret_cast<Function>(library_->Symbol(name));
    if (function == nullptr)
        throw ToolError::BadInput(path_ + " is not the Vidrune plug-in: it has no export " + name);
}

int32_t PluginApi::SetCurrentInputMode(uint32_t modeId) const {
    VidruneDevice* device = GetDeviceHandle();
    return device->ops->SetCurrentInputMode(device, modeId);
}

} // namespace vidrune::tool
