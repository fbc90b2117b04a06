#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace vidrune::fgsim {

// Holds a delivery thread until a frame is due, with microsecond precision (a sleep that
// ends shortly before, then a spin), and wakes it at once when the run is stopped.
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
    std::atomic<bool> stopped_{false}; // also read while spinning, without the lock
};

} // namespace vidrune::fgsim
