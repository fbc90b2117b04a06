#pragma once

#include "TerminalPair.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace vidrune::test {

struct ReceivedByte {
    uint8_t value;
    std::chrono::steady_clock::time_point at;
};

// A camera on a serial line: the code under test opens PortPath() as its port; the test
// plays the camera, which records what arrives with the time it arrived and can send
// flow-control characters. Every wait is bounded.
class PseudoTerminal {
public:
    PseudoTerminal() = default;
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    bool Ok() const { return pair_.Ok(); }
    const std::string& Problem() const { return pair_.Problem(); }
    const std::string& PortPath() const { return pair_.PortPath(); }

    // The port end's settings as the camera end sees them.
    PortLine LineSettings() const { return pair_.PortSettings(); }
    void SpoilLineSettings() { pair_.SpoilPortSettings(); }
    // Whether the port end is marked for exclusive use (false where that cannot be told).
    bool IsExclusive() const { return pair_.PortExclusive().value_or(false); }
    bool CanTellExclusive() const { return pair_.PortExclusive().has_value(); }

    // Sends a byte to the port end and returns once the port end has taken it in, so that
    // a flow-control character is in force. False when that did not happen within 2 s.
    bool SendToPort(uint8_t byte);

    // Records every byte that reaches the camera end from now on.
    void StartRecording();
    // Waits quietMs for stragglers, stops recording and returns what arrived, in order.
    std::vector<ReceivedByte> StopRecording(int quietMs = 100);

private:
    void Record();
    void Drain(int timeoutMs);

    TerminalPair pair_;
    std::atomic<bool> stop_{false};
    std::thread reader_;
    std::vector<ReceivedByte> received_;
};

// The values of the received bytes as a string, for comparisons.
std::string Bytes(const std::vector<ReceivedByte>& received);

} // namespace vidrune::test
