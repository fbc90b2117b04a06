#include "display/ImageComposer.h"

#include <cstring>

namespace vidrune {

void ImageComposer::Compose(const uint8_t* image, const uint8_t* overlay, size_t count,
                            const Palette::GrayTable& table, uint8_t* bitmap) {
    // A plain loop: the table lookup bounds the speed, and wider tricks measured slower.
    const uint8_t* lookup = table.data();
    for (size_t i = 0; i < count; ++i)
        bitmap[i] = lookup[image[i]] | overlay[i];
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
