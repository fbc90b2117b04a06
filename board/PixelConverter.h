#pragma once

#include <cstdint>

namespace vidrune {

// Pixel moves of the readers: region copy with sub-sampling, vertical flip and a quarter
// turn clockwise, for 1-byte and 2-byte (little-endian) pixels.
class PixelConverter {
public:
    // destination[r * width + i] = source[(ys * (y + r)) * sourceWidth + xs * (x + i)];
    // bytes per pixel other than 1 or 2, or xs other than 1, 2 or 4, copy nothing.
    static void ExtractRegion(const void* source, uint32_t sourceWidth, uint32_t bytesPerPixel,
                              uint32_t x, uint32_t y, uint32_t width, uint32_t height,
                              uint32_t xs, uint32_t ys, void* destination);
    // Destination row height - 1 - r is source row r.
    static void FlipRows(const void* source, void* destination, int32_t width, int32_t height,
                         uint32_t bytesPerPixel);
    // The source holds width rows of height pixels; the destination receives height rows of
    // width pixels: destination[r * width + c] = source[(width - 1 - c) * height + r].
    static void RotateClockwise(const void* source, void* destination, int32_t width,
                                int32_t height, uint32_t bytesPerPixel);
};

} // namespace vidrune
