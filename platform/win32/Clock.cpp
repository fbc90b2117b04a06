// Win32 implementation of platform/Clock.h; only Win32 code here.
#include "platform/Clock.h"

#include "platform/win32/WindowsHeaders.h"

namespace vidrune::platform {

static_assert(sizeof(DWORD) == sizeof(uint32_t), "the tick count is the system's 32-bit tick");

uint32_t Clock::TickCount() {
    return ::GetTickCount();
}

int64_t Clock::PerformanceCounter() {
    LARGE_INTEGER now{};
    ::QueryPerformanceCounter(&now);
    return now.QuadPart;
}

int64_t Clock::PerformanceFrequency() {
    LARGE_INTEGER frequency{};
    ::QueryPerformanceFrequency(&frequency);
    return frequency.QuadPart;
}

void Clock::Sleep(uint32_t milliseconds) {
    ::Sleep(milliseconds);
}

} // namespace vidrune::platform
