// The 29 exports: each forwards to the one device object. Null arguments that the
// device would dereference are refused here with 0 (or null), touching nothing.
#include "device/CAcqDevice.h"
#include "plugin/Plugin.h"
#include "vidrune.h"

using vidrune::CAcqDevice;
using vidrune::Plugin;

namespace {

// Runs the call on the device, or gives the fallback when there is no device.
template <typename Result, typename Call>
Result WithDevice(Result fallback, Call call) {
    CAcqDevice* device = Plugin::Device();
    return device != nullptr ? call(*device) : fallback;
}

} // namespace

extern "C" {

int32_t AcqDeviceQuery(const char* name, void* value) {
    if (name == nullptr || value == nullptr)
        return 0;
    return WithDevice(0, [&](CAcqDevice& d) { return d.AcqDeviceQuery(name, value, 1); });
}

int32_t AcqDeviceSet(const char* name, void* value) {
    if (name == nullptr || value == nullptr)
        return 0;
    return WithDevice(0, [&](CAcqDevice& d) { return d.AcqDeviceSet(name, value, 1); });
}

uint32_t AcqGetLastError(void) {
    return WithDevice(0u, [](CAcqDevice& d) { return d.GetLastError(); });
}

int32_t AcqInputDeviceQuery(const char* name, void* value) {
    if (name == nullptr || value == nullptr)
        return 0;
    return WithDevice(0, [&](CAcqDevice& d) { return d.AcqInputDeviceQuery(name, value, 1); });
}

int32_t AcqInputDeviceSet(const char* name, void* value) {
    // The value may be null: "NORM MODE" and "CONT MODE" ignore it, and every other
    // camera attribute refuses a null one itself.
    if (name == nullptr)
        return 0;
    return WithDevice(0, [&](CAcqDevice& d) { return d.AcqInputDeviceSet(name, value, 1); });
}

int32_t AcqInputModeQuery(const char* name, void* value) {
    if (name == nullptr || value == nullptr)
        return 0;
    return WithDevice(0, [&](CAcqDevice& d) { return d.AcqInputModeQuery(name, value, 1); });
}

int32_t AcqInputModeSet(const char* name, void* value) {
    if (name == nullptr || value == nullptr)
        return 0;
    return WithDevice(0, [&](CAcqDevice& d) { return d.AcqInputModeSet(name, value, 1); });
}

int32_t AcquireStart(const AcquireRequest* request) {
    if (request == nullptr)
        return 0;
    return WithDevice(0, [&](CAcqDevice& d) { return d.AcquireStart(request); });
}

int32_t AcquireStop(void) {
    return WithDevice(0, [](CAcqDevice& d) { return d.AcquireStop(); });
}

int32_t CloseDevice(void) {
    return WithDevice(0, [](CAcqDevice& d) { return static_cast<int32_t>(d.CloseDevice()); });
}

int32_t FreeDeviceResources(void) {
    return WithDevice(0, [](CAcqDevice& d) { return d.FreeDeviceResources(); });
}

uint32_t GetAcqDeviceId(void) {
    return WithDevice(0u, [](CAcqDevice& d) { return d.GetAcqDeviceId(); });
}

uint32_t GetAcqDeviceType(void) {
    return WithDevice(0u, [](CAcqDevice& d) { return d.GetAcqDeviceType(); });
}

uint32_t GetCurrentInputDevice(void) {
    return WithDevice(0u, [](CAcqDevice& d) { return d.GetCurrentInputDevice(); });
}

uint32_t GetCurrentInputMode(void) {
    return WithDevice(0u, [](CAcqDevice& d) { return d.GetCurrentInputMode(); });
}

VidruneDevice* GetDeviceHandle(void) {
    return Plugin::Handle();
}

const char* GetFirstInputDeviceName(void) {
    return WithDevice<const char*>(nullptr,
                                   [](CAcqDevice& d) { return d.GetFirstInputDeviceName(); });
}

const char* GetFirstInputModeName(void) {
    return WithDevice<const char*>(nullptr,
                                   [](CAcqDevice& d) { return d.GetFirstInputModeName(); });
}

uint32_t GetInputDeviceId(const char* name) {
    if (name == nullptr)
        return 0;
    return WithDevice(0u, [&](CAcqDevice& d) { return d.GetInputDeviceId(name); });
}

uint32_t GetInputDeviceType(void) {
    return WithDevice(0u, [](CAcqDevice& d) { return d.GetInputDeviceType(); });
}

uint32_t GetInputModeId(const char* name) {
    if (name == nullptr)
        return 0;
    return WithDevice(0u, [&](CAcqDevice& d) { return d.GetInputModeId(name); });
}

const char* GetNextInputDeviceName(void) {
    return WithDevice<const char*>(nullptr,
                                   [](CAcqDevice& d) { return d.GetNextInputDeviceName(); });
}

const char* GetNextInputModeName(void) {
    return WithDevice<const char*>(nullptr, [](CAcqDevice& d) { return d.GetNextInputModeName(); });
}

uint32_t GetNumInputDevices(void) {
    return WithDevice(0u, [](CAcqDevice& d) { return d.GetNumInputDevices(); });
}

uint32_t GetNumInputModes(void) {
    return WithDevice(0u, [](CAcqDevice& d) { return d.GetNumInputModes(); });
}

int32_t InitializeDevice(const char* path) {
    if (path == nullptr)
        return 0;
    return WithDevice(0, [&](CAcqDevice& d) { return d.InitializeDevice(path); });
}

int32_t OpenDevice(void) {
    return WithDevice(0, [](CAcqDevice& d) { return static_cast<int32_t>(d.OpenDevice()); });
}

int32_t ReadDevice(ReadRequest* request) {
    if (request == nullptr)
        return 0;
    return WithDevice(0, [&](CAcqDevice& d) { return d.ReadDevice(request); });
}

int32_t SetCurrentInputDevice(uint32_t id) {
    return WithDevice(0, [&](CAcqDevice& d) { return d.SetCurrentInputDevice(id); });
}

} // extern "C"
