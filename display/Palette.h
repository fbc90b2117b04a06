#pragma once

#include <array>
#include <cstdint>

namespace vidrune {

struct PaletteEntry {
    uint8_t red;
    uint8_t green;
    uint8_t blue;
};

// The display's 256 colours: a gray ramp whose entry 240 is pure red, and the table
// that maps 8-bit gray values onto it so that only saturated pixels (255) land on red.
class Palette {
public:
    static constexpr int kSize = 256;
    static constexpr int kSaturatedEntry = 240;

    using Entries = std::array<PaletteEntry, kSize>;
    using GrayTable = std::array<uint8_t, kSize>;

    Palette();

    const Entries& Colours() const { return colours_; }
    const PaletteEntry& operator[](int index) const { return colours_[index]; }
    // Palette index for each 8-bit gray value: 0 -> 3 ... 255 -> 240.
    const GrayTable& GrayToPalette() const { return grayToPalette_; }

private:
    Entries colours_{};
    GrayTable grayToPalette_{};
};

} // namespace vidrune
