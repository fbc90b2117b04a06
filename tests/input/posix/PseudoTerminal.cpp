// POSIX implementation of PseudoTerminal.h: the master is the camera end.
#include "PseudoTerminal.h"

#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <utility>

namespace vidrune::test {

struct PseudoTerminal::Native {
    int master = -1;
    // Kept open so that the line stays up between the opens of the code under test.
    int port = -1;

    ~Native() {
        close(port);
        close(master);
    }
};

PseudoTerminal::PseudoTerminal() : native_(std::make_unique<Native>()) {
    if (openpty(&native_->master, &native_->port, nullptr, nullptr, nullptr) == 0)
        portPath_ = ttyname(native_->port);
    else
        problem_ = "no pseudo-terminal available";
}

PseudoTerminal::~PseudoTerminal() = default;

std::string PseudoTerminal::Received(int quietMs) {
    std::string received;
    char buffer[256];
    ssize_t count = 0;
    for (pollfd readable{native_->master, POLLIN, 0};
         poll(&readable, 1, quietMs) > 0 &&
         (count = read(native_->master, buffer, sizeof buffer)) > 0;)
        received.append(buffer, static_cast<size_t>(count));
    return received;
}

void PseudoTerminal::WriteCamera(uint8_t byte) {
    [[maybe_unused]] const ssize_t written = write(native_->master, &byte, 1);
}

size_t PseudoTerminal::PortInputQueued() const {
    int queued = 0;
    return ioctl(native_->port, FIONREAD, &queued) == 0 && queued > 0 ? static_cast<size_t>(queued)
                                                                      : 0;
}

PortLine PseudoTerminal::LineSettings() const {
    termios line{};
    tcgetattr(native_->port, &line);
    uint32_t baudRate = 0; // for any rate but those the tests open lines at
    for (const auto& [code, bitsPerSecond] :
         {std::pair<speed_t, uint32_t>{B38400, 38400}, {B115200, 115200}})
        if (code == cfgetospeed(&line) && code == cfgetispeed(&line))
            baudRate = bitsPerSecond;
    return {.baudRate = baudRate,
            .dataBits = (line.c_cflag & CSIZE) == CS8 ? 8u : 0u, // 0: a size no camera uses
            .parity = (line.c_cflag & PARENB) != 0,
            .twoStopBits = (line.c_cflag & CSTOPB) != 0,
            .xonXoffOutput = (line.c_iflag & IXON) != 0,
            .xonXoffInput = (line.c_iflag & IXOFF) != 0,
            .xonChar = line.c_cc[VSTART],
            .xoffChar = line.c_cc[VSTOP],
            .raw = (line.c_lflag & (ICANON | ECHO | ISIG | IEXTEN)) == 0 &&
                   (line.c_oflag & OPOST) == 0 &&
                   (line.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP | IXANY)) == 0};
}

void PseudoTerminal::SpoilLineSettings() {
    termios line{};
    tcgetattr(native_->port, &line);
    line.c_iflag |= IXANY | ICRNL | IXON | IXOFF;
    line.c_lflag |= ICANON | ECHO;
    line.c_oflag |= OPOST;
    line.c_cflag = (line.c_cflag & ~static_cast<tcflag_t>(CSIZE)) | CS7 | PARENB | CSTOPB;
    line.c_cc[VSTART] = 'a';
    line.c_cc[VSTOP] = 'b';
    cfsetspeed(&line, B300);
    tcsetattr(native_->port, TCSANOW, &line);
}

bool PseudoTerminal::Exclusive() const {
    int exclusive = 0;
    return ioctl(native_->port, TIOCGEXCL, &exclusive) == 0 && exclusive != 0;
}

} // namespace vidrune::test
