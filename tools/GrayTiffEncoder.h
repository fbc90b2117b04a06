#pragma once

#include "tools/FrameImage.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vidrune::tool {

// A frame as a baseline grayscale TIFF file: little-endian, uncompressed, one strip, 8 or 16
// bits per sample by the frame's pixel size, black at 0. The highest sample value is the
// camera's (4095 for 12-bit data) and the resolution 72 dots per inch. Ours rather than a
// library's, so that the tool writes the same bytes on every system, whether or not it has
// libtiff.
class GrayTiffEncoder {
public:
    // The whole file; software names the program in its Software field.
    static std::vector<uint8_t> Encode(const FrameImage& frame, const std::string& software);
};

} // namespace vidrune::tool
