#include "display/PrintLayout.h"

namespace vidrune {

PrintPlacement PrintLayout::Place(const PageMetrics& page, int32_t imageWidth,
                                  int32_t imageHeight) {
    const int32_t hx = page.horizontalResolution;
    const int32_t hy = page.verticalResolution;
    const int32_t px = page.pixelsPerInchX;
    const int32_t py = page.pixelsPerInchY;

    PrintPlacement placement;
    placement.bounds = Rect{px / 2, py, px / 2 + (hx - px), py / 2 + (hy - py)};

    const int32_t x = px / 2;
    const int32_t y = py;
    const int32_t areaWidth = hx - px;
    const int32_t areaHeight = (hy - py) - py / 2;
    placement.printArea = Rect{x, y, x + areaWidth, y + areaHeight};
    placement.image = Rect{x, y, x, y};
    if (imageWidth <= 0 || imageHeight <= 0)
        return placement;

    // Single precision, as the page was always laid out.
    const auto w =
        static_cast<int32_t>(static_cast<float>(areaHeight) / static_cast<float>(imageHeight) *
                             static_cast<float>(imageWidth));
    if (w <= areaWidth) {
        const int32_t left = x + (areaWidth - w) / 2;
        placement.image = Rect{left, y, left + w, y + areaHeight};
    } else {
        const auto h =
            static_cast<int32_t>(static_cast<float>(areaWidth) / static_cast<float>(imageWidth) *
                                 static_cast<float>(imageHeight));
        const int32_t top = y + (areaHeight - h) / 2;
        placement.image = Rect{x, top, x + areaWidth, top + h};
    }
    return placement;
}

} // namespace vidrune
