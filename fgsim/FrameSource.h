#pragma once

#include <cstddef>
#include <cstdint>

namespace vidrune::fgsim {

// The part of the sensor that a frame shows.
struct CropWindow {
    uint32_t left = 0;
    uint32_t top = 0;
    uint32_t width = 0;
    uint32_t height = 0;
};

// Pixel memory a frame is written into: rows of `width` pixels of 1 or 2 bytes.
struct FrameTarget {
    uint8_t* data = nullptr;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t bytesPerPixel = 1;
};

// What the simulated camera sees. Frame pixel (x, y) is sensor pixel (left + x, top + y);
// only the part of the frame that fits into the target is written.
class FrameSource {
public:
    virtual ~FrameSource() = default;
    // Writes camera frame n (counted from 0 at the transfer start) into the target.
    virtual void Render(uint64_t frame, const CropWindow& crop,
                        const FrameTarget& target) const = 0;
    // The frame area of the target set to zero.
    static void RenderBlank(const CropWindow& crop, const FrameTarget& target);

protected:
    static uint32_t Rows(const CropWindow& crop, const FrameTarget& target);
    static uint32_t Columns(const CropWindow& crop, const FrameTarget& target);
    static uint8_t* Row(const FrameTarget& target, uint32_t y);
};

} // namespace vidrune::fgsim
