// POSIX implementation of platform/Thread.h: std::thread with an end event; only POSIX
// code here.
#include "platform/Thread.h"

#include "platform/Event.h"

#include <pthread.h>
#include <sched.h>

#include <system_error>
#include <thread>

namespace vidrune::platform {

struct Thread::Native {
    std::shared_ptr<Event> ended = std::make_shared<Event>(Event::Mode::ManualReset);
    std::thread thread;
    bool started = false;
};

Thread::Thread(std::function<void()> body) : native_(std::make_unique<Native>()) {
    // The end event is shared so that a thread left running never touches freed memory.
    try {
        native_->thread = std::thread([ended = native_->ended, body = std::move(body)] {
            body();
            ended->Set();
        });
        native_->started = true;
    } catch (const std::system_error&) {
        native_->ended->Set();
    }
}

Thread::~Thread() {
    if (!native_->thread.joinable())
        return;
    if (native_->ended->Wait(0) && native_->thread.get_id() != std::this_thread::get_id())
        native_->thread.join();
    else
        native_->thread.detach();
}

bool Thread::Join(uint32_t timeoutMs) {
    if (native_->thread.get_id() == std::this_thread::get_id())
        return false;
    if (!native_->ended->Wait(timeoutMs))
        return false;
    if (native_->thread.joinable())
        native_->thread.join();
    return true;
}

bool Thread::HasEnded() const {
    return native_->ended->Wait(0);
}

bool Thread::Started() const {
    return native_->started;
}

bool Thread::SetCurrentTimeCritical(bool timeCritical) {
    // The lowest real-time priority is enough to preempt ordinary threads, and leaves every
    // other real-time thread of the system before this one.
    const int policy = timeCritical ? SCHED_FIFO : SCHED_OTHER;
    sched_param parameters{};
    parameters.sched_priority = timeCritical ? sched_get_priority_min(SCHED_FIFO) : 0;
    return pthread_setschedparam(pthread_self(), policy, &parameters) == 0;
}

} // namespace vidrune::platform
