#pragma once

#include <mutex>

namespace vidrune {

// What a board thread shares with the device that started it. A thread held up in a
// library call can outlive the device's wait for it; the device then detaches the link,
// and the thread, which touches the device only while it holds the link, never does again.
class ThreadLink {
public:
    // The device for the caller's use, held until the lock goes; check Attached().
    std::unique_lock<std::mutex> Hold() { return std::unique_lock(mutex_); }
    bool Attached(const std::unique_lock<std::mutex>&) const { return !detached_; }
    void Detach() {
        std::lock_guard lock(mutex_);
        detached_ = true;
    }

private:
    std::mutex mutex_;
    bool detached_ = false;
};

} // namespace vidrune
