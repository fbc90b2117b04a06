#include "input/CameraSerialPort.h"

#include "platform/Clock.h"
#include "platform/SerialPort.h"

#include <string>

namespace vidrune {

namespace {

constexpr uint8_t kXon = 17;
constexpr uint8_t kXoff = 19;
constexpr uint8_t kCarriageReturn = 13;
// A byte the line has not taken within this time ends the write.
constexpr uint32_t kByteTimeoutMs = 1000;

} // namespace

CameraSerialPort::CameraSerialPort(const char* portName, const PortSettings& settings) {
    open_ = 1;
    frequency_ = platform::Clock::PerformanceFrequency();
    // Below a tick per millisecond the byte spacing could not be measured.
    if (frequency_ < 1000 || portName == nullptr) {
        open_ = 0;
        return;
    }
    platform::SerialPort::Settings line;
    line.baudRate = settings.baudRate;
    line.xonXoffOutput = (settings.flowBits & kXonXoffOutput) != 0;
    line.xonXoffInput = (settings.flowBits & kXonXoffInput) != 0;
    line.xonChar = kXon;
    line.xoffChar = kXoff;
    port_ = platform::SerialPort::Open(DevicePath(portName), line);
    if (!port_)
        open_ = 0;
}

CameraSerialPort::~CameraSerialPort() = default;

void CameraSerialPort::Close() {
    port_.reset();
    open_ = 0;
}

std::string CameraSerialPort::DevicePath(const char* portName) {
    return portName != nullptr ? platform::SerialPort::DevicePath(portName) : std::string();
}

int CameraSerialPort::SendCommand(const char* text, const char* separator, uint32_t delayMs) {
    if (text == nullptr || *text == '\0')
        return 1;
    if (!port_)
        return 0;
    // Without a separator character the whole text is one piece.
    const char cut = separator != nullptr ? separator[0] : '\0';
    // Pieces of any length are sent whole: a camera command is never cut short.
    std::string piece;
    int result = 0;
    for (const char* next = text; *next != '\0'; ++next) {
        if (*next != cut) {
            piece.push_back(*next);
            continue;
        }
        piece.push_back(static_cast<char>(kCarriageReturn));
        result = WriteBytes(reinterpret_cast<const uint8_t*>(piece.data()),
                            static_cast<uint32_t>(piece.size()));
        platform::Clock::Sleep(delayMs);
        piece.clear();
    }
    if (!piece.empty()) {
        piece.push_back(static_cast<char>(kCarriageReturn));
        result = WriteBytes(reinterpret_cast<const uint8_t*>(piece.data()),
                            static_cast<uint32_t>(piece.size()));
    }
    return result;
}

int CameraSerialPort::WriteBytes(const uint8_t* bytes, uint32_t count) {
    if (!port_ || (bytes == nullptr && count > 0))
        return 0;
    const int64_t ticksPerMillisecond = frequency_ / 1000;
    for (uint32_t i = 0; i < count; ++i) {
        const int64_t start = platform::Clock::PerformanceCounter();
        if (!port_->WriteByte(bytes[i], kByteTimeoutMs))
            return 0;
        // Busy wait rather than sleep: a sleep would space the bytes far more than a
        // millisecond apart, and the camera expects them at about that pace.
        for (;;) {
            const int64_t elapsed = platform::Clock::PerformanceCounter() - start;
            if (elapsed > ticksPerMillisecond || elapsed < 0)
                break;
        }
    }
    return 1;
}

} // namespace vidrune
