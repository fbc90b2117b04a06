#include "platform/Event.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace vidrune::platform {

namespace {

// One lock for all events keeps a wait on several events atomic, as a kernel's
// multi-object wait is: an auto-reset event is consumed by exactly one waiter.
std::mutex& EventLock() {
    static std::mutex lock;
    return lock;
}

} // namespace

struct Event::Waiter {
    std::condition_variable wake;
    std::span<Event* const> events;
    int released = -1;

    int IndexOf(const Event* event) const {
        auto it = std::find(events.begin(), events.end(), event);
        return static_cast<int>(it - events.begin());
    }
};

Event::Event(Mode mode, bool initiallySignalled)
    : manual_(mode == Mode::ManualReset), signalled_(initiallySignalled) {}

Event::~Event() = default;

void Event::ReleaseWaiters(bool all) {
    for (Waiter* waiter : waiters_) {
        if (waiter->released >= 0)
            continue;
        waiter->released = waiter->IndexOf(this);
        waiter->wake.notify_one();
        if (!all)
            return;
    }
}

void Event::Set() {
    std::lock_guard lock(EventLock());
    if (manual_) {
        signalled_ = true;
        ReleaseWaiters(true);
        return;
    }
    auto pending = std::find_if(waiters_.begin(), waiters_.end(),
                                [](const Waiter* w) { return w->released < 0; });
    if (pending == waiters_.end())
        signalled_ = true;
    else
        ReleaseWaiters(false);
}

void Event::Reset() {
    std::lock_guard lock(EventLock());
    signalled_ = false;
}

void Event::Pulse() {
    std::lock_guard lock(EventLock());
    ReleaseWaiters(manual_);
    signalled_ = false;
}

bool Event::Wait(uint32_t timeoutMs) {
    Event* self = this;
    return WaitAny(std::span<Event* const>(&self, 1), timeoutMs) == 0;
}

int Event::WaitAny(std::span<Event* const> events, uint32_t timeoutMs) {
    std::unique_lock lock(EventLock());
    for (size_t i = 0; i < events.size(); ++i) {
        if (events[i]->signalled_) {
            if (!events[i]->manual_)
                events[i]->signalled_ = false;
            return static_cast<int>(i);
        }
    }
    if (timeoutMs == 0 || events.empty())
        return -1;

    Waiter waiter;
    waiter.events = events;
    for (Event* event : events)
        event->waiters_.push_back(&waiter);

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (waiter.released < 0) {
        if (timeoutMs == kInfinite) {
            waiter.wake.wait(lock);
        } else if (waiter.wake.wait_until(lock, deadline) == std::cv_status::timeout) {
            break;
        }
    }
    for (Event* event : events)
        std::erase(event->waiters_, &waiter);
    return waiter.released;
}

} // namespace vidrune::platform
