#pragma once

#include <cstdint>
#include <string>

namespace vidrune {

// A QApplication and its event loop for a process that has none: the live display's
// window thread. All applications of the process run, one after the other, on one thread
// that is started with the first and never ends. Qt keeps its plug-ins in globals that
// its exit handlers destroy after main returns, and they refer to the data of the thread
// that loaded them: a thread that had ended by then would leave them pointing at freed
// memory. So stopping an application destroys it on its own thread, and the thread then
// parks until the next application or the end of the process.
class QtApplicationThread {
public:
    static constexpr uint32_t kStartTimeoutMs = 10000;

    // Starts an application on the process's Qt thread and waits until its event loop is
    // about to run. platform is the Qt platform list to try, empty for Qt's own choice.
    explicit QtApplicationThread(const std::string& platform);
    // Stops the application (Stop with kStopTimeoutMs).
    ~QtApplicationThread();
    QtApplicationThread(const QtApplicationThread&) = delete;
    QtApplicationThread& operator=(const QtApplicationThread&) = delete;

    bool Running() const;
    // The platform the application came up on ("xcb", "offscreen", ...).
    std::string PlatformName() const;
    // Ends the event loop and waits until the application is destroyed; true when that
    // happened in time. The thread stays, parked.
    bool Stop(uint32_t timeoutMs);

    static constexpr uint32_t kStopTimeoutMs = 1000;

private:
    class Host;

    Host& host_;
    bool started_ = false;
};

} // namespace vidrune
