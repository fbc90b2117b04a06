#pragma once

#include "display/Palette.h"
#include "display/PrintLayout.h"

#include <cstdint>
#include <string>
#include <vector>

class QPrinter;

namespace vidrune {

// Prints an 8-bit image with the display's palette on one page: half an inch margin left,
// right and bottom, one inch at the top, proportions kept, centred.
class ImagePrinter {
public:
    // The printer's printable page in device pixels.
    static PageMetrics MetricsOf(const QPrinter& printer);
    // False when the printer could not start the document or the image is empty.
    static bool Print(QPrinter& printer, const std::vector<uint8_t>& pixels, int32_t width,
                      int32_t height, const Palette& palette, const std::string& documentName);
};

} // namespace vidrune
