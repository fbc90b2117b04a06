#pragma once

#include "fgcore.h"

#include <map>
#include <mutex>
#include <string>

namespace vidrune::fgsim {

// Failures that tests order for the next call of a named operation.
class FaultInjector {
public:
    // status 0 withdraws a pending failure.
    void FailNext(const std::string& operation, FgStatus status);
    // Withdraws every order; returns how many failures were still pending.
    size_t Clear();
    // The next call of the operation first blocks for the time given, as a driver call that
    // hangs does.
    void StallNext(const std::string& operation, uint32_t milliseconds);
    // The ordered status for this call (consumed), or FG_OK; blocks first when a stall was
    // ordered.
    FgStatus Take(const char* operation);

private:
    std::mutex mutex_;
    std::map<std::string, FgStatus, std::less<>> pending_;
    std::map<std::string, uint32_t, std::less<>> stalls_;
};

} // namespace vidrune::fgsim
