#include "platform/Thread.h"

#include "platform/Event.h"

namespace vidrune::platform {

Thread::Thread(std::function<void()> body)
    : ended_(std::make_shared<Event>(Event::Mode::ManualReset)) {
    // The end event is shared so that a thread left running never touches freed memory.
    thread_ = std::thread([ended = ended_, body = std::move(body)] {
        body();
        ended->Set();
    });
}

Thread::~Thread() {
    if (!thread_.joinable())
        return;
    if (ended_->Wait(0))
        thread_.join();
    else
        thread_.detach();
}

bool Thread::Join(uint32_t timeoutMs) {
    if (!ended_->Wait(timeoutMs))
        return false;
    if (thread_.joinable())
        thread_.join();
    return true;
}

bool Thread::HasEnded() const {
    return ended_->Wait(0);
}

} // namespace vidrune::platform
