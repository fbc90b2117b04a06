#include "platform/Thread.h"

#include "platform/Clock.h"
#include "platform/Event.h"
#include "support/Scheduling.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>

using namespace vidrune::platform;
using namespace vidrune::test;

// A manual-reset event stays signalled until its reset, one wait takes an auto-reset event's
// signal, and a pulse nobody waits for is lost.
TEST(EventTest, SignalsStayOrAreConsumedWaitAnyTellsWhichEventEndedTheWaitAndJoinWaits) {
    Event stop(Event::Mode::ManualReset, true);
    Event frame(Event::Mode::AutoReset, true);
    EXPECT_TRUE(stop.Wait(0));
    EXPECT_TRUE(frame.Wait(0));
    EXPECT_FALSE(frame.Wait(0));
    stop.Reset();
    Event* both[] = {&stop, &frame};
    stop.Pulse();
    frame.Pulse();
    EXPECT_EQ(Event::WaitAny(both, 0), -1);

    frame.Set();
    EXPECT_EQ(Event::WaitAny(both, 0), 1);
    EXPECT_EQ(Event::WaitAny(both, 0), -1); // the auto-reset event was consumed

    // The waiting thread runs until an event ends its wait; Join waits for its end.
    std::atomic<int> index{-2};
    Thread waiter([&] { index = Event::WaitAny(both, kInfinite); });
    const uint32_t start = Clock::TickCount();
    EXPECT_FALSE(waiter.Join(50));
    EXPECT_GE(Clock::TickCount() - start, 49u);
    EXPECT_FALSE(waiter.HasEnded());
    stop.Set();
    ASSERT_TRUE(waiter.Join(2000));
    EXPECT_TRUE(waiter.HasEnded());
    EXPECT_EQ(index, 0);
    EXPECT_TRUE(stop.Wait(0)); // manual-reset stays set
}

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
