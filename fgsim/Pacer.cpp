#include "Pacer.h"

namespace vidrune::fgsim {

namespace {

// A sleeping thread on a busy machine wakes up to a few hundred microseconds late; it sleeps
// until this much before the frame is due and spins the rest of the way.
constexpr auto kSpinLead = std::chrono::microseconds(200);

} // namespace

bool Pacer::WaitUntil(TimePoint due) {
    {
        std::unique_lock lock(mutex_);
        if (wake_.wait_until(lock, due - kSpinLead, [this] { return stopped_.load(); }))
            return false;
    }
    while (std::chrono::steady_clock::now() < due) {
        if (stopped_.load(std::memory_order_relaxed))
            return false;
    }
    return !stopped_.load();
}

void Pacer::WaitUntilStopped() {
    std::unique_lock lock(mutex_);
    wake_.wait(lock, [this] { return stopped_.load(); });
}

void Pacer::Stop() {
    {
        std::lock_guard lock(mutex_);
        stopped_ = true;
    }
    wake_.notify_all();
}

} // namespace vidrune::fgsim
