#include "PseudoTerminal.h"

namespace vidrune::test {

namespace {

// Follows a flow-control character: an ordinary byte, which the port end queues only once
// the character before it has taken effect.
constexpr uint8_t kMarker = 'm';
constexpr auto kSettleLimit = std::chrono::seconds(2);
constexpr int kReadSliceMs = 5;

} // namespace

PseudoTerminal::~PseudoTerminal() {
    if (reader_.joinable()) {
        stop_ = true;
        reader_.join();
    }
}

bool PseudoTerminal::SendToPort(uint8_t byte) {
    const size_t before = pair_.PortInputQueued();
    pair_.WriteCamera(byte);
    pair_.WriteCamera(kMarker);
    const auto deadline = std::chrono::steady_clock::now() + kSettleLimit;
    while (pair_.PortInputQueued() <= before) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

void PseudoTerminal::StartRecording() {
    received_.clear();
    stop_ = false;
    reader_ = std::thread([this] { Record(); });
}

std::vector<ReceivedByte> PseudoTerminal::StopRecording(int quietMs) {
    std::this_thread::sleep_for(std::chrono::milliseconds(quietMs));
    stop_ = true;
    if (reader_.joinable())
        reader_.join();
    Drain(0);
    return received_;
}

void PseudoTerminal::Record() {
    while (!stop_)
        Drain(kReadSliceMs);
}

void PseudoTerminal::Drain(int timeoutMs) {
    uint8_t buffer[256];
    for (size_t count; (count = pair_.ReadCamera(buffer, sizeof buffer, timeoutMs)) > 0;) {
        const auto now = std::chrono::steady_clock::now();
        for (size_t i = 0; i < count; ++i)
            received_.push_back({buffer[i], now});
        timeoutMs = 0;
    }
}

std::string Bytes(const std::vector<ReceivedByte>& received) {
    std::string bytes;
    for (const ReceivedByte& byte : received)
        bytes.push_back(static_cast<char>(byte.value));
    return bytes;
}

} // namespace vidrune::test
