#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vidrune::tool {

// One frame as the plug-in delivers it into the host's memory: rows of 1-byte pixels, or of
// 2-byte pixels with the low byte first, packed without gaps.
struct FrameImage {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t bytesPerPixel = 1;
    uint32_t resolution = 8; // bits in use per pixel
    std::vector<uint8_t> pixels;

    FrameImage() = default;
    FrameImage(uint32_t w, uint32_t h, uint32_t bytes, uint32_t bits)
        : width(w), height(h), bytesPerPixel(bytes), resolution(bits),
          pixels(size_t{w} * h * bytes) {}

    size_t RowBytes() const { return size_t{width} * bytesPerPixel; }
    uint16_t At(uint32_t x, uint32_t y) const {
        const size_t index = (size_t{y} * width + x) * bytesPerPixel;
        return bytesPerPixel == 1 ? pixels[index]
                                  : static_cast<uint16_t>(pixels[index] | pixels[index + 1] << 8);
    }
};

} // namespace vidrune::tool
