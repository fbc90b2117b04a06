#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace vidrune {

namespace platform {
class Thread;
}

// A thread that runs a QApplication and its event loop for a process that has none: the
// live display's window thread.
class QtApplicationThread {
public:
    static constexpr uint32_t kStartTimeoutMs = 10000;

    // Starts the thread and waits until its event loop is about to run. platform is the
    // Qt platform list to try, empty for Qt's own choice.
    explicit QtApplicationThread(const std::string& platform);
    ~QtApplicationThread();
    QtApplicationThread(const QtApplicationThread&) = delete;
    QtApplicationThread& operator=(const QtApplicationThread&) = delete;

    bool Running() const;
    // The platform the application came up on ("xcb", "offscreen", ...).
    std::string PlatformName() const;
    // Ends the event loop and waits for the thread; true when it ended in time.
    bool Stop(uint32_t timeoutMs);

private:
    struct Shared;

    std::shared_ptr<Shared> shared_;
    std::unique_ptr<platform::Thread> thread_;
};

} // namespace vidrune
