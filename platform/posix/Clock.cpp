// POSIX implementation of platform/Clock.h; only POSIX code here.
#include "platform/Clock.h"

#include <time.h>

namespace vidrune::platform {

namespace {

int64_t MonotonicNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

} // namespace

uint32_t Clock::TickCount() {
    return static_cast<uint32_t>(MonotonicNanoseconds() / 1000000);
}

int64_t Clock::PerformanceCounter() {
    return MonotonicNanoseconds();
}

int64_t Clock::PerformanceFrequency() {
    return 1000000000;
}

void Clock::Sleep(uint32_t milliseconds) {
    timespec wait{static_cast<time_t>(milliseconds / 1000),
                  static_cast<long>(milliseconds % 1000) * 1000000};
    while (nanosleep(&wait, &wait) != 0) {
    }
}

} // namespace vidrune::platform
