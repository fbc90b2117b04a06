#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <thread>

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

// A camera on a serial line: the code under test opens PortPath() as its port; the test
// plays the camera, which reads what arrived and can send flow-control characters. On
// Linux a pseudo-terminal; under Wine the COM port pair that scripts/test-windows.sh links
// to a relayed pair of pseudo-terminals, held by one test process at a time. Every wait is
// bounded.
class PseudoTerminal {
public:
    PseudoTerminal();
    ~PseudoTerminal();

    // Why the line could not be had; empty when it could.
    const std::string& Problem() const { return problem_; }
    const std::string& PortPath() const { return portPath_; }

    // The port end's settings as the camera end sees them.
    PortLine LineSettings() const;
    // Leaves the port end in a state no camera line may keep: slow, 7 data bits, even
    // parity, two stop bits, flow control both ways with other characters, and on Linux
    // terminal processing (restart on any character included).
    void SpoilLineSettings();
    // Whether the port end is marked for exclusive use. Linux only: Wine enforces no
    // exclusive opens of a COM port.
    bool Exclusive() const;

    // Sends a byte to the port end and returns once the port end has taken it in, so that
    // a flow-control character is in force. False when that did not happen within 2 s.
    bool SendToPort(uint8_t byte) {
        // An ordinary byte follows: the port end queues it only once the character before
        // it has taken effect.
        const size_t before = PortInputQueued();
        WriteCamera(byte);
        WriteCamera('m');
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (PortInputQueued() <= before && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return PortInputQueued() > before;
    }
    // What reached the camera end since the last call, once quietMs passed without more.
    std::string Received(int quietMs = 100);

private:
    void WriteCamera(uint8_t byte);
    // Bytes that reached the port end and wait there to be read.
    size_t PortInputQueued() const;

    // The system's handles of both ends; defined by each implementation.
    struct Native;
    std::unique_ptr<Native> native_;
    std::string portPath_;
    std::string problem_;
};

} // namespace vidrune::test
