#include "plugin/HostDevice.h"

#include "device/CAcqDevice.h"

#include <cstddef>

namespace vidrune {

namespace {

CAcqDevice* Dev(VidruneDevice* self) {
    return HostDevice::DeviceOf(self);
}

const VidruneDeviceOps kOps = {
    // Framework slots.
    [](VidruneDevice* self) -> const void* { return Dev(self)->GetRuntimeClass(); },
    [](VidruneDevice* self, uint32_t) -> void* { return self; },
    [](VidruneDevice*, void*) {},
    [](VidruneDevice*) {},
    [](VidruneDevice*, void*) {},
    // Device slots.
    [](VidruneDevice* self, const char* path) -> int32_t {
        return path != nullptr ? Dev(self)->InitializeDevice(path) : 0;
    },
    [](VidruneDevice* self) { return Dev(self)->OpenDevice(); },
    [](VidruneDevice* self) { return Dev(self)->CloseDevice(); },
    [](VidruneDevice* self) -> int32_t { return Dev(self)->FreeDeviceResources(); },
    [](VidruneDevice* self) -> int32_t { return Dev(self)->IsValid(); },
    [](VidruneDevice* self) { return Dev(self)->GetLastError(); },
    [](VidruneDevice* self, uint32_t code) { Dev(self)->SetLastError(code); },
    [](VidruneDevice* self, uint32_t v) { return Dev(self)->SetInitFlag(v); },
    [](VidruneDevice* self) { return Dev(self)->GetInitFlag(); },
    [](VidruneDevice* self, uint32_t v) { return Dev(self)->SetOpenFlag(v); },
    [](VidruneDevice* self) { return Dev(self)->GetOpenFlag(); },
    [](VidruneDevice* self, uint32_t v) { return Dev(self)->SetStatusWord(v); },
    [](VidruneDevice* self) { return Dev(self)->GetStatusWord(); },
    [](VidruneDevice* self, uint32_t v) { return Dev(self)->SetReadyFlag(v); },
    [](VidruneDevice* self) { return Dev(self)->GetReadyFlag(); },
    [](VidruneDevice* self, const char* path) -> int32_t {
        return path != nullptr ? Dev(self)->LoadInputDevices(path) : 0;
    },
    [](VidruneDevice* self, const AcquireRequest* request) -> int32_t {
        return request != nullptr ? Dev(self)->AcquireStart(request) : 0;
    },
    [](VidruneDevice* self) -> int32_t { return Dev(self)->AcquireStop(); },
    [](VidruneDevice* self, ReadRequest* request) -> int32_t {
        return request != nullptr ? Dev(self)->ReadDevice(request) : 0;
    },
    [](VidruneDevice* self) { return Dev(self)->GetAcqDeviceType(); },
    [](VidruneDevice* self, uint32_t id) -> int32_t { return Dev(self)->SetCurrentInputMode(id); },
    [](VidruneDevice* self, uint32_t id) -> int32_t {
        return Dev(self)->SetCurrentInputDevice(id);
    },
    [](VidruneDevice* self, const char* name, void* value, int32_t translate) -> int32_t {
        return Dev(self)->AcqDeviceQuery(name, value, translate);
    },
    [](VidruneDevice* self, const char* name, void* value, int32_t translate) -> int32_t {
        return Dev(self)->AcqDeviceSet(name, value, translate);
    },
    [](VidruneDevice* self, const char* name, void* value, int32_t translate) -> int32_t {
        return Dev(self)->AcqInputDeviceQuery(name, value, translate);
    },
    [](VidruneDevice* self, uint32_t id, const char* name, void* value, int32_t translate)
        -> int32_t { return Dev(self)->AcqInputDeviceQueryById(id, name, value, translate); },
    [](VidruneDevice* self, const char* name, void* value, int32_t translate) -> int32_t {
        return Dev(self)->AcqInputDeviceSet(name, value, translate);
    },
    [](VidruneDevice* self, uint32_t id, const char* name, void* value, int32_t translate)
        -> int32_t { return Dev(self)->AcqInputDeviceSetById(id, name, value, translate); },
    [](VidruneDevice* self, const char* name, void* value, int32_t translate) -> int32_t {
        return Dev(self)->AcqInputModeQuery(name, value, translate);
    },
    [](VidruneDevice* self, uint32_t id, uint32_t modeId, const char* name, void* value,
       int32_t translate) -> int32_t {
        return Dev(self)->AcqInputModeQueryById(id, modeId, name, value, translate);
    },
    [](VidruneDevice* self, const char* name, void* value, int32_t translate) -> int32_t {
        return Dev(self)->AcqInputModeSet(name, value, translate);
    },
    [](VidruneDevice* self, uint32_t id, uint32_t modeId, const char* name, void* value,
       int32_t translate) -> int32_t {
        return Dev(self)->AcqInputModeSetById(id, modeId, name, value, translate);
    },
    [](VidruneDevice* self, uint32_t id, const char* name, char* translated, int32_t translate)
        -> int32_t { return Dev(self)->TranslateAttributeName(id, name, translated, translate); },
};

} // namespace

HostDevice::HostDevice(CAcqDevice* device) : view_{VidruneDevice{&kOps}, device} {}

CAcqDevice* HostDevice::DeviceOf(VidruneDevice* handle) {
    static_assert(offsetof(View, handle) == 0);
    return reinterpret_cast<View*>(handle)->device;
}

} // namespace vidrune
