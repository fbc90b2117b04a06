#pragma once

#include <termios.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace vidrune::test {

struct ReceivedByte {
    uint8_t value;
    std::chrono::steady_clock::time_point at;
};

// A pseudo-terminal pair standing in for a camera on a serial line: the code under test
// opens PortPath() as its port; the test plays the camera on the master end, which
// records what arrives with the time it arrived and can send flow-control characters.
// A descriptor of the port end is kept open so that the line stays up between opens.
class PseudoTerminal {
public:
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    bool Ok() const { return master_ >= 0 && port_ >= 0; }
    const std::string& PortPath() const { return portPath_; }

    // The line settings of the port end as the camera end reads them.
    termios LineSettings() const;
    // Whether the port end is marked for exclusive use.
    bool IsExclusive() const;
    void SendToPort(uint8_t byte);
    // Waits up to timeoutMs until the port end can (or cannot) take output, as flow
    // control characters sent to it take effect asynchronously.
    bool WaitForPortWritable(bool writable, int timeoutMs = 2000);
    // Switches input flags of the port end on, to show that opening the port clears them.
    void SetPortInputFlags(tcflag_t flags);

    // Records every byte that reaches the camera end from now on.
    void StartRecording();
    // Waits quietMs for stragglers, stops recording and returns what arrived, in order.
    std::vector<ReceivedByte> StopRecording(int quietMs = 100);

private:
    void Record();
    void Drain(std::vector<ReceivedByte>& into);

    int master_ = -1;
    int port_ = -1;
    std::string portPath_;
    std::atomic<bool> stop_{false};
    std::thread reader_;
    std::vector<ReceivedByte> received_;
};

// The values of the received bytes as a string, for comparisons.
std::string Bytes(const std::vector<ReceivedByte>& received);

} // namespace vidrune::test
