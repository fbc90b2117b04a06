#include "display/qt/ImagePrinter.h"

#include "display/qt/PaletteImage.h"

#include <QPainter>
#include <QPrinter>

namespace vidrune {

namespace {

// Document names stay as short as print queues have always shown them.
constexpr qsizetype kDocumentNameLength = 39;

} // namespace

PageMetrics ImagePrinter::MetricsOf(const QPrinter& printer) {
    PageMetrics page;
    page.horizontalResolution = printer.width();
    page.verticalResolution = printer.height();
    page.pixelsPerInchX = printer.logicalDpiX();
    page.pixelsPerInchY = printer.logicalDpiY();
    return page;
}

bool ImagePrinter::Print(QPrinter& printer, const std::vector<uint8_t>& pixels, int32_t width,
                         int32_t height, const Palette& palette, const std::string& documentName) {
    if (width <= 0 || height <= 0 ||
        pixels.size() < static_cast<size_t>(width) * static_cast<size_t>(height))
        return false;
    const QImage image =
        PaletteImage::Make(pixels.data(), width, height, static_cast<size_t>(width), palette);
    printer.setDocName(QString::fromStdString(documentName).left(kDocumentNameLength));

    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    const PrintPlacement placement = PrintLayout::Place(MetricsOf(printer), width, height);
    const Rect& target = placement.image;
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(QRect(target.left, target.top, target.Width(), target.Height()), image);
    return painter.end();
}

} // namespace vidrune
