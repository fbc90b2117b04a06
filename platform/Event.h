#pragma once

#include <cstdint>
#include <memory>
#include <span>

namespace vidrune::platform {

// Time-out value that waits for ever.
inline constexpr uint32_t kInfinite = 0xFFFFFFFFu;

// A kernel-style event: manual-reset events stay signalled until reset, auto-reset
// events release exactly one waiter per set. Waits take time-outs in milliseconds,
// 0 testing without waiting.
class Event {
public:
    enum class Mode { ManualReset, AutoReset };

    explicit Event(Mode mode, bool initiallySignalled = false);
    ~Event();
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void Set();
    void Reset();
    // Releases the threads waiting now and leaves the event non-signalled (auto-reset:
    // at most one thread).
    void Pulse();

    // True when the event was signalled within the time-out.
    bool Wait(uint32_t timeoutMs);

    // Waits until any of the events is signalled. Returns the index of the event that
    // ended the wait, or -1 on time-out. Only that event is consumed when it is auto-reset.
    static int WaitAny(std::span<Event* const> events, uint32_t timeoutMs);

private:
    // The OS's event; defined by each implementation.
    struct Native;

    std::unique_ptr<Native> native_;
};

} // namespace vidrune::platform
