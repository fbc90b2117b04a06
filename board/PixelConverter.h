#pragma once

#include "board/SimdDispatch.h"

#include <cstdint>

namespace vidrune {

// Converts frame pixels (1 byte, or 2 bytes little-endian) between the board's buffers and
// the caller's memory: region copy with sub-sampling, top-to-bottom flip and quarter turn.
// Destination images are packed, row after row, with nothing between rows.
class PixelConverter {
public:
    // destination[r * width + i] := source[ys * (y + r) * sourceWidth + xs * (x + i)] for the
    // width x height region at frame pixel (x, y). Only 1- and 2-byte pixels with xs 1, 2 or 4
    // are converted; any other combination leaves the destination untouched. The caller keeps
    // the region inside the frame; nothing outside the addressed source pixels is read.
    static void ExtractRegion(const void* source, uint32_t sourceWidth, uint32_t bytesPerPixel,
                              uint32_t x, uint32_t y, uint32_t width, uint32_t height, uint32_t xs,
                              uint32_t ys, void* destination);
    // The same with the kernels of one level (which the CPU must run).
    static void ExtractRegion(const void* source, uint32_t sourceWidth, uint32_t bytesPerPixel,
                              uint32_t x, uint32_t y, uint32_t width, uint32_t height, uint32_t xs,
                              uint32_t ys, void* destination, SimdLevel level);

    // Copies height rows of width pixels in reverse row order.
    static void FlipRows(const void* source, void* destination, int32_t width, int32_t height,
                         uint32_t bytesPerPixel);

    // The source holds width rows of height pixels; the destination receives it turned a
    // quarter turn clockwise: height rows of width pixels, with
    // destination[r * width + c] := source[(width - 1 - c) * height + r].
    static void RotateClockwise(const void* source, void* destination, int32_t width,
                                int32_t height, uint32_t bytesPerPixel);
    // The same from width source rows that start sourceStride pixels apart (sourceStride >=
    // height): a region turned straight out of a larger frame.
    static void RotateClockwise(const void* source, uint32_t sourceStride, void* destination,
                                int32_t width, int32_t height, uint32_t bytesPerPixel,
                                SimdLevel level);
};

} // namespace vidrune
