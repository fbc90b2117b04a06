#pragma once

#include <chrono>
#include <cstdint>

namespace vidrune::fgsim {

// The board's microsecond clock: 32 bits wide and started five seconds before its
// wrap, so that code which mishandles the wrap fails within seconds of starting.
class BoardClock {
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    static constexpr uint32_t kStartValue = static_cast<uint32_t>((uint64_t{1} << 32) - 5'000'000u);

    BoardClock();

    uint32_t Now() const { return At(std::chrono::steady_clock::now()); }
    // The board clock's reading at a moment of the host's steady clock.
    uint32_t At(TimePoint moment) const;

private:
    TimePoint origin_;
};

} // namespace vidrune::fgsim
