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
    void Clear();
    // The ordered status for this call (consumed), or FG_OK.
    FgStatus Take(const char* operation);

private:
    std::mutex mutex_;
    std::map<std::string, FgStatus, std::less<>> pending_;
};

} // namespace vidrune::fgsim
