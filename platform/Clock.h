#pragma once

#include <cstdint>

namespace vidrune::platform {

class Clock {
public:
    // Milliseconds since an arbitrary start, wrapping at 2^32 like the system tick count.
    static uint32_t TickCount();
    // High-resolution counter and its ticks per second.
    static int64_t PerformanceCounter();
    static int64_t PerformanceFrequency();
    static void Sleep(uint32_t milliseconds);
};

} // namespace vidrune::platform
