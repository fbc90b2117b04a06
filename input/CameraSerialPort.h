#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace vidrune {

namespace platform {
class SerialPort;
}

// What the input device asks of its camera's port.
struct PortSettings {
    uint32_t spare = 0;
    uint32_t baudRate = 9600;
    uint32_t flowBits = 0; // kXonXoffInput | kXonXoffOutput for software flow control
};

// The serial line a camera receives its set-up commands on. Write only: 8 data bits,
// no parity, 1 stop bit, the configured rate and optional XON/XOFF flow control.
class CameraSerialPort {
public:
    static constexpr uint32_t kXonXoffOutput = 0x100;
    static constexpr uint32_t kXonXoffInput = 0x200;

    // Opens the port; IsOpen tells whether it worked.
    CameraSerialPort(const char* portName, const PortSettings& settings);
    ~CameraSerialPort();
    CameraSerialPort(const CameraSerialPort&) = delete;
    CameraSerialPort& operator=(const CameraSerialPort&) = delete;

    bool IsOpen() const { return open_ != 0; }

    // Cuts the text at each separator character into pieces ended by a carriage return,
    // pausing delayMs after each piece that ended at a separator. 1 when the last piece
    // was written completely, and for an empty text.
    int SendCommand(const char* text, const char* separator, uint32_t delayMs);
    // One byte at a time, at least a millisecond apart. 1 when all were written.
    int WriteBytes(const uint8_t* bytes, uint32_t count);
    void Close();

    // The device path for a port name: "COM1" to "COM256" (any case) name /dev/ttyS0
    // upwards; anything else is a path used as it stands.
    static std::string DevicePath(const char* portName);

private:
    std::unique_ptr<platform::SerialPort> port_;
    int open_ = 0;
    int64_t frequency_ = 0;
};

} // namespace vidrune
