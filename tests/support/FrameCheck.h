#pragma once

#include "support/SimBoardFiles.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace vidrune::test {

// Where a read's pixels come from on the sensor, and what the board's pattern holds there.
struct FrameGeometry {
    uint32_t cropLeft = 0;
    uint32_t cropTop = 0;
    uint32_t xs = 1;
    uint32_t ys = 1;
    int depth = 8;
    uint32_t frameHeight = 0; // of the unturned, sub-sampled frame; for rotate and flip
    bool rotate = false;      // clockwise
    bool flip = false;

    uint32_t BytesPerPixel() const { return depth > 8 ? 2 : 1; }

    // Pixel (x, y) of the frame the host sees, turned or flipped, in camera frame n.
    uint16_t Shown(uint32_t x, uint32_t y, uint32_t n) const {
        // (fx, fy) in the sub-sampled frame, then on the sensor.
        const uint32_t fx = rotate ? y : x;
        const uint32_t fy = rotate ? frameHeight - 1 - x : flip ? frameHeight - 1 - y : y;
        const uint32_t sx = cropLeft + xs * fx;
        const uint32_t sy = cropTop + ys * fy;
        return depth > 8 ? Pattern16(sx, sy, n, depth) : Pattern8(sx, sy, n);
    }
};

inline uint16_t PixelOf(const std::vector<uint8_t>& data, size_t index, uint32_t bytes) {
    if (bytes == 1)
        return data[index];
    uint16_t value = 0;
    std::memcpy(&value, data.data() + index * 2, 2);
    return value;
}

// An empty text when the region (x, y, w, h) of the host's frame n matches; otherwise the
// first difference. Guard bytes after the region must stay untouched.
inline std::string CompareRegion(const std::vector<uint8_t>& data, const FrameGeometry& frame,
                                 uint32_t x, uint32_t y, uint32_t w, uint32_t h, uint32_t n) {
    const uint32_t bytes = frame.BytesPerPixel();
    for (uint32_t r = 0; r < h; ++r) {
        for (uint32_t c = 0; c < w; ++c) {
            const uint16_t want = frame.Shown(x + c, y + r, n);
            const uint16_t got = PixelOf(data, size_t{r} * w + c, bytes);
            if (want != got)
                return "pixel (" + std::to_string(c) + "," + std::to_string(r) + ") is " +
                       std::to_string(got) + ", want " + std::to_string(want);
        }
    }
    if (data.size() > size_t{w} * h * bytes && data[size_t{w} * h * bytes] != 0xEE)
        return "written past the region";
    return {};
}

} // namespace vidrune::test
