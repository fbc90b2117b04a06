// POSIX implementation of platform/SerialPort.h: termios; only POSIX code here.
#include "platform/SerialPort.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <optional>

namespace vidrune::platform {

namespace {

struct BaudRate {
    uint32_t bitsPerSecond;
    speed_t code;
};

constexpr BaudRate kBaudRates[] = {
    {50, B50},           {75, B75},         {110, B110},       {134, B134},     {150, B150},
    {200, B200},         {300, B300},       {600, B600},       {1200, B1200},   {1800, B1800},
    {2400, B2400},       {4800, B4800},     {9600, B9600},     {19200, B19200}, {38400, B38400},
    {57600, B57600},     {115200, B115200}, {230400, B230400},
#ifdef B460800
    {460800, B460800},
#endif
#ifdef B500000
    {500000, B500000},
#endif
#ifdef B576000
    {576000, B576000},
#endif
#ifdef B921600
    {921600, B921600},
#endif
#ifdef B1000000
    {1000000, B1000000},
#endif
#ifdef B1152000
    {1152000, B1152000},
#endif
#ifdef B1500000
    {1500000, B1500000},
#endif
#ifdef B2000000
    {2000000, B2000000},
#endif
#ifdef B2500000
    {2500000, B2500000},
#endif
#ifdef B3000000
    {3000000, B3000000},
#endif
#ifdef B3500000
    {3500000, B3500000},
#endif
#ifdef B4000000
    {4000000, B4000000},
#endif
};

// Only the rates the terminal layer names exactly; 0 would hang the line up.
std::optional<speed_t> SpeedCode(uint32_t bitsPerSecond) {
    for (const BaudRate& rate : kBaudRates) {
        if (rate.bitsPerSecond == bitsPerSecond)
            return rate.code;
    }
    return std::nullopt;
}

int64_t MonotonicMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

bool Configure(int descriptor, speed_t speed, const SerialPort::Settings& settings) {
    termios line{};
    if (tcgetattr(descriptor, &line) != 0)
        return false;
    cfmakeraw(&line);
    line.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    line.c_cflag |= CS8 | CREAD | CLOCAL;
    line.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    if (settings.xonXoffOutput)
        line.c_iflag |= IXON;
    if (settings.xonXoffInput)
        line.c_iflag |= IXOFF;
    line.c_cc[VSTART] = static_cast<cc_t>(settings.xonChar);
    line.c_cc[VSTOP] = static_cast<cc_t>(settings.xoffChar);
    line.c_cc[VMIN] = 0;
    line.c_cc[VTIME] = 0;
    if (cfsetispeed(&line, speed) != 0 || cfsetospeed(&line, speed) != 0)
        return false;
    if (tcsetattr(descriptor, TCSANOW, &line) != 0)
        return false;
    // tcsetattr succeeds when any part was applied; a driver may have refused the rate.
    termios applied{};
    return tcgetattr(descriptor, &applied) == 0 && cfgetospeed(&applied) == speed &&
           (applied.c_cflag & CSIZE) == CS8 && (applied.c_cflag & (PARENB | CSTOPB)) == 0;
}

} // namespace

struct SerialPort::Native {
    int descriptor = -1;
    // Set once this object has marked the line exclusive; only then does it unmark it.
    bool exclusive = false;

    ~Native() {
        // The exclusive mark stays on the line after close (a pseudo-terminal keeps it as
        // long as its other end is open), so it is taken off before the line is let go.
        if (exclusive)
            ioctl(descriptor, TIOCNXCL);
        ::close(descriptor);
    }
};

SerialPort::SerialPort(std::unique_ptr<Native> native) : native_(std::move(native)) {}

std::string SerialPort::DevicePath(const std::string& portName) {
    const int number = ComPortNumber(portName);
    return number == 0 ? portName : "/dev/ttyS" + std::to_string(number - 1);
}

std::unique_ptr<SerialPort> SerialPort::Open(const std::string& path, const Settings& settings) {
    const std::optional<speed_t> speed = SpeedCode(settings.baudRate);
    if (!speed)
        return nullptr;
    const int descriptor = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0)
        return nullptr;
    // From here on the object owns the descriptor and releases it on every failure.
    auto native = std::make_unique<Native>();
    native->descriptor = descriptor;
    std::unique_ptr<SerialPort> port(new SerialPort(std::move(native)));
    // TIOCEXCL keeps out other openers except privileged ones; the lock keeps out every
    // opener that asks for it, as this class does. A line held by someone else fails
    // here, before its owner's exclusive mark could be touched.
    if (!isatty(descriptor) || flock(descriptor, LOCK_EX | LOCK_NB) != 0 ||
        ioctl(descriptor, TIOCEXCL) != 0)
        return nullptr;
    port->native_->exclusive = true;
    if (!Configure(descriptor, *speed, settings))
        return nullptr;
    return port;
}

SerialPort::~SerialPort() = default;

bool SerialPort::WriteByte(uint8_t byte, uint32_t timeoutMs) {
    const int descriptor = native_->descriptor;
    const int64_t deadline = MonotonicMilliseconds() + timeoutMs;
    for (;;) {
        const ssize_t written = ::write(descriptor, &byte, 1);
        if (written == 1)
            return true;
        if (written < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        const int64_t remaining = deadline - MonotonicMilliseconds();
        if (remaining <= 0)
            return false;
        pollfd writable{descriptor, POLLOUT, 0};
        const int ready =
            ::poll(&writable, 1, static_cast<int>(std::min<int64_t>(remaining, INT_MAX)));
        if (ready < 0 && errno != EINTR)
            return false;
        if (ready > 0 && (writable.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0)
            return false;
    }
}

} // namespace vidrune::platform
