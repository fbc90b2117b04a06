#pragma once

#include "FrameSource.h"

#include <array>

namespace vidrune::fgsim {

// The test pattern. Sensor pixel (X, Y) of frame n:
//   8-bit:  1 + ((X + 3Y + 5n) mod 255)
//   16-bit: high byte 1 + ((Y + n) mod (2^(D-8) - 1)), low byte as the 8-bit value.
// No byte is ever 0. Rows are copied from a table of one period, so no pixel costs
// a division.
class PatternSource : public FrameSource {
public:
    explicit PatternSource(uint32_t pixelDepth);

    void Render(uint64_t frame, const CropWindow& crop, const FrameTarget& target) const override;

    // The byte values of one sensor pixel, for checks.
    static uint8_t Low(uint64_t x, uint64_t y, uint64_t frame);
    static uint8_t High(uint64_t y, uint64_t frame, uint32_t pixelDepth);

private:
    static constexpr uint32_t kPeriod = 255;

    void RenderRow8(uint32_t phase, uint8_t* row, uint32_t columns) const;
    void RenderRow16(uint32_t phase, uint16_t high, uint8_t* row, uint32_t columns) const;

    uint32_t pixelDepth_;
    std::array<uint8_t, kPeriod> low8_{};
    std::array<uint16_t, kPeriod> low16_{};
};

} // namespace vidrune::fgsim
