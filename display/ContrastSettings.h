#pragma once

#include <atomic>
#include <cstdint>

namespace vidrune {

// Gain, offset and automatic-level state of the 8-bit conversion. The window thread
// writes them (contrast dialog, menu) while the update thread reads and, during the
// automatic-level countdown, writes them too; every field is therefore atomic.
struct ContrastSettings {
    static constexpr int32_t kRestartCountdown = 10;
    static constexpr int32_t kOpenCountdown = 2;

    std::atomic<int32_t> gain{0}; // input span mapped onto 256 steps; 0 = high byte
    std::atomic<int32_t> offset{0};
    std::atomic<int32_t> invert{0};
    std::atomic<int32_t> autoLevelCountdown{kRestartCountdown};
    std::atomic<int32_t> autoLevelFrameCount{0};
    std::atomic<int32_t> rangeSum{0};
    std::atomic<int32_t> offsetSum{0};

    // Averages gain and offset afresh over the next `frames` frames.
    void RestartAutoLevels(int32_t frames = kRestartCountdown) {
        autoLevelFrameCount = 0;
        rangeSum = 0;
        offsetSum = 0;
        autoLevelCountdown = frames;
    }
};

} // namespace vidrune
