// The portable implementation of platform/Event.h: condition variables under one lock.
#include "platform/Event.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace vidrune::platform {

namespace {

// One lock for all events keeps a wait on several events atomic, as a kernel's
// multi-object wait is: an auto-reset event is consumed by exactly one waiter.
std::mutex& EventLock() {
    static std::mutex lock;
    return lock;
}

// A thread in WaitAny: released names the event that ended its wait.
struct Waiter {
    std::condition_variable wake;
    std::span<Event* const> events;
    int released = -1;

    int IndexOf(const Event* event) const {
        auto it = std::find(events.begin(), events.end(), event);
        return static_cast<int>(it - events.begin());
    }
};

} // namespace

struct Event::Native {
    Native(bool manualReset, bool initiallySignalled)
        : manual(manualReset), signalled(initiallySignalled) {}

    void ReleaseWaiters(const Event* event, bool all) {
        for (Waiter* waiter : waiters) {
            if (waiter->released >= 0)
                continue;
            waiter->released = waiter->IndexOf(event);
            waiter->wake.notify_one();
            if (!all)
                return;
        }
    }

    const bool manual;
    bool signalled;
    std::vector<Waiter*> waiters;
};

Event::Event(Mode mode, bool initiallySignalled)
    : native_(std::make_unique<Native>(mode == Mode::ManualReset, initiallySignalled)) {}

Event::~Event() = default;

void Event::Set() {
    std::lock_guard lock(EventLock());
    if (native_->manual) {
        native_->signalled = true;
        native_->ReleaseWaiters(this, true);
        return;
    }
    auto pending = std::find_if(native_->waiters.begin(), native_->waiters.end(),
                                [](const Waiter* w) { return w->released < 0; });
    if (pending == native_->waiters.end())
        native_->signalled = true;
    else
        native_->ReleaseWaiters(this, false);
}

void Event::Reset() {
    std::lock_guard lock(EventLock());
    native_->signalled = false;
}

void Event::Pulse() {
    std::lock_guard lock(EventLock());
    native_->ReleaseWaiters(this, native_->manual);
    native_->signalled = false;
}

bool Event::Wait(uint32_t timeoutMs) {
    Event* self = this;
    return WaitAny(std::span<Event* const>(&self, 1), timeoutMs) == 0;
}

int Event::WaitAny(std::span<Event* const> events, uint32_t timeoutMs) {
    std::unique_lock lock(EventLock());
    for (size_t i = 0; i < events.size(); ++i) {
        Native& event = *events[i]->native_;
        if (event.signalled) {
            if (!event.manual)
                event.signalled = false;
            return static_cast<int>(i);
        }
    }
    if (timeoutMs == 0 || events.empty())
        return -1;

    Waiter waiter;
    waiter.events = events;
    for (Event* event : events)
        event->native_->waiters.push_back(&waiter);

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (waiter.released < 0) {
        if (timeoutMs == kInfinite) {
            waiter.wake.wait(lock);
        } else if (waiter.wake.wait_until(lock, deadline) == std::cv_status::timeout) {
            break;
        }
    }
    for (Event* event : events)
        std::erase(event->native_->waiters, &waiter);
    return waiter.released;
}

} // namespace vidrune::platform
