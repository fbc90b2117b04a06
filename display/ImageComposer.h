#pragma once

#include "display/Palette.h"

#include <cstddef>
#include <cstdint>

namespace vidrune {

// Builds the bytes of the 8-bit palette bitmap that is drawn: each image byte through
// the gray-to-palette table, ORed with the overlay byte (0 leaves the image as it is).
class ImageComposer {
public:
    // Bytes per bitmap row: rows of device-independent bitmaps start on 4-byte boundaries.
    static size_t BitmapStride(int width) {
        return (static_cast<size_t>(width < 0 ? 0 : width) + 3) & ~size_t{3};
    }

    // bitmap[i] = table[image[i]] | overlay[i] for i < count, as one contiguous run.
    static void Compose(const uint8_t* image, const uint8_t* overlay, size_t count,
                        const Palette::GrayTable& table, uint8_t* bitmap);

    // The same for width x height pixels whose bitmap rows are bitmapStride bytes apart
    // (the padding bytes are zeroed).
    static void ComposeRows(const uint8_t* image, const uint8_t* overlay, int width, int height,
                            const Palette::GrayTable& table, uint8_t* bitmap, size_t bitmapStride);

    // ORs the overlay into the 8-bit image in place (saving and printing with overlay).
    static void IncludeOverlay(uint8_t* image, const uint8_t* overlay, size_t count);
};

} // namespace vidrune
