// Win32 helper of platform/win32: error texts; only Win32 code here.
#include "platform/win32/SystemError.h"

#include "platform/win32/WindowsHeaders.h"

namespace vidrune::platform {

std::string SystemError::LastErrorText() {
    const DWORD code = ::GetLastError();
    char text[512] = {};
    const DWORD length =
        ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                         0, text, sizeof text, nullptr);
    std::string message(text, length);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r'))
        message.pop_back();
    return "error " + std::to_string(code) + (message.empty() ? "" : ": " + message);
}

} // namespace vidrune::platform
