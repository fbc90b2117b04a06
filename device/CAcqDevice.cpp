#include "device/CAcqDevice.h"

#include "input/CAcqInputDeviceList.h"

#include <cstring>
#include <mutex>
#include <new>
#include <shared_mutex>
#include <utility>

namespace vidrune {

VIDRUNE_IMPLEMENT_RUNTIME_CLASS(CAcqDevice, CObject)

namespace {

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

// Calls on the input devices hold the lock: shared for those that only read them, alone
// for those that change them or move an enumeration on. A host thread may list cameras
// while another initialises the device again and replaces the whole list.
template <typename Call>
auto CAcqDevice::Reading(Call call) const {
    std::shared_lock lock(inputLock_);
    return call(static_cast<const CAcqInputDeviceList&>(*inputDevices_));
}

template <typename Call>
auto CAcqDevice::Changing(Call call) {
    std::unique_lock lock(inputLock_);
    return call(*inputDevices_);
}

CAcqDevice::CAcqDevice(const char* name, uint32_t type)
    : type_(type), inputDevices_(std::make_unique<CAcqInputDeviceList>()) {
    attributes_.AddString("NAME", name);
}

CAcqDevice::~CAcqDevice() = default;

int CAcqDevice::InitializeDevice(const char*) {
    return 1;
}

uint32_t CAcqDevice::OpenDevice() {
    return Changing([](CAcqInputDeviceList& list) { return list.OpenCurrent(); });
}

uint32_t CAcqDevice::CloseDevice() {
    return Changing([](CAcqInputDeviceList& list) { return list.CloseCurrent(); });
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
    return 1;
}

void CAcqDevice::ResetInputDevices() {
    auto fresh = std::make_unique<CAcqInputDeviceList>();
    std::unique_ptr<CAcqInputDeviceList> gone;
    {
        std::unique_lock lock(inputLock_);
        // The names a host was given stay readable until the next reset.
        gone = std::exchange(retiredInputDevices_, std::exchange(inputDevices_, std::move(fresh)));
        nextInputDeviceOffset_ = 0x100;
    }
    // Destroyed without the lock: readers need not wait for its cameras to go.
}

int CAcqDevice::AddInputDevice(std::unique_ptr<CAcqInputDevice> device) {
    return Changing(
        [&](CAcqInputDeviceList& list) { return list.AddInputDevice(std::move(device)); });
}

uint32_t CAcqDevice::NextInputDeviceId() const {
    return nextInputDeviceOffset_ > kMaxInputDeviceOffset ? 0 : id_ + nextInputDeviceOffset_;
}

int CAcqDevice::SetCurrentInputMode(uint32_t modeId) {
    return Changing([&](CAcqInputDeviceList& list) { return list.SetCurrentInputMode(modeId); });
}

int CAcqDevice::SetCurrentInputDevice(uint32_t id) {
    return Changing([&](CAcqInputDeviceList& list) { return list.SetCurrentInputDevice(id); });
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
    if (!IsTurned(inputDeviceId))
        return 0;
    const char* partner = PartnerOf(name);
    if (partner == nullptr)
        return 0;
    std::strcpy(translated, partner);
    return 1;
}

bool CAcqDevice::IsTurned(uint32_t inputDeviceId) const {
    // The open device's frames keep the turn its camera had at the open; the names the
    // host reads the geometry by must keep it too, whatever the camera says meanwhile.
    if (GetOpenFlag() && inputDeviceId == GetCurrentInputDevice())
        return GetRotationFlag() != 0;
    double rotate = 0.0;
    return GetInputDeviceNumeric(inputDeviceId, "ROTATEDATA", &rotate) && rotate > 0.0;
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
    if (!Translate(inputDeviceId, name, translated, translate))
        return 0;
    return Reading([&](const CAcqInputDeviceList& list) {
        return list.AcqQuery(inputDeviceId, translated, value);
    });
}

int CAcqDevice::AcqInputDeviceSet(const char* name, void* value, int translate) {
    const uint32_t id = GetCurrentInputDevice();
    return id == 0 ? 0 : AcqInputDeviceSetById(id, name, value, translate);
}

int CAcqDevice::AcqInputDeviceSetById(uint32_t inputDeviceId, const char* name, void* value,
                                      int translate) {
    char translated[kNameBufferSize];
    if (!Translate(inputDeviceId, name, translated, translate))
        return 0;
    return Changing(
        [&](CAcqInputDeviceList& list) { return list.AcqSet(inputDeviceId, translated, value); });
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
    if (!Translate(inputDeviceId, name, translated, translate))
        return 0;
    return Reading([&](const CAcqInputDeviceList& list) {
        return list.AcqModeQuery(inputDeviceId, modeId, translated, value);
    });
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
    if (!Translate(inputDeviceId, name, translated, translate))
        return 0;
    return Changing([&](CAcqInputDeviceList& list) {
        return list.AcqModeSet(inputDeviceId, modeId, translated, value);
    });
}

uint32_t CAcqDevice::GetNumInputDevices() const {
    return Reading([](const CAcqInputDeviceList& list) { return list.GetNumInputDevices(); });
}

const char* CAcqDevice::GetFirstInputDeviceName() {
    return Changing([](CAcqInputDeviceList& list) { return list.GetFirstInputDeviceName(); });
}

const char* CAcqDevice::GetNextInputDeviceName() {
    return Changing([](CAcqInputDeviceList& list) { return list.GetNextInputDeviceName(); });
}

uint32_t CAcqDevice::GetInputDeviceId(const char* name) const {
    return Reading([&](const CAcqInputDeviceList& list) { return list.GetInputDeviceId(name); });
}

uint32_t CAcqDevice::GetCurrentInputDevice() const {
    return Reading([](const CAcqInputDeviceList& list) { return list.GetCurrentInputDevice(); });
}

uint32_t CAcqDevice::GetInputDeviceType() const {
    return Reading([](const CAcqInputDeviceList& list) { return list.GetInputDeviceType(); });
}

uint32_t CAcqDevice::GetNumInputModes() const {
    return Reading([](const CAcqInputDeviceList& list) { return list.GetNumInputModes(); });
}

const char* CAcqDevice::GetFirstInputModeName() {
    return Changing([](CAcqInputDeviceList& list) { return list.GetFirstInputModeName(); });
}

const char* CAcqDevice::GetNextInputModeName() {
    return Changing([](CAcqInputDeviceList& list) { return list.GetNextInputModeName(); });
}

uint32_t CAcqDevice::GetInputModeId(const char* name) const {
    return Reading([&](const CAcqInputDeviceList& list) { return list.GetInputModeId(name); });
}

uint32_t CAcqDevice::GetCurrentInputMode() const {
    return Reading([](const CAcqInputDeviceList& list) { return list.GetCurrentInputMode(); });
}

int CAcqDevice::GetInputDeviceNumeric(uint32_t inputDeviceId, const char* name, double* out) const {
    return Reading(
        [&](const CAcqInputDeviceList& list) { return list.GetNumeric(inputDeviceId, name, out); });
}

} // namespace vidrune
