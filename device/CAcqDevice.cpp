#include "device/CAcqDevice.h"

#include "input/CAcqInputDeviceList.h"

#include <cstring>
#include <new>

namespace vidrune {

VIDRUNE_IMPLEMENT_RUNTIME_CLASS(CAcqDevice, CObject)

namespace {

constexpr uint32_t kNoCurrentInputDevice = 11;
constexpr uint32_t kMaxInputDeviceOffset = 0xFF00;

// Attribute names that trade places when the image is turned a quarter turn.
constexpr const char* kSwappedNames[][2] = {
    {"X DATA SCALE", "Y DATA SCALE"},
    {"MAX WIDTH", "MAX HEIGHT"},
    {"MAX USER WIDTH", "MAX USER HEIGHT"},
    {"WIDTH", "HEIGHT"},
    {"MAX DISPLAY WIDTH", "MAX DISPLAY HEIGHT"},
};

const char* PartnerOf(const char* name) {
    for (const auto& pair : kSwappedNames) {
        if (std::strcmp(name, pair[0]) == 0)
            return pair[1];
        if (std::strcmp(name, pair[1]) == 0)
            return pair[0];
    }
    return nullptr;
}

bool FitsBuffer(const char* name) {
    return std::strlen(name) < CAcqDevice::kNameBufferSize;
}

} // namespace

CAcqDevice::CAcqDevice(const char* name, uint32_t type)
    : type_(type), inputDevices_(std::make_unique<CAcqInputDeviceList>()) {
    attributes_.AddString("NAME", name);
}

CAcqDevice::~CAcqDevice() {
    inputDevices_.reset();
}

int CAcqDevice::InitializeDevice(const char*) {
    return 1;
}

uint32_t CAcqDevice::OpenDevice() {
    return inputDevices_ ? inputDevices_->OpenCurrent() : kNoCurrentInputDevice;
}

uint32_t CAcqDevice::CloseDevice() {
    return inputDevices_ ? inputDevices_->CloseCurrent() : kNoCurrentInputDevice;
}

int CAcqDevice::FreeDeviceResources() {
    return 0;
}

int CAcqDevice::IsValid() const {
    if (type_ > 1)
        return 0;
    const char* name = nullptr;
    if (!attributes_.GetString("NAME", &name) || *name == '\0')
        return 0;
    if ((id_ & 0xFF0000u) < 0x10000u)
        return 0;
    return inputDevices_ ? 1 : 0;
}

void CAcqDevice::ResetInputDevices() {
    inputDevices_ = std::make_unique<CAcqInputDeviceList>();
    nextInputDeviceOffset_ = 0x100;
}

uint32_t CAcqDevice::NextInputDeviceId() const {
    return nextInputDeviceOffset_ > kMaxInputDeviceOffset ? 0 : id_ + nextInputDeviceOffset_;
}

int CAcqDevice::SetCurrentInputMode(uint32_t modeId) {
    return inputDevices_ ? inputDevices_->SetCurrentInputMode(modeId) : 0;
}

int CAcqDevice::SetCurrentInputDevice(uint32_t id) {
    return inputDevices_ ? inputDevices_->SetCurrentInputDevice(id) : 0;
}

int CAcqDevice::TranslateAttributeName(uint32_t inputDeviceId, const char* name, char* translated,
                                       int translate) {
    if (translated == nullptr)
        return 0;
    if (name == nullptr) {
        translated[0] = '\0';
        return 0;
    }
    // Cut to the buffer: a caller's buffer is never overrun.
    std::strncpy(translated, name, kNameBufferSize - 1);
    translated[kNameBufferSize - 1] = '\0';
    if (!translate || !FitsBuffer(name))
        return 0;
    double rotate = 0.0;
    if (!GetInputDeviceNumeric(inputDeviceId, "ROTATEDATA", &rotate) || !(rotate > 0.0))
        return 0;
    const char* partner = PartnerOf(name);
    if (partner == nullptr)
        return 0;
    std::strcpy(translated, partner);
    return 1;
}

bool CAcqDevice::Translate(uint32_t inputDeviceId, const char* name, char* buffer, int translate) {
    if (name == nullptr || !FitsBuffer(name))
        return false;
    TranslateAttributeName(inputDeviceId, name, buffer, translate);
    return true;
}

int CAcqDevice::AcqDeviceQuery(const char* name, void* value, int translate) {
    char translated[kNameBufferSize];
    if (!Translate(GetCurrentInputDevice(), name, translated, translate))
        return 0;
    return attributes_.TypedQuery(translated, value);
}

int CAcqDevice::AcqDeviceSet(const char* name, void* value, int translate) {
    char translated[kNameBufferSize];
    if (!Translate(GetCurrentInputDevice(), name, translated, translate))
        return 0;
    return attributes_.TypedSet(translated, value);
}

int CAcqDevice::AcqInputDeviceQuery(const char* name, void* value, int translate) {
    const uint32_t id = GetCurrentInputDevice();
    return id == 0 ? 0 : AcqInputDeviceQueryById(id, name, value, translate);
}

int CAcqDevice::AcqInputDeviceQueryById(uint32_t inputDeviceId, const char* name, void* value,
                                        int translate) {
    char translated[kNameBufferSize];
    if (!inputDevices_ || !Translate(inputDeviceId, name, translated, translate))
        return 0;
    return inputDevices_->AcqQuery(inputDeviceId, translated, value);
}

int CAcqDevice::AcqInputDeviceSet(const char* name, void* value, int translate) {
    const uint32_t id = GetCurrentInputDevice();
    return id == 0 ? 0 : AcqInputDeviceSetById(id, name, value, translate);
}

int CAcqDevice::AcqInputDeviceSetById(uint32_t inputDeviceId, const char* name, void* value,
                                      int translate) {
    char translated[kNameBufferSize];
    if (!inputDevices_ || !Translate(inputDeviceId, name, translated, translate))
        return 0;
    return inputDevices_->AcqSet(inputDeviceId, translated, value);
}

int CAcqDevice::AcqInputModeQuery(const char* name, void* value, int translate) {
    const uint32_t id = GetCurrentInputDevice();
    const uint32_t modeId = GetCurrentInputMode();
    if (id == 0 || modeId == 0)
        return 0;
    return AcqInputModeQueryById(id, modeId, name, value, translate);
}

int CAcqDevice::AcqInputModeQueryById(uint32_t inputDeviceId, uint32_t modeId, const char* name,
                                      void* value, int translate) {
    char translated[kNameBufferSize];
    if (!inputDevices_ || !Translate(inputDeviceId, name, translated, translate))
        return 0;
    return inputDevices_->AcqModeQuery(inputDeviceId, modeId, translated, value);
}

int CAcqDevice::AcqInputModeSet(const char* name, void* value, int translate) {
    const uint32_t id = GetCurrentInputDevice();
    const uint32_t modeId = GetCurrentInputMode();
    if (id == 0 || modeId == 0)
        return 0;
    return AcqInputModeSetById(id, modeId, name, value, translate);
}

int CAcqDevice::AcqInputModeSetById(uint32_t inputDeviceId, uint32_t modeId, const char* name,
                                    void* value, int translate) {
    char translated[kNameBufferSize];
    if (!inputDevices_ || !Translate(inputDeviceId, name, translated, translate))
        return 0;
    return inputDevices_->AcqModeSet(inputDeviceId, modeId, translated, value);
}

uint32_t CAcqDevice::GetNumInputDevices() const {
    return inputDevices_ ? inputDevices_->GetNumInputDevices() : 0;
}

const char* CAcqDevice::GetFirstInputDeviceName() {
    return inputDevices_ ? inputDevices_->GetFirstInputDeviceName() : nullptr;
}

const char* CAcqDevice::GetNextInputDeviceName() {
    return inputDevices_ ? inputDevices_->GetNextInputDeviceName() : nullptr;
}

uint32_t CAcqDevice::GetInputDeviceId(const char* name) const {
    return inputDevices_ ? inputDevices_->GetInputDeviceId(name) : 0;
}

uint32_t CAcqDevice::GetCurrentInputDevice() const {
    return inputDevices_ ? inputDevices_->GetCurrentInputDevice() : 0;
}

uint32_t CAcqDevice::GetInputDeviceType() const {
    return inputDevices_ ? inputDevices_->GetInputDeviceType() : 0;
}

uint32_t CAcqDevice::GetNumInputModes() const {
    return inputDevices_ ? inputDevices_->GetNumInputModes() : 0;
}

const char* CAcqDevice::GetFirstInputModeName() {
    return inputDevices_ ? inputDevices_->GetFirstInputModeName() : nullptr;
}

const char* CAcqDevice::GetNextInputModeName() {
    return inputDevices_ ? inputDevices_->GetNextInputModeName() : nullptr;
}

uint32_t CAcqDevice::GetInputModeId(const char* name) const {
    return inputDevices_ ? inputDevices_->GetInputModeId(name) : 0;
}

uint32_t CAcqDevice::GetCurrentInputMode() const {
    return inputDevices_ ? inputDevices_->GetCurrentInputMode() : 0;
}

int CAcqDevice::GetInputDeviceNumeric(uint32_t inputDeviceId, const char* name, double* out) const {
    return inputDevices_ ? inputDevices_->GetNumeric(inputDeviceId, name, out) : 0;
}

} // namespace vidrune
