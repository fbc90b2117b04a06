#include "input/CAcqInputDeviceList.h"

#include <cstring>
#include <new>

namespace vidrune {

VIDRUNE_IMPLEMENT_RUNTIME_CLASS(CAcqInputDeviceList, CObject)

namespace {

constexpr uint32_t kNoCurrentInputDevice = 11;

} // namespace

CAcqInputDevice* CAcqInputDeviceList::FindById(uint32_t id) const {
    for (const auto& device : devices_) {
        if (device->GetId() == id)
            return device.get();
    }
    return nullptr;
}

CAcqInputDevice* CAcqInputDeviceList::FindByName(const char* name) const {
    if (name == nullptr)
        return nullptr;
    for (const auto& device : devices_) {
        const char* deviceName = device->GetName();
        if (deviceName != nullptr && std::strcmp(deviceName, name) == 0)
            return device.get();
    }
    return nullptr;
}

int CAcqInputDeviceList::GetString(uint32_t id, const char* name, const char** out) const {
    const CAcqInputDevice* device = FindById(id);
    return device != nullptr ? device->GetString(name, out) : 0;
}

int CAcqInputDeviceList::GetNumeric(uint32_t id, const char* name, double* out) const {
    const CAcqInputDevice* device = FindById(id);
    return device != nullptr ? device->GetNumeric(name, out) : 0;
}

int CAcqInputDeviceList::SetString(uint32_t id, const char* name, const char* text) {
    CAcqInputDevice* device = FindById(id);
    return device != nullptr ? device->SetString(name, text) : 0;
}

int CAcqInputDeviceList::SetNumeric(uint32_t id, const char* name, double value) {
    CAcqInputDevice* device = FindById(id);
    return device != nullptr ? device->SetNumeric(name, value) : 0;
}

int CAcqInputDeviceList::AcqQuery(uint32_t id, const char* name, void* value) const {
    const CAcqInputDevice* device = FindById(id);
    return device != nullptr ? device->AcqQuery(name, value) : 0;
}

int CAcqInputDeviceList::AcqSet(uint32_t id, const char* name, void* value) {
    CAcqInputDevice* device = FindById(id);
    return device != nullptr ? device->AcqSet(name, value) : 0;
}

int CAcqInputDeviceList::AddInputDevice(std::unique_ptr<CAcqInputDevice> device) {
    if (!device || !device->IsValid())
        return 0;
    try {
        devices_.push_back(std::move(device));
    } catch (const std::bad_alloc&) {
        return 0;
    }
    return 1;
}

int CAcqInputDeviceList::SetCurrentInputDevice(uint32_t id) {
    CAcqInputDevice* device = FindById(id);
    if (device == nullptr || !device->IsValid())
        return 0;
    currentId_ = id;
    current_ = device;
    return 1;
}

const char* CAcqInputDeviceList::GetFirstInputDeviceName() {
    cursor_ = 0;
    return GetNextInputDeviceName();
}

const char* CAcqInputDeviceList::GetNextInputDeviceName() {
    if (cursor_ >= devices_.size())
        return nullptr;
    return devices_[cursor_++]->GetName();
}

uint32_t CAcqInputDeviceList::GetInputDeviceId(const char* name) const {
    const CAcqInputDevice* device = FindByName(name);
    return device != nullptr ? device->GetId() : 0;
}

uint32_t CAcqInputDeviceList::OpenCurrent() {
    CAcqInputDevice* device = FindById(currentId_);
    return device != nullptr ? device->Open() : kNoCurrentInputDevice;
}

uint32_t CAcqInputDeviceList::CloseCurrent() {
    CAcqInputDevice* device = FindById(currentId_);
    return device != nullptr ? device->Close() : kNoCurrentInputDevice;
}

int CAcqInputDeviceList::AcqModeQuery(uint32_t inputDeviceId, uint32_t modeId, const char* name,
                                      void* value) const {
    const CAcqInputDevice* device = FindById(inputDeviceId);
    return device != nullptr ? device->AcqModeQuery(modeId, name, value) : 0;
}

int CAcqInputDeviceList::AcqModeSet(uint32_t inputDeviceId, uint32_t modeId, const char* name,
                                    void* value) {
    CAcqInputDevice* device = FindById(inputDeviceId);
    return device != nullptr ? device->AcqModeSet(modeId, name, value) : 0;
}

} // namespace vidrune
