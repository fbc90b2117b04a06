#include "board/PixelConverter.h"

#include <cstring>

// Plain per-pixel versions; the fast paths replace them.
namespace vidrune {

void PixelConverter::ExtractRegion(const void* source, uint32_t sourceWidth,
                                   uint32_t bytesPerPixel, uint32_t x, uint32_t y,
                                   uint32_t width, uint32_t height, uint32_t xs, uint32_t ys,
                                   void* destination) {
    if ((bytesPerPixel != 1 && bytesPerPixel != 2) || (xs != 1 && xs != 2 && xs != 4))
        return;
    const auto* src = static_cast<const uint8_t*>(source);
    auto* dst = static_cast<uint8_t*>(destination);
    for (uint32_t r = 0; r < height; ++r) {
        for (uint32_t i = 0; i < width; ++i) {
            const uint64_t from = (uint64_t{ys} * (y + r)) * sourceWidth + uint64_t{xs} * (x + i);
            std::memcpy(dst + (uint64_t{r} * width + i) * bytesPerPixel,
                        src + from * bytesPerPixel, bytesPerPixel);
        }
    }
}

void PixelConverter::FlipRows(const void* source, void* destination, int32_t width,
                              int32_t height, uint32_t bytesPerPixel) {
    const size_t row = static_cast<size_t>(width) * bytesPerPixel;
    for (int32_t r = 0; r < height; ++r)
        std::memcpy(static_cast<uint8_t*>(destination) + row * static_cast<size_t>(height - 1 - r),
                    static_cast<const uint8_t*>(source) + row * static_cast<size_t>(r), row);
}

void PixelConverter::RotateClockwise(const void* source, void* destination, int32_t width,
                                     int32_t height, uint32_t bytesPerPixel) {
    const auto* src = static_cast<const uint8_t*>(source);
    auto* dst = static_cast<uint8_t*>(destination);
    for (int32_t r = 0; r < height; ++r) {
        for (int32_t c = 0; c < width; ++c) {
            const size_t to = static_cast<size_t>(r) * width + c;
            const size_t from = static_cast<size_t>(width - 1 - c) * height + r;
            std::memcpy(dst + to * bytesPerPixel, src + from * bytesPerPixel, bytesPerPixel);
        }
    }
}

} // namespace vidrune
