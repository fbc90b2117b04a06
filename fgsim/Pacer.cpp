#include "Pacer.h"

#include "platform/Thread.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>

namespace vidrune::fgsim {

namespace {

// A sleeping thread on a busy machine wakes up to a few hundred microseconds late; it sleeps
// until this much before the frame is due and spins the rest of the way.
constexpr auto kSpinLead = std::chrono::microseconds(200);

// Frames in a row that must leave half their period unused before the thread asks for
// time-critical scheduling.
constexpr int kCalmFrames = 8;

} // namespace

bool Pacer::WaitUntil(TimePoint due) {
    ChooseScheduling(due);
    {
        std::unique_lock lock(mutex_);
        if (wake_.wait_until(lock, due - kSpinLead, [this] { return stopped_.load(); }))
            return false;
    }
    while ((resumed_ = std::chrono::steady_clock::now()) < due) {
        if (stopped_.load(std::memory_order_relaxed))
            return false;
    }
    return !stopped_.load();
}

Pacer::Pacer() {
    // Asked for only: a library does not change how its host's threads are scheduled unless
    // the host's user wants it (the benchmarks do).
    const char* wanted = std::getenv("VIDRUNE_SIM_TIME_CRITICAL");
    timeCriticalRefused_ = wanted == nullptr || std::string_view(wanted) != "1";
}

void Pacer::ChooseScheduling(TimePoint due) {
    // The work since the last wait against the time between frames: a thread that needed
    // more than half of it in one of its last frames keeps its ordinary scheduling, so that
    // one that cannot keep up (a large frame, a slow build, a slow callback) never holds a
    // core ahead of every ordinary thread.
    const auto work = std::chrono::steady_clock::now() - resumed_;
    const bool calm = lastDue_ && due > *lastDue_ && work * 2 < due - *lastDue_;
    calmFrames_ = calm ? std::min(calmFrames_ + 1, kCalmFrames) : 0;
    lastDue_ = due;
    const bool wanted = calmFrames_ == kCalmFrames;
    if (wanted == timeCritical_ || (wanted && timeCriticalRefused_))
        return;
    if (platform::Thread::SetCurrentTimeCritical(wanted))
        timeCritical_ = wanted;
    else
        timeCriticalRefused_ = wanted; // not asked again during this run
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
