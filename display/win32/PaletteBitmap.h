#pragma once

#include "display/Palette.h"

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

struct HDC__;

namespace vidrune {

// The last composed 8-bit bitmap with the 256-entry palette it is shown through, kept for
// the window to paint whenever it needs to. Stored from any thread, drawn on the window's.
class PaletteBitmap {
public:
    PaletteBitmap();

    // Copies the bitmap and the palette (rows stride bytes apart).
    void Store(const uint8_t* pixels, int32_t width, int32_t height, size_t stride,
               const Palette& palette);
    // Fills width x height device pixels from the origin: 1:1 when the bitmap has that size,
    // else stretched nearest-neighbour. Black before anything was stored.
    void Draw(HDC__* dc, int32_t width, int32_t height) const;

private:
    mutable std::mutex lock_;
    // BITMAPINFO: the 40-byte header (height negative: rows top to bottom) and 256 colours.
    std::vector<uint8_t> info_;
    std::vector<uint8_t> pixels_; // rows on 4-byte boundaries, as DIBs have them
    int32_t width_ = 0;
    int32_t height_ = 0;
};

} // namespace vidrune
