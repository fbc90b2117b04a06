#pragma once

// Win32 only: included by platform/win32/*.cpp.
#include <string>

namespace vidrune::platform {

// The system's text for the calling thread's last error, with its number.
class SystemError {
public:
    static std::string LastErrorText();
};

} // namespace vidrune::platform
