#include "BoardClock.h"

namespace vidrune::fgsim {

BoardClock::BoardClock() : origin_(std::chrono::steady_clock::now()) {}

uint32_t BoardClock::At(TimePoint moment) const {
    const int64_t elapsed =
        std::chrono::duration_cast<std::chrono::microseconds>(moment - origin_).count();
    return static_cast<uint32_t>(static_cast<uint64_t>(kStartValue) +
                                 static_cast<uint64_t>(elapsed));
}

} // namespace vidrune::fgsim
