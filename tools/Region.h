#pragma once

#include <cstdint>
#include <string>

namespace vidrune::tool {

// A rectangle of frame pixels: origin and size.
struct Region {
    uint32_t x = 0;
    uint32_t y = 0;
    uint32_t width = 0;
    uint32_t height = 0;

    // "X,Y,W,H" with whole numbers, width and height at least 1. Throws ToolError (bad
    // input) otherwise.
    static Region Parse(const std::string& text);
    static Region Whole(uint32_t width, uint32_t height) { return {0, 0, width, height}; }

    bool FitsIn(uint32_t frameWidth, uint32_t frameHeight) const;
    uint64_t Pixels() const { return uint64_t{width} * height; }
    std::string ToString() const;
};

} // namespace vidrune::tool
