#include "tools/PluginApi.h"

#include "platform/FileSystem.h"
#include "tools/ToolError.h"

namespace vidrune::tool {

namespace {

// From the build: the plug-in's file name (libvidrune.so, Vidrune.dll), and the way from the
// installed tool's folder to the installed plug-in's ("../lib"; "." on Windows).
constexpr const char* kLibraryName = VIDRUNE_PLUGIN_FILE;

} // namespace

std::string PluginApi::DefaultLibraryPath() {
    using platform::FileSystem;
    const std::string executable = FileSystem::FolderOf(FileSystem::ExecutablePath());
    const std::string folder = executable.empty() ? "." : executable;
    // The build tree keeps the plug-in beside the tool; an installed tree keeps it in lib/.
    const std::string beside = FileSystem::Join(folder, kLibraryName);
    const std::string installed =
        FileSystem::Join(FileSystem::Join(folder, VIDRUNE_TOOL_TO_LIBRARY), kLibraryName);
    return FileSystem::KindOf(beside) == FileSystem::Kind::None &&
                   FileSystem::KindOf(installed) != FileSystem::Kind::None
               ? installed
               : beside;
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
