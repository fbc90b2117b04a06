#include "platform/Clock.h"

#include <gtest/gtest.h>

using vidrune::platform::Clock;

TEST(ClockTest, CountersAdvanceConsistently) {
    const int64_t frequency = Clock::PerformanceFrequency();
    ASSERT_GT(frequency, 1000);
    const int64_t counterStart = Clock::PerformanceCounter();
    const uint32_t tickStart = Clock::TickCount();
    Clock::Sleep(30);
    const int64_t counterMs = (Clock::PerformanceCounter() - counterStart) * 1000 / frequency;
    const uint32_t tickMs = Clock::TickCount() - tickStart; // unsigned: correct across the wrap
    EXPECT_GE(counterMs, 29);
    EXPECT_GE(tickMs, 29u);
    EXPECT_LT(tickMs, 1000u);
}
