#pragma once

#include "display/WindowGeometry.h"

#include <cstdint>

namespace vidrune {

// A printer page in device pixels.
struct PageMetrics {
    int32_t horizontalResolution = 0; // printable width
    int32_t verticalResolution = 0;   // printable height
    int32_t pixelsPerInchX = 0;
    int32_t pixelsPerInchY = 0;
};

struct PrintPlacement {
    Rect bounds;    // the page bounds announced to the printer
    Rect printArea; // half an inch left, right and bottom, one inch top
    Rect image;     // where the image is drawn, proportions kept, centred in the area
};

// Places an image on a printed page.
class PrintLayout {
public:
    // An image without pixels gets an empty image rectangle.
    static PrintPlacement Place(const PageMetrics& page, int32_t imageWidth, int32_t imageHeight);
};

} // namespace vidrune
