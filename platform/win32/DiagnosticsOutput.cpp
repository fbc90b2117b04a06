// Win32 implementation of platform/DiagnosticsOutput.h; only Win32 code here.
#include "platform/DiagnosticsOutput.h"

#include "platform/win32/WindowsHeaders.h"

#include <string>

namespace vidrune::platform {

void DiagnosticsOutput::Debug(std::string_view text) {
    ::OutputDebugStringA(std::string(text).c_str());
}

void DiagnosticsOutput::Message(std::string_view text, std::string_view caption) {
    ::MessageBoxA(nullptr, std::string(text).c_str(), std::string(caption).c_str(),
                  MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

} // namespace vidrune::platform
