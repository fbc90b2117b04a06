#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>

namespace vidrune::fgsim {

// Holds a delivery thread until a frame is due, with microsecond precision (a sleep that
// ends shortly before, then a spin), and wakes it at once when the run is stopped. A board
// delivers on time whatever the host's cores are doing; so that the simulation does too on
// a busy machine, the thread can ask for time-critical scheduling while it keeps up easily
// (VIDRUNE_SIM_TIME_CRITICAL=1).
class Pacer {
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    Pacer();

    // False when the pacer was stopped before or during the wait.
    bool WaitUntil(TimePoint due);
    void WaitUntilStopped();
    void Stop();

private:
    void ChooseScheduling(TimePoint due);

    // The delivery thread's own.
    std::optional<TimePoint> lastDue_;
    TimePoint resumed_;
    int calmFrames_ = 0;
    bool timeCritical_ = false;
    bool timeCriticalRefused_ = false;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::atomic<bool> stopped_{false}; // also read while spinning, without the lock
};

} // namespace vidrune::fgsim
