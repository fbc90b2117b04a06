#include "input/CAcqCameraDevice.h"

#include "input/CAcqCameraMode.h"
#include "platform/Profile.h"

namespace vidrune {

VIDRUNE_IMPLEMENT_RUNTIME_CLASS(CAcqCameraDevice, CAcqInputDevice)

namespace {

// Command texts up to 1023 characters, as a 1024-byte buffer holds.
constexpr size_t kCommandBufferSize = 1024;

struct CommandKey {
    const char* key;
    const char* attribute;
};

constexpr CommandKey kCommandKeys[] = {
    {"COMINIT", "COM INIT"},
    {"NORMINIT", "NORM INIT"},
    {"CONTINIT", "CONT INIT"},
};

// A default no configuration value can equal: key and buffer cannot hold a NUL.
const std::string kMissing("\x01missing\x01");

} // namespace

CAcqCameraDevice::CAcqCameraDevice(const char* name, uint32_t id) : CAcqInputDevice(name, 1, id) {}

int CAcqCameraDevice::ReadModeSettings(const char* path, const char* section, uint32_t modeId) {
    if (path == nullptr || section == nullptr)
        return 1;
    for (const CommandKey& command : kCommandKeys) {
        std::string text =
            platform::Profile::GetString(path, section, command.key, kMissing, kCommandBufferSize);
        if (text != kMissing)
            SetModeString(modeId, command.attribute, text.c_str());
    }
    return 1;
}

uint32_t CAcqCameraDevice::AddCameraMode(const char* name, const char* controlFile,
                                         double dataRate) {
    const uint32_t id = NextModeId();
    if (id == 0)
        return 0;
    auto mode = std::make_unique<CAcqCameraMode>(name, controlFile, id, dataRate);
    if (mode->IsValid() && Modes()->AddMode(std::move(mode))) {
        CommitModeId();
        if (GetCurrentInputMode() == 0)
            SetCurrentInputMode(id);
    }
    return id;
}

} // namespace vidrune
