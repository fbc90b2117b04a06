#include "platform/Clock.h"

#include <gtest/gtest.h>

#include <algorithm>

using vidrune::platform::Clock;

namespace {

// How far the tick count jumps at once: 1 ms on Linux, about 15.6 ms on Windows.
uint32_t TickStep() {
    const uint32_t first = Clock::TickCount();
    uint32_t edge = first;
    while (edge == first)
        edge = Clock::TickCount();
    uint32_t next = edge;
    while (next == edge)
        next = Clock::TickCount();
    return next - edge;
}

} // namespace

TEST(ClockTest, CountersAdvanceConsistently) {
    const int64_t frequency = Clock::PerformanceFrequency();
    ASSERT_GT(frequency, 1000);
    const uint32_t step = TickStep();
    ASSERT_LT(step, 100u);
    const int64_t counterStart = Clock::PerformanceCounter();
    const uint32_t tickStart = Clock::TickCount();
    Clock::Sleep(100);
    const int64_t counterMs = (Clock::PerformanceCounter() - counterStart) * 1000 / frequency;
    const uint32_t tickMs = Clock::TickCount() - tickStart; // unsigned: correct across the wrap
    EXPECT_GE(counterMs, 99);
    // Either end may be read a step late, and Wine updates its tick a period late at times;
    // a tick in the wrong unit, or one that stands still, is far outside this.
    EXPECT_GE(tickMs + 2 * std::max(step, 16u), 99u);
    EXPECT_LT(tickMs, 1000u);
}
