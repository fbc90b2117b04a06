#include "display/qt/PaletteImage.h"

#include <cstring>

namespace vidrune {

QImage PaletteImage::Make(const uint8_t* pixels, int32_t width, int32_t height, size_t stride,
                          const Palette& palette) {
    if (pixels == nullptr || width <= 0 || height <= 0 || stride < static_cast<size_t>(width))
        return {};
    QImage image(width, height, QImage::Format_Indexed8);
    if (image.isNull())
        return {};
    QList<QRgb> colours(Palette::kSize);
    for (int i = 0; i < Palette::kSize; ++i)
        colours[i] = qRgb(palette[i].red, palette[i].green, palette[i].blue);
    image.setColorTable(colours);
    for (int32_t y = 0; y < height; ++y)
        std::memcpy(image.scanLine(y), pixels + static_cast<size_t>(y) * stride,
                    static_cast<size_t>(width));
    return image;
}

} // namespace vidrune
