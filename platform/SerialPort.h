#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace vidrune::platform {

// A serial line opened for writing commands: exclusive (no other process may open it
// while held), raw, 8 data bits, no parity, 1 stop bit, optional XON/XOFF flow control.
// Transmission stopped by XOFF resumes only on XON, never on any other character.
class SerialPort {
public:
    struct Settings {
        uint32_t baudRate = 9600;
        // XON/XOFF honoured on output: the far end may stop our transmission.
        bool xonXoffOutput = false;
        // XON/XOFF sent on input: we may stop the far end's transmission.
        bool xonXoffInput = false;
        uint8_t xonChar = 17;
        uint8_t xoffChar = 19;
    };

    // The path to open for a port name: the Windows names "COM1" to "COM256" (any letter
    // case) name /dev/ttyS0 upwards on Linux and \\.\COMn on Windows; anything else is a
    // path used as it stands.
    static std::string DevicePath(const std::string& portName);
    // n for the names "COM1" to "COM256" without leading zeros, any letter case; 0 otherwise.
    static int ComPortNumber(const std::string& portName);

    // The opened port, or null when the path cannot be opened, is held by someone else,
    // is not a serial line, or the settings (the baud rate in particular) cannot be applied.
    static std::unique_ptr<SerialPort> Open(const std::string& path, const Settings& settings);

    ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // Writes one byte, waiting up to timeoutMs for the line to accept it. True when the
    // byte was handed to the line.
    bool WriteByte(uint8_t byte, uint32_t timeoutMs);

private:
    // The OS's handle of the line; defined by each implementation.
    struct Native;

    explicit SerialPort(std::unique_ptr<Native> native);

    std::unique_ptr<Native> native_;
};

} // namespace vidrune::platform
