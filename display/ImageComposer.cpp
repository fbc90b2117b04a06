#include "display/ImageComposer.h"

#include <bit>
#include <cstring>

namespace vidrune {

void ImageComposer::Compose(const uint8_t* image, const uint8_t* overlay, size_t count,
                            const Palette::GrayTable& table, uint8_t* bitmap) {
    // Eight pixels per step: one 64-bit OR and one store instead of eight.
    size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        uint64_t looked = 0;
        for (int k = 0; k < 8; ++k)
            looked |= static_cast<uint64_t>(table[image[i + k]]) << (8 * k);
        uint64_t marks;
        std::memcpy(&marks, overlay + i, sizeof marks);
        // The shifts above put pixel k into byte k, which is byte k in memory only on a
        // little-endian machine; the OR of two byte-wise values does not care.
        if constexpr (std::endian::native == std::endian::little) {
            looked |= marks;
            std::memcpy(bitmap + i, &looked, sizeof looked);
        } else {
            for (int k = 0; k < 8; ++k)
                bitmap[i + k] = static_cast<uint8_t>(looked >> (8 * k)) | overlay[i + k];
        }
    }
    for (; i < count; ++i)
        bitmap[i] = table[image[i]] | overlay[i];
}

void ImageComposer::ComposeRows(const uint8_t* image, const uint8_t* overlay, int width, int height,
                                const Palette::GrayTable& table, uint8_t* bitmap,
                                size_t bitmapStride) {
    if (width <= 0 || height <= 0)
        return;
    const auto w = static_cast<size_t>(width);
    if (bitmapStride == w) {
        Compose(image, overlay, w * static_cast<size_t>(height), table, bitmap);
        return;
    }
    for (int y = 0; y < height; ++y) {
        const size_t source = static_cast<size_t>(y) * w;
        uint8_t* row = bitmap + static_cast<size_t>(y) * bitmapStride;
        Compose(image + source, overlay + source, w, table, row);
        std::memset(row + w, 0, bitmapStride - w);
    }
}

void ImageComposer::IncludeOverlay(uint8_t* image, const uint8_t* overlay, size_t count) {
    for (size_t i = 0; i < count; ++i)
        image[i] |= overlay[i];
}

} // namespace vidrune
