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

namespace {

uint32_t Elapsed(uint32_t start) {
    return Clock::TickCount() - start;
}

} // namespace

TEST(EventTest, ManualResetStaysSignalledUntilReset) {
    Event event(Event::Mode::ManualReset);
    EXPECT_FALSE(event.Wait(0));
    event.Set();
    EXPECT_TRUE(event.Wait(0));
    EXPECT_TRUE(event.Wait(0));
    event.Reset();
    EXPECT_FALSE(event.Wait(0));
    Event initially(Event::Mode::ManualReset, true);
    EXPECT_TRUE(initially.Wait(0));
}

TEST(EventTest, AutoResetIsConsumedByOneWait) {
    Event event(Event::Mode::AutoReset, true);
    EXPECT_TRUE(event.Wait(0));
    EXPECT_FALSE(event.Wait(0));
}

TEST(EventTest, TimeoutIsHonoured) {
    Event event(Event::Mode::ManualReset);
    const uint32_t start = Clock::TickCount();
    EXPECT_FALSE(event.Wait(60));
    const uint32_t elapsed = Elapsed(start);
    EXPECT_GE(elapsed, 59u);
    EXPECT_LT(elapsed, 500u);
}

TEST(EventTest, SetWakesAnInfiniteWait) {
    Event event(Event::Mode::ManualReset);
    std::atomic<bool> woke{false};
    Thread waiter([&] { woke = event.Wait(kInfinite); });
    Clock::Sleep(20);
    EXPECT_FALSE(woke);
    event.Set();
    ASSERT_TRUE(waiter.Join(2000));
    EXPECT_TRUE(woke);
}

TEST(EventTest, AutoResetReleasesExactlyOneWaiterPerSet) {
    Event event(Event::Mode::AutoReset);
    std::atomic<int> released{0};
    std::vector<std::unique_ptr<Thread>> waiters;
    for (int i = 0; i < 4; ++i)
        waiters.push_back(std::make_unique<Thread>([&] {
            if (event.Wait(1500))
                ++released;
        }));
    Clock::Sleep(50);
    event.Set();
    event.Set();
    for (auto& waiter : waiters)
        ASSERT_TRUE(waiter->Join(3000));
    EXPECT_EQ(released, 2);
    EXPECT_FALSE(event.Wait(0)); // nothing left over
}

TEST(EventTest, PulseReleasesCurrentWaitersAndStaysReset) {
    Event event(Event::Mode::ManualReset);
    std::atomic<int> released{0};
    std::vector<std::unique_ptr<Thread>> waiters;
    for (int i = 0; i < 3; ++i)
        waiters.push_back(std::make_unique<Thread>([&] {
            if (event.Wait(2000))
                ++released;
        }));
    Clock::Sleep(50);
    event.Pulse();
    for (auto& waiter : waiters)
        ASSERT_TRUE(waiter->Join(3000));
    EXPECT_EQ(released, 3);
    EXPECT_FALSE(event.Wait(0));

    // Nobody waiting: a pulse is lost.
    event.Pulse();
    EXPECT_FALSE(event.Wait(0));
}

TEST(EventTest, AutoResetPulseReleasesOne) {
    Event event(Event::Mode::AutoReset);
    std::atomic<int> released{0};
    Thread a([&] { released += event.Wait(400) ? 1 : 0; });
    Thread b([&] { released += event.Wait(400) ? 1 : 0; });
    Clock::Sleep(50);
    event.Pulse();
    ASSERT_TRUE(a.Join(2000));
    ASSERT_TRUE(b.Join(2000));
    EXPECT_EQ(released, 1);
}

TEST(EventTest, WaitAnyTellsWhichEventEndedTheWait) {
    Event stop(Event::Mode::ManualReset);
    Event frame(Event::Mode::AutoReset);
    Event* both[] = {&stop, &frame};
    EXPECT_EQ(Event::WaitAny(both, 0), -1);

    frame.Set();
    EXPECT_EQ(Event::WaitAny(both, 0), 1);
    EXPECT_EQ(Event::WaitAny(both, 0), -1); // the auto-reset event was consumed

    std::atomic<int> index{-2};
    Thread waiter([&] { index = Event::WaitAny(both, kInfinite); });
    Clock::Sleep(20);
    stop.Set();
    ASSERT_TRUE(waiter.Join(2000));
    EXPECT_EQ(index, 0);
    EXPECT_TRUE(stop.Wait(0)); // manual-reset stays set

    const uint32_t start = Clock::TickCount();
    stop.Reset();
    EXPECT_EQ(Event::WaitAny(both, 40), -1);
    EXPECT_GE(Elapsed(start), 39u);
}

TEST(EventTest, AutoResetSetWithoutWaiterIsKeptForTheNextWait) {
    Event frame(Event::Mode::AutoReset);
    Event other(Event::Mode::ManualReset);
    frame.Set();
    Event* events[] = {&other, &frame};
    EXPECT_EQ(Event::WaitAny(events, 100), 1);
    EXPECT_FALSE(frame.Wait(0));
}
