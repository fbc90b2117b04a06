#pragma once

#include "device/AttributeOwner.h"
#include "input/CAcqInputModeList.h"

#include <cstdint>
#include <memory>

namespace vidrune {

class CameraSerialPort;

// An input device (a camera): identifier, attributes, its modes with the current one,
// and while open the serial port its set-up commands go through.
class CAcqInputDevice : public CObject, public AttributeOwner {
    VIDRUNE_DECLARE_RUNTIME_CLASS()

public:
    CAcqInputDevice(const char* name, uint32_t type, uint32_t id);
    ~CAcqInputDevice() override;

    virtual uint32_t GetSpareWord() const { return spare_; }
    virtual void SetSpareWord(uint32_t value) { spare_ = value; }
    // 0 on success, 10 without a current mode, 1 when the serial port cannot be opened.
    virtual uint32_t Open();
    virtual uint32_t Close();
    virtual uint32_t MarkOpen();
    virtual uint32_t GetActiveFlag() const { return activeFlag_; }
    virtual uint32_t SetActiveFlag(uint32_t value) { return activeFlag_ = value; }
    virtual uint32_t GetOpenFlag() const { return openFlag_; }
    virtual uint32_t SetOpenFlag(uint32_t value) { return openFlag_ = value; }
    virtual uint32_t GetReadyFlag() const { return readyFlag_; }
    virtual uint32_t SetReadyFlag(uint32_t value) { return readyFlag_ = value; }
    virtual int IsValid() const;
    // Typed set; "NORM MODE" and "CONT MODE" send the current mode's command instead.
    virtual int AcqSet(const char* name, void* value);
    // Hook for further settings of a mode just read from the configuration.
    virtual int ReadModeSettings(const char* path, const char* section, uint32_t modeId);

    uint32_t GetId() const { return id_; }
    uint32_t GetType() const { return type_; }
    const char* GetName() const;

    // The identifier the next mode gets, 0 once 255 modes have been committed.
    uint32_t NextModeId() const;
    void CommitModeId() { ++nextModeOffset_; }

    uint32_t GetNumInputModes() const { return modes_ ? modes_->GetCount() : 0; }
    const char* GetFirstInputModeName() { return modes_ ? modes_->GetFirstName() : nullptr; }
    const char* GetNextInputModeName() { return modes_ ? modes_->GetNextName() : nullptr; }
    uint32_t GetInputModeId(const char* name) const {
        return modes_ ? modes_->GetIdByName(name) : 0;
    }
    uint32_t GetCurrentInputMode() const { return modes_ ? modes_->GetCurrent() : 0; }
    int SetCurrentInputMode(uint32_t id) { return modes_ ? modes_->SetCurrent(id) : 0; }
    int SetModeNumeric(uint32_t modeId, const char* name, double value);
    int SetModeString(uint32_t modeId, const char* name, const char* text);
    int AcqModeQuery(uint32_t modeId, const char* name, void* value) const;
    int AcqModeSet(uint32_t modeId, const char* name, void* value);
    CAcqInputModeList* Modes() const { return modes_.get(); }

    bool HasSerialPort() const { return serialPort_ != nullptr; }

private:
    void CloseSerialPort();
    // Sends the current mode's command text held in the given attribute, if any.
    void SendModeCommand(const char* commandAttribute);

    uint32_t type_;
    uint32_t id_;
    uint32_t activeFlag_ = 0;
    uint32_t openFlag_ = 0;
    uint32_t readyFlag_ = 0;
    uint32_t nextModeOffset_ = 1;
    uint32_t spare_ = 0;
    std::unique_ptr<CameraSerialPort> serialPort_;
    std::unique_ptr<CAcqInputModeList> modes_;
};

} // namespace vidrune
