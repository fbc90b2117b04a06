// The OS-independent part of platform/SerialPort.h: Windows port names.
#include "platform/SerialPort.h"

#include <cctype>

namespace vidrune::platform {

namespace {

constexpr int kHighestComPort = 256;

} // namespace

int SerialPort::ComPortNumber(const std::string& name) {
    if (name.size() < 4 || name.size() > 6)
        return 0;
    for (size_t i = 0; i < 3; ++i) {
        if (std::toupper(static_cast<unsigned char>(name[i])) != "COM"[i])
            return 0;
    }
    if (name[3] == '0')
        return 0;
    int number = 0;
    for (size_t i = 3; i < name.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i])))
            return 0;
        number = number * 10 + (name[i] - '0');
    }
    return number <= kHighestComPort ? number : 0;
}

} // namespace vidrune::platform
