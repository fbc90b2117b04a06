#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

namespace vidrune::platform {

class Event;

// A thread that starts at construction and can be waited for with a time-out.
// Destroying a thread that still runs lets it run on, as closing a thread handle does.
class Thread {
public:
    explicit Thread(std::function<void()> body);
    ~Thread();
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    // True when the thread ended within the time-out (milliseconds, kInfinite allowed).
    bool Join(uint32_t timeoutMs);
    bool HasEnded() const;

private:
    std::shared_ptr<Event> ended_;
    std::thread thread_;
};

} // namespace vidrune::platform
