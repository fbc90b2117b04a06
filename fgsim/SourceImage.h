#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vidrune::fgsim {

// One grey image of a file source, kept ready in both buffer widths so that frames are
// plain row copies. An 8-bit buffer takes the high byte of 16-bit samples; a 16-bit
// buffer takes samples as they stand (8-bit samples stay 0 to 255).
class SourceImage {
public:
    SourceImage(uint32_t width, uint32_t height, uint32_t maxValue, std::vector<uint16_t> samples);

    uint32_t Width() const { return width_; }
    uint32_t Height() const { return height_; }
    const uint8_t* Row8(uint32_t y) const { return bytes_.data() + size_t{y} * width_; }
    const uint16_t* Row16(uint32_t y) const { return words_.data() + size_t{y} * width_; }

private:
    uint32_t width_;
    uint32_t height_;
    std::vector<uint8_t> bytes_;
    std::vector<uint16_t> words_;
};

} // namespace vidrune::fgsim
