#pragma once

#include "display/Palette.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vidrune {

// Writes an 8-bit image as an uncompressed little-endian palette TIFF in one strip, with
// the display's palette as colour map and the image size in pixels as resolution.
class TiffWriter {
public:
    static constexpr uint32_t kPixelOffset = 1832;

    // The whole file as bytes; empty for a size that cannot be written.
    static std::vector<uint8_t> Encode(int32_t width, int32_t height, const uint8_t* pixels,
                                       const Palette& palette);
    // Writes the file, replacing any earlier one whole. True when every byte was written;
    // otherwise an earlier file stays as it was.
    static bool WriteTiff(const std::string& path, int32_t width, int32_t height,
                          const uint8_t* pixels, const Palette& palette);
};

} // namespace vidrune
