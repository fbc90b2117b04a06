#include "platform/Event.h"

#include "platform/Clock.h"
#include "platform/Thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

using vidrune::platform::Clock;
using vidrune::platform::Event;
using vidrune::platform::kInfinite;
using vidrune::platform::Thread;

TEST(EventTest, SetsAndPulsesReleaseTheRightNumberOfWaiters) {
    struct Case {
        Event::Mode mode;
        int waiters;
        int sets; // Set() calls, or a single Pulse() when 0
        int expected;
    };
    // The last: nobody waiting, so the pulse is lost.
    for (const Case& c :
         {Case{Event::Mode::AutoReset, 4, 2, 2}, Case{Event::Mode::ManualReset, 3, 0, 3},
          Case{Event::Mode::AutoReset, 2, 0, 1}, Case{Event::Mode::ManualReset, 0, 0, 0}}) {
        Event event(c.mode);
        std::atomic<int> released{0};
        std::vector<std::unique_ptr<Thread>> waiters;
        for (int i = 0; i < c.waiters; ++i)
            waiters.push_back(std::make_unique<Thread>([&] {
                if (event.Wait(1500))
                    ++released;
            }));
        Clock::Sleep(50);
        if (c.sets == 0)
            event.Pulse();
        for (int i = 0; i < c.sets; ++i)
            event.Set();
        for (auto& waiter : waiters)
            ASSERT_TRUE(waiter->Join(3000));
        EXPECT_EQ(released, c.expected) << c.waiters << " waiters, " << c.sets << " sets";
        EXPECT_FALSE(event.Wait(0)); // nothing left over, a pulse stays reset
    }
}

// Both start signalled here: a manual-reset event stays so until its reset, one wait takes
// an auto-reset event's signal. The test above starts them clear and sets them.
TEST(EventTest, SignalsStayOrAreConsumedWaitAnyTellsWhichEventEndedTheWaitAndJoinWaits) {
    Event stop(Event::Mode::ManualReset, true);
    Event frame(Event::Mode::AutoReset, true);
    EXPECT_TRUE(stop.Wait(0));
    EXPECT_TRUE(stop.Wait(0));
    EXPECT_TRUE(frame.Wait(0));
    EXPECT_FALSE(frame.Wait(0));
    stop.Reset();
    Event* both[] = {&stop, &frame};
    EXPECT_EQ(Event::WaitAny(both, 0), -1);

    frame.Set();
    EXPECT_EQ(Event::WaitAny(both, 0), 1);
    EXPECT_EQ(Event::WaitAny(both, 0), -1); // the auto-reset event was consumed

    // The waiting thread runs until an event ends its wait; Join waits for its end.
    std::atomic<int> index{-2};
    Thread waiter([&] { index = Event::WaitAny(both, kInfinite); });
    uint32_t start = Clock::TickCount();
    EXPECT_FALSE(waiter.Join(50));
    EXPECT_GE(Clock::TickCount() - start, 49u);
    EXPECT_FALSE(waiter.HasEnded());
    stop.Set();
    ASSERT_TRUE(waiter.Join(2000));
    EXPECT_TRUE(waiter.HasEnded());
    EXPECT_TRUE(waiter.Join(0));
    EXPECT_EQ(index, 0);
    EXPECT_TRUE(stop.Wait(0)); // manual-reset stays set

    start = Clock::TickCount();
    stop.Reset();
    EXPECT_EQ(Event::WaitAny(both, 40), -1);
    const uint32_t elapsed = Clock::TickCount() - start;
    EXPECT_GE(elapsed, 39u);
    EXPECT_LT(elapsed, 500u);
}
