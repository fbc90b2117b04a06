#pragma once

// Control of the simulated board for tests: not part of the FgCore operations.

#include "fgcore.h"

#include <cstddef>
#include <cstdint>

namespace vidrune::fgsim {

struct TransferCounts {
    uint64_t delivered = 0; // frames landed in the list since the latest start
    uint64_t late = 0;      // of these, frames completed after the next one was due
    bool running = false;
};

// The next call of the named operation (e.g. "FgXferStart") fails with status, before it
// does anything; status 0 withdraws the order. FgManGetLocalServer then gives 0.
FG_API void FailNextCall(const char* operation, FgStatus status);
// Withdraws every ordered failure; returns how many no call had met yet.
FG_API size_t ClearFailures();
// The next call of the named operation blocks for the given time before it runs.
FG_API void StallNextCall(const char* operation, uint32_t milliseconds);
// Live objects of that kind, to find leaks.
FG_API size_t LiveObjectCount(FgObjectKind kind);
// False when the handle is not a live transfer.
FG_API bool ReadTransferCounts(FgHandle transfer, TransferCounts* counts);
// The board clock now (microseconds, 32-bit, as the buffers' time stamps).
FG_API uint32_t BoardClockNow();

} // namespace vidrune::fgsim
