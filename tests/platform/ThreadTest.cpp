#include "platform/Thread.h"

#include "platform/Clock.h"
#include "platform/Event.h"

#include <gtest/gtest.h>

using vidrune::platform::Clock;
using vidrune::platform::Event;
using vidrune::platform::Thread;

TEST(ThreadTest, JoinWaitsForTheEnd) {
    Event go(Event::Mode::ManualReset);
    Thread thread([&] { go.Wait(5000); });
    EXPECT_FALSE(thread.HasEnded());
    const uint32_t start = Clock::TickCount();
    EXPECT_FALSE(thread.Join(50));
    EXPECT_GE(Clock::TickCount() - start, 49u);
    go.Set();
    EXPECT_TRUE(thread.Join(2000));
    EXPECT_TRUE(thread.HasEnded());
    EXPECT_TRUE(thread.Join(0));
}
