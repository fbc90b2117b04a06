#pragma once

#include "BoardClock.h"
#include "FaultInjector.h"
#include "HandleRegistry.h"

#include <atomic>
#include <mutex>
#include <optional>

namespace vidrune::fgsim {

// The one simulated board of the process: every live object, the board clock, the
// failures ordered by tests and the buffer budget of the programmed camera.
class Library {
public:
    static Library& Instance();

    ~Library();
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    HandleRegistry& Registry() { return registry_; }
    const BoardClock& Clock() const { return clock_; }
    FaultInjector& Faults() { return faults_; }

    // The live local server, made anew when the last one was released.
    FgHandle LocalServer();
    // False when the board is absent (VIDRUNE_SIM_BOARDS=0).
    static bool BoardPresent();

    // FailBufferAfter of the camera last programmed into an acquisition: that many
    // buffers are created, the ones after are refused. Reset by each programming and
    // gone with the acquisition that set it.
    void SetBufferBudget(FgHandle acquisition, std::optional<uint64_t> limit);
    void DropBufferBudget(FgHandle acquisition);
    bool TakeBuffer();

    void SetTimeout(uint32_t milliseconds) { timeoutMs_.store(milliseconds); }

    // For the library's detach at process exit on Windows, where the system has already
    // ended every other thread wherever it stood: stopping a transfer would wait for its
    // delivery thread for ever, so the transfers still registered are left to the OS.
    void LeaveTransfersAtExit();

private:
    Library() = default;

    HandleRegistry registry_;
    BoardClock clock_;
    FaultInjector faults_;
    std::mutex mutex_;
    FgHandle localServer_ = 0;
    FgHandle budgetOwner_ = 0;
    std::optional<uint64_t> bufferLimit_;
    uint64_t buffersMade_ = 0;
    std::atomic<uint32_t> timeoutMs_{5000};
    bool leftAtExit_ = false;
};

} // namespace vidrune::fgsim
