#include "platform/Thread.h"

#include "platform/Event.h"
#include "support/Scheduling.h"

#include <gtest/gtest.h>

using vidrune::platform::kInfinite;
using vidrune::platform::Thread;
using vidrune::test::RunsTimeCritical;
using vidrune::test::TimeCriticalGranted;

TEST(ThreadTest, TimeCriticalSchedulingIsGrantedWhereTheSystemAllowsAndGoesBack) {
    const bool allowed = TimeCriticalGranted();
    bool granted = !allowed;
    bool critical = !allowed;
    bool undone = false;
    bool ordinary = false;
    Thread thread([&] {
        granted = Thread::SetCurrentTimeCritical(true);
        critical = RunsTimeCritical();
        undone = Thread::SetCurrentTimeCritical(false);
        ordinary = !RunsTimeCritical();
    });
    ASSERT_TRUE(thread.Join(kInfinite));
    EXPECT_EQ(granted, allowed);
    EXPECT_EQ(critical, allowed);
    EXPECT_TRUE(undone);
    EXPECT_TRUE(ordinary);
}
