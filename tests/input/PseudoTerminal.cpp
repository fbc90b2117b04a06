#include "PseudoTerminal.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdlib>

namespace vidrune::test {

PseudoTerminal::PseudoTerminal() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0)
        return;
    const char* name = ptsname(master_);
    if (name == nullptr)
        return;
    portPath_ = name;
    port_ = open(portPath_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
}

PseudoTerminal::~PseudoTerminal() {
    if (reader_.joinable()) {
        stop_ = true;
        reader_.join();
    }
    if (port_ >= 0)
        close(port_);
    if (master_ >= 0)
        close(master_);
}

termios PseudoTerminal::LineSettings() const {
    termios line{};
    tcgetattr(master_, &line);
    return line;
}

bool PseudoTerminal::IsExclusive() const {
    int exclusive = 0;
    return ioctl(port_, TIOCGEXCL, &exclusive) == 0 && exclusive != 0;
}

void PseudoTerminal::SetPortInputFlags(tcflag_t flags) {
    termios line{};
    tcgetattr(port_, &line);
    line.c_iflag |= flags;
    tcsetattr(port_, TCSANOW, &line);
}

void PseudoTerminal::SendToPort(uint8_t byte) {
    [[maybe_unused]] ssize_t written = write(master_, &byte, 1);
    // The port end's line discipline acts on it asynchronously.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

bool PseudoTerminal::WaitForPortWritable(bool writable, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    do {
        pollfd output{port_, POLLOUT, 0};
        const bool canWrite = poll(&output, 1, 0) > 0 && (output.revents & POLLOUT) != 0;
        if (canWrite == writable)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    } while (std::chrono::steady_clock::now() < deadline);
    return false;
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
    Drain(received_);
    return received_;
}

void PseudoTerminal::Record() {
    while (!stop_) {
        pollfd readable{master_, POLLIN, 0};
        if (poll(&readable, 1, 5) > 0 && (readable.revents & POLLIN) != 0)
            Drain(received_);
    }
}

void PseudoTerminal::Drain(std::vector<ReceivedByte>& into) {
    pollfd readable{master_, POLLIN, 0};
    while (poll(&readable, 1, 0) > 0 && (readable.revents & POLLIN) != 0) {
        uint8_t buffer[256];
        const ssize_t count = read(master_, buffer, sizeof buffer);
        if (count <= 0)
            return;
        const auto now = std::chrono::steady_clock::now();
        for (ssize_t i = 0; i < count; ++i)
            into.push_back({buffer[i], now});
    }
}

std::string Bytes(const std::vector<ReceivedByte>& received) {
    std::string bytes;
    for (const ReceivedByte& byte : received)
        bytes.push_back(static_cast<char>(byte.value));
    return bytes;
}

} // namespace vidrune::test
