#pragma once

#include "device/AttributeOwner.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <shared_mutex>

namespace vidrune {

class CAcqInputDevice;
class CAcqInputDeviceList;

// The generic acquisition device: named attributes, last error, state flags, the input
// devices with the current one, and the typed attribute protocol at device, input device
// and mode level with the X/Y name translation for rotated images.
class CAcqDevice : public CObject, public AttributeOwner {
    VIDRUNE_DECLARE_RUNTIME_CLASS()

public:
    // Room for 111 characters and the terminating NUL.
    static constexpr size_t kNameBufferSize = 112;

    CAcqDevice(const char* name, uint32_t type);
    ~CAcqDevice() override;
    CAcqDevice(const CAcqDevice&) = delete;
    CAcqDevice& operator=(const CAcqDevice&) = delete;

    virtual int InitializeDevice(const char* path);
    virtual uint32_t OpenDevice();
    virtual uint32_t CloseDevice();
    virtual int FreeDeviceResources();
    virtual int IsValid() const;
    virtual uint32_t GetLastError() const { return lastError_; }
    virtual void SetLastError(uint32_t code) { lastError_ = code; }
    virtual uint32_t SetInitFlag(uint32_t value) { return initFlag_ = value; }
    virtual uint32_t GetInitFlag() const { return initFlag_; }
    virtual uint32_t SetOpenFlag(uint32_t value) { return openFlag_ = value; }
    virtual uint32_t GetOpenFlag() const { return openFlag_; }
    virtual uint32_t SetStatusWord(uint32_t value) { return statusWord_ = value; }
    virtual uint32_t GetStatusWord() const { return statusWord_; }
    virtual uint32_t SetReadyFlag(uint32_t value) { return readyFlag_ = value; }
    virtual uint32_t GetReadyFlag() const { return readyFlag_; }
    virtual int LoadInputDevices(const char* path) = 0;
    virtual int AcquireStart(const void* request) = 0;
    virtual int AcquireStop() = 0;
    virtual int ReadDevice(void* request) = 0;
    virtual uint32_t GetAcqDeviceType() const { return type_; }
    virtual int SetCurrentInputMode(uint32_t modeId);
    virtual int SetCurrentInputDevice(uint32_t id);
    virtual int AcqDeviceQuery(const char* name, void* value, int translate);
    virtual int AcqDeviceSet(const char* name, void* value, int translate);
    virtual int AcqInputDeviceQuery(const char* name, void* value, int translate);
    virtual int AcqInputDeviceQueryById(uint32_t inputDeviceId, const char* name, void* value,
                                        int translate);
    virtual int AcqInputDeviceSet(const char* name, void* value, int translate);
    virtual int AcqInputDeviceSetById(uint32_t inputDeviceId, const char* name, void* value,
                                      int translate);
    virtual int AcqInputModeQuery(const char* name, void* value, int translate);
    virtual int AcqInputModeQueryById(uint32_t inputDeviceId, uint32_t modeId, const char* name,
                                      void* value, int translate);
    virtual int AcqInputModeSet(const char* name, void* value, int translate);
    virtual int AcqInputModeSetById(uint32_t inputDeviceId, uint32_t modeId, const char* name,
                                    void* value, int translate);
    // Copies the name into translated (kNameBufferSize bytes), swapped with its X/Y partner
    // when translate is set and the input device's "ROTATEDATA" is above 0 (for the current
    // camera of an open device: was above 0 at the open). 1 when swapped.
    virtual int TranslateAttributeName(uint32_t inputDeviceId, const char* name, char* translated,
                                       int translate);

    uint32_t GetAcqDeviceId() const { return id_; }
    uint32_t NextInputDeviceId() const;
    void CommitInputDeviceId() { ++nextInputDeviceOffset_; }

    int RemoveAttribute(const char* name) { return attributes_.RemoveAttribute(name); }

    uint32_t GetNumInputDevices() const;
    const char* GetFirstInputDeviceName();
    const char* GetNextInputDeviceName();
    uint32_t GetInputDeviceId(const char* name) const;
    uint32_t GetCurrentInputDevice() const;
    uint32_t GetInputDeviceType() const;
    uint32_t GetNumInputModes() const;
    const char* GetFirstInputModeName();
    const char* GetNextInputModeName();
    uint32_t GetInputModeId(const char* name) const;
    uint32_t GetCurrentInputMode() const;
    int GetInputDeviceNumeric(uint32_t inputDeviceId, const char* name, double* out) const;

    // Adds a camera to the list; 0 when the list refuses it.
    int AddInputDevice(std::unique_ptr<CAcqInputDevice> device);
    uint32_t GetRotationFlag() const { return rotationFlag_; }
    void SetRotationFlag(uint32_t value) { rotationFlag_ = value; }

protected:
    // Drops every input device and restarts the identifiers, for a new configuration.
    void ResetInputDevices();

private:
    bool IsTurned(uint32_t inputDeviceId) const;
    // Translates into a local buffer; false when the name is null or does not fit.
    bool Translate(uint32_t inputDeviceId, const char* name, char* buffer, int translate);

    template <typename Call>
    auto Reading(Call call) const;
    template <typename Call>
    auto Changing(Call call);

    uint32_t id_ = 0x10000;
    uint32_t nextInputDeviceOffset_ = 0x100;
    uint32_t type_;
    // Flags and the last error are read and written by the host's thread, the grab
    // thread and the display's update thread.
    std::atomic<uint32_t> openFlag_{0};
    std::atomic<uint32_t> initFlag_{0};
    std::atomic<uint32_t> statusWord_{0};
    std::atomic<uint32_t> readyFlag_{0};
    std::atomic<uint32_t> lastError_{0};
    mutable std::shared_mutex inputLock_;
    std::unique_ptr<CAcqInputDeviceList> inputDevices_;
    std::unique_ptr<CAcqInputDeviceList> retiredInputDevices_;
    std::atomic<uint32_t> rotationFlag_{0};
};

} // namespace vidrune
