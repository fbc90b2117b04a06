#include "input/CAcqInputDevice.h"

#include "input/CameraSerialPort.h"

#include <cstring>
#include <limits>

namespace vidrune {

VIDRUNE_IMPLEMENT_RUNTIME_CLASS(CAcqInputDevice, CObject)

namespace {

constexpr uint32_t kMaxModeOffset = 255;

// "COM BAUD" and "COM DELAY" come from the configuration file. Truncated toward zero,
// but a negative or non-numeric value is 0 and an oversized one the largest count: a
// plain conversion is undefined there, and in practice turns -1 into a pause of weeks.
uint32_t TruncatedCount(double value) {
    if (!(value > 0.0))
        return 0;
    if (value >= static_cast<double>(std::numeric_limits<uint32_t>::max()))
        return std::numeric_limits<uint32_t>::max();
    return static_cast<uint32_t>(value);
}

} // namespace

CAcqInputDevice::CAcqInputDevice(const char* name, uint32_t type, uint32_t id)
    : type_(type), id_(id), modes_(std::make_unique<CAcqInputModeList>(type)) {
    attributes_.AddString("NAME", name);
}

CAcqInputDevice::~CAcqInputDevice() {
    CloseSerialPort();
}

const char* CAcqInputDevice::GetName() const {
    const char* name = nullptr;
    return attributes_.GetString("NAME", &name) ? name : nullptr;
}

uint32_t CAcqInputDevice::NextModeId() const {
    return nextModeOffset_ > kMaxModeOffset ? 0 : id_ + nextModeOffset_;
}

int CAcqInputDevice::IsValid() const {
    if (type_ > 1)
        return 0;
    const char* name = GetName();
    if (name == nullptr || *name == '\0')
        return 0;
    if ((id_ & 0xFF00u) == 0)
        return 0;
    return modes_ ? 1 : 0;
}

void CAcqInputDevice::CloseSerialPort() {
    if (serialPort_) {
        serialPort_->Close();
        serialPort_.reset();
    }
}

uint32_t CAcqInputDevice::Open() {
    // A port still held from an earlier open would make the new open find it busy.
    CloseSerialPort();
    const uint32_t modeId = GetCurrentInputMode();
    if (modeId == 0)
        return 10;

    const char* portName = nullptr;
    if (attributes_.GetString("COM PORT", &portName)) {
        double baud = 0.0;
        double flow = 0.0;
        double delay = 0.0;
        attributes_.GetNumeric("COM BAUD", &baud);
        attributes_.GetNumeric("COM FLOW", &flow);
        attributes_.GetNumeric("COM DELAY", &delay);
        const char* initText = nullptr;
        const bool hasInit = modes_->GetString(modeId, "COM INIT", &initText) != 0;

        PortSettings settings;
        settings.baudRate = TruncatedCount(baud);
        settings.flowBits =
            flow == 1.0 ? CameraSerialPort::kXonXoffInput | CameraSerialPort::kXonXoffOutput : 0;
        auto port = std::make_unique<CameraSerialPort>(portName, settings);
        if (!port->IsOpen())
            return 1;
        serialPort_ = std::move(port);
        if (hasInit)
            serialPort_->SendCommand(initText, "|", TruncatedCount(delay));
    }
    activeFlag_ = 0;
    openFlag_ = 1;
    readyFlag_ = 1;
    return 0;
}

uint32_t CAcqInputDevice::Close() {
    CloseSerialPort();
    activeFlag_ = 0;
    openFlag_ = 0;
    readyFlag_ = 0;
    return 0;
}

uint32_t CAcqInputDevice::MarkOpen() {
    activeFlag_ = 0;
    openFlag_ = 1;
    return 0;
}

void CAcqInputDevice::SendModeCommand(const char* commandAttribute) {
    if (!serialPort_)
        return;
    double delay = 0.0;
    attributes_.GetNumeric("COM DELAY", &delay);
    const char* text = nullptr;
    if (modes_->GetString(GetCurrentInputMode(), commandAttribute, &text))
        serialPort_->SendCommand(text, "|", TruncatedCount(delay));
}

int CAcqInputDevice::AcqSet(const char* name, void* value) {
    if (name != nullptr && std::strcmp(name, "NORM MODE") == 0) {
        SendModeCommand("NORM INIT");
        return 1;
    }
    if (name != nullptr && std::strcmp(name, "CONT MODE") == 0) {
        SendModeCommand("CONT INIT");
        return 1;
    }
    return attributes_.TypedSet(name, value);
}

int CAcqInputDevice::ReadModeSettings(const char*, const char*, uint32_t) {
    return 1;
}

int CAcqInputDevice::SetModeNumeric(uint32_t modeId, const char* name, double value) {
    return modes_ ? modes_->SetNumeric(modeId, name, value) : 0;
}

int CAcqInputDevice::SetModeString(uint32_t modeId, const char* name, const char* text) {
    return modes_ ? modes_->SetString(modeId, name, text) : 0;
}

int CAcqInputDevice::AcqModeQuery(uint32_t modeId, const char* name, void* value) const {
    return modes_ ? modes_->AcqQuery(modeId, name, value) : 0;
}

int CAcqInputDevice::AcqModeSet(uint32_t modeId, const char* name, void* value) {
    return modes_ ? modes_->AcqSet(modeId, name, value) : 0;
}

} // namespace vidrune
