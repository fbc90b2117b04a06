#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace vidrune::test {

// A serial line's settings as seen from outside the code that set them.
struct PortLine {
    uint32_t baudRate = 0;
    uint32_t dataBits = 0;
    bool parity = false;
    bool twoStopBits = false;
    bool xonXoffOutput = false; // XOFF from the far end stops our output
    bool xonXoffInput = false;  // we send XOFF when our input fills
    uint8_t xonChar = 0;
    uint8_t xoffChar = 0;
    // No line editing, echo, signals or character translation; empty where the system
    // does not show it.
    std::optional<bool> raw;
};

// The two ends of a serial line owned by a test: the port end, which the code under test
// opens by PortPath(), and the camera end, which the test reads and writes. On Linux a
// pseudo-terminal; under Wine the COM port pair that scripts/test-windows.sh links to a
// relayed pair of pseudo-terminals, held by one test process at a time.
class TerminalPair {
public:
    TerminalPair();
    ~TerminalPair();
    TerminalPair(const TerminalPair&) = delete;
    TerminalPair& operator=(const TerminalPair&) = delete;

    bool Ok() const;
    // Why the pair could not be had, when it could not.
    const std::string& Problem() const;
    const std::string& PortPath() const;

    // Up to size bytes that reached the camera end, waiting at most timeoutMs for the first.
    size_t ReadCamera(uint8_t* into, size_t size, int timeoutMs);
    void WriteCamera(uint8_t byte);
    // Bytes that reached the port end and wait there to be read.
    size_t PortInputQueued() const;

    PortLine PortSettings() const;
    // Leaves the port end in a state no camera line may keep: slow, 7 data bits, even
    // parity, two stop bits, flow control both ways with other characters, and on Linux
    // terminal processing (restart on any character included).
    void SpoilPortSettings();
    // Whether the port end is marked for exclusive use; empty where the system does not
    // enforce exclusive opens (Wine).
    std::optional<bool> PortExclusive() const;

private:
    // The system's handles of both ends; defined by each implementation.
    struct Native;
    std::unique_ptr<Native> native_;
};

} // namespace vidrune::test
