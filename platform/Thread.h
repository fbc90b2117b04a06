#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace vidrune::platform {

// A thread that starts at construction and can be waited for with a time-out.
// Destroying a thread that still runs lets it run on, as closing a thread handle does.
// A thread the system refuses (no memory or thread slots left) has not started and counts
// as ended: construction never throws that refusal into a host's call.
// On Windows a running thread keeps the module holding this code loaded, so that a host
// unloading the library under a running device never unmaps code still executing.
class Thread {
public:
    explicit Thread(std::function<void()> body);
    ~Thread();
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    // True when the thread ended within the time-out (milliseconds, kInfinite allowed).
    // A thread waiting for itself does not wait.
    bool Join(uint32_t timeoutMs);
    bool HasEnded() const;
    bool Started() const;

    // Asks for the calling thread to be woken ahead of ordinary threads (real-time
    // scheduling on POSIX systems, the top priority of its class on Windows), or for its
    // ordinary scheduling back. Best effort: true when the system granted it.
    static bool SetCurrentTimeCritical(bool timeCritical);

private:
    // The OS's thread; defined by each implementation.
    struct Native;
    std::unique_ptr<Native> native_;
};

} // namespace vidrune::platform
