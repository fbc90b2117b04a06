#include "PseudoTerminal.h"

#include <chrono>
#include <thread>

namespace vidrune::test {

bool PseudoTerminal::SendToPort(uint8_t byte) {
    // An ordinary byte follows: the port end queues it only once the character before it
    // has taken effect.
    const size_t before = PortInputQueued();
    WriteCamera(byte);
    WriteCamera('m');
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (PortInputQueued() <= before) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

std::string PseudoTerminal::Received(int quietMs) {
    std::string received;
    uint8_t buffer[256];
    for (size_t count; (count = ReadCamera(buffer, sizeof buffer, quietMs)) > 0;)
        received.append(reinterpret_cast<const char*>(buffer), count);
    return received;
}

} // namespace vidrune::test
