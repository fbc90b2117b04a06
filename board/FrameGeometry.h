#pragma once

#include "board/GrabBufferRing.h"

#include <cstdint>
#include <memory>

namespace vidrune {

// Everything one read needs to know about the frames, as one snapshot. A geometry change
// publishes a new snapshot and never alters one a reader holds, and the ring and display
// frame a snapshot names stay alive while any reader holds it: a read works entirely on
// the geometry it started with.
struct FrameGeometry {
    std::shared_ptr<GrabBufferRing> ring;
    // A whole converted frame for the live display, frame size at the scales in force.
    std::shared_ptr<uint8_t[]> displayFrame;
    // The buffers' size: "WIDTH" x "HEIGHT" pixels, rows packed.
    uint32_t rowWidth = 0;
    uint32_t rowCount = 0;
    uint32_t bytesPerPixel = 1;
    // Sub-sampling in force, and the one the live display reads with.
    uint32_t xScale = 1;
    uint32_t yScale = 1;
    uint32_t xScaleDisplay = 1;
    uint32_t yScaleDisplay = 1;
    bool rotate = false;
    bool flip = false;

    uint32_t FrameWidth(uint32_t xs) const { return rowWidth / xs; }
    uint32_t FrameHeight(uint32_t ys) const { return rowCount / ys; }
};

} // namespace vidrune
