#pragma once

#include <atomic>
#include <cstdint>

namespace vidrune::fgsim {

// Counts of the latest run of a transfer, read from any thread.
struct DeliveryCounters {
    std::atomic<uint64_t> delivered{0};
    std::atomic<uint64_t> late{0};
    std::atomic<bool> running{false};
};

} // namespace vidrune::fgsim
