#include "Pacer.h"

namespace vidrune::fgsim {

bool Pacer::WaitUntil(TimePoint due) {
    std::unique_lock lock(mutex_);
    wake_.wait_until(lock, due, [this] { return stopped_; });
    return !stopped_;
}

void Pacer::WaitUntilStopped() {
    std::unique_lock lock(mutex_);
    wake_.wait(lock, [this] { return stopped_; });
}

void Pacer::Stop() {
    {
        std::lock_guard lock(mutex_);
        stopped_ = true;
    }
    wake_.notify_all();
}

} // namespace vidrune::fgsim
