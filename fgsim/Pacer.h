#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace vidrune::fgsim {

// Sleeps a delivery thread until a frame is due, with microsecond precision, and wakes
// it at once when the run is stopped.
class Pacer {
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    // False when the pacer was stopped before or during the wait.
    bool WaitUntil(TimePoint due);
    void WaitUntilStopped();
    void Stop();

private:
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopped_ = false;
};

} // namespace vidrune::fgsim
