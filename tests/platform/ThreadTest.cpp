#include "platform/Thread.h"

#include "platform/Event.h"
#include "support/Scheduling.h"

#include <gtest/gtest.h>

#include <array>

using vidrune::platform::kInfinite;
using vidrune::platform::Thread;
using vidrune::test::RunsTimeCritical;
using vidrune::test::TimeCriticalGranted;

TEST(ThreadTest, TimeCriticalSchedulingIsGrantedWhereTheSystemAllowsAndGoesBack) {
    const bool allowed = TimeCriticalGranted();
    // Granted, then running so, then undone, then running ordinarily again.
    std::array<bool, 4> seen{!allowed, !allowed, false, true};
    Thread thread([&] {
        seen = {Thread::SetCurrentTimeCritical(true), RunsTimeCritical(),
                Thread::SetCurrentTimeCritical(false), RunsTimeCritical()};
    });
    ASSERT_TRUE(thread.Join(kInfinite));
    EXPECT_EQ(seen, (std::array{allowed, allowed, true, false}));
}
