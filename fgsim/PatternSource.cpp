#include "PatternSource.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace vidrune::fgsim {

namespace {

// 16-bit pixels are stored little-endian, which is the host's own order.
static_assert(std::endian::native == std::endian::little);

// The high byte's modulus; a depth of 8 or less in a 16-bit buffer would make it 0,
// so it is held at 1 (high byte always 1).
uint64_t HighModulus(uint32_t pixelDepth) {
    const uint32_t extraBits = std::clamp(pixelDepth, 8u, 16u) - 8;
    return std::max<uint64_t>(1, (uint64_t{1} << extraBits) - 1);
}

} // namespace

PatternSource::PatternSource(uint32_t pixelDepth) : pixelDepth_(pixelDepth) {
    for (uint32_t i = 0; i < kPeriod; ++i) {
        low8_[i] = static_cast<uint8_t>(1 + i);
        low16_[i] = static_cast<uint16_t>(1 + i);
    }
}

uint8_t PatternSource::Low(uint64_t x, uint64_t y, uint64_t frame) {
    return static_cast<uint8_t>(1 + (x + 3 * y + 5 * frame) % kPeriod);
}

uint8_t PatternSource::High(uint64_t y, uint64_t frame, uint32_t pixelDepth) {
    return static_cast<uint8_t>(1 + (y + frame) % HighModulus(pixelDepth));
}

void PatternSource::Render(uint64_t frame, const CropWindow& crop,
                           const FrameTarget& target) const {
    const uint32_t rows = Rows(crop, target);
    const uint32_t columns = Columns(crop, target);
    const uint64_t highModulus = HighModulus(pixelDepth_);
    for (uint32_t y = 0; y < rows; ++y) {
        const uint64_t sensorY = uint64_t{crop.top} + y;
        const auto phase =
            static_cast<uint32_t>((crop.left + 3 * sensorY + 5 * (frame % kPeriod)) % kPeriod);
        uint8_t* row = Row(target, y);
        if (target.bytesPerPixel == 1) {
            RenderRow8(phase, row, columns);
        } else {
            const auto high = static_cast<uint16_t>(1 + (sensorY + frame) % highModulus);
            RenderRow16(phase, high, row, columns);
        }
    }
}

void PatternSource::RenderRow8(uint32_t phase, uint8_t* row, uint32_t columns) const {
    uint32_t x = 0;
    while (x < columns) {
        const uint32_t run = std::min(columns - x, kPeriod - phase);
        std::memcpy(row + x, low8_.data() + phase, run);
        x += run;
        phase = 0;
    }
}

void PatternSource::RenderRow16(uint32_t phase, uint16_t high, uint8_t* row,
                                uint32_t columns) const {
    const auto highBits = static_cast<uint16_t>(high << 8);
    uint16_t run[kPeriod];
    for (uint32_t i = 0; i < kPeriod; ++i)
        run[i] = static_cast<uint16_t>(low16_[i] | highBits);
    uint32_t x = 0;
    while (x < columns) {
        const uint32_t count = std::min(columns - x, kPeriod - phase);
        std::memcpy(row + size_t{x} * 2, run + phase, size_t{count} * 2);
        x += count;
        phase = 0;
    }
}

} // namespace vidrune::fgsim
