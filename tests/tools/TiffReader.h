#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vidrune::test {

// An image file read back: its size, sample depth and samples (little-endian when wider than
// eight bits).
struct Image {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t bits = 0; // per sample; 0 for anything but one sample per pixel
    std::vector<uint8_t> data;
};

// Reads a grayscale or palette TIFF file with the system's own reader (libtiff on Linux,
// the Windows imaging component on Windows), never with the tool's writer's code. An empty
// image when the reader refuses the file or, libtiff, warns about anything in it.
Image ReadTiff(const std::string& path);

} // namespace vidrune::test
