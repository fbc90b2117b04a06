#pragma once

#include "input/CAcqInputDevice.h"

#include <memory>
#include <vector>

namespace vidrune {

// The device's input devices in the order they were added, the current one, and an
// enumeration cursor.
class CAcqInputDeviceList : public CObject {
    VIDRUNE_DECLARE_RUNTIME_CLASS()

public:
    CAcqInputDeviceList() = default;

    int GetString(uint32_t id, const char* name, const char** out) const;
    int GetNumeric(uint32_t id, const char* name, double* out) const;
    int SetString(uint32_t id, const char* name, const char* text);
    int SetNumeric(uint32_t id, const char* name, double value);
    int AcqQuery(uint32_t id, const char* name, void* value) const;
    int AcqSet(uint32_t id, const char* name, void* value);

    CAcqInputDevice* FindById(uint32_t id) const;
    CAcqInputDevice* FindByName(const char* name) const;
    // Appends a valid input device and owns it; a null or invalid one gives 0 and is dropped.
    int AddInputDevice(std::unique_ptr<CAcqInputDevice> device);

    int SetCurrentInputDevice(uint32_t id);
    uint32_t GetCurrentInputDevice() const { return currentId_; }
    CAcqInputDevice* GetCurrent() const { return current_; }
    uint32_t GetNumInputDevices() const { return static_cast<uint32_t>(devices_.size()); }
    const char* GetFirstInputDeviceName();
    const char* GetNextInputDeviceName();
    uint32_t GetInputDeviceId(const char* name) const;

    uint32_t GetInputDeviceType() const { return current_ ? current_->GetType() : 0; }
    uint32_t GetNumInputModes() const { return current_ ? current_->GetNumInputModes() : 0; }
    const char* GetFirstInputModeName() {
        return current_ ? current_->GetFirstInputModeName() : nullptr;
    }
    const char* GetNextInputModeName() {
        return current_ ? current_->GetNextInputModeName() : nullptr;
    }
    uint32_t GetInputModeId(const char* name) const {
        return current_ ? current_->GetInputModeId(name) : 0;
    }
    uint32_t GetCurrentInputMode() const { return current_ ? current_->GetCurrentInputMode() : 0; }
    int SetCurrentInputMode(uint32_t id) {
        return current_ ? current_->SetCurrentInputMode(id) : 0;
    }

    uint32_t OpenCurrent();
    uint32_t CloseCurrent();

    int AcqModeQuery(uint32_t inputDeviceId, uint32_t modeId, const char* name, void* value) const;
    int AcqModeSet(uint32_t inputDeviceId, uint32_t modeId, const char* name, void* value);

private:
    uint32_t currentId_ = 0;
    CAcqInputDevice* current_ = nullptr;
    size_t cursor_ = 0;
    std::vector<std::unique_ptr<CAcqInputDevice>> devices_;
};

} // namespace vidrune
