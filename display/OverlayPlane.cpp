#include "display/OverlayPlane.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace vidrune {

namespace {

constexpr double kEllipseStep = 0.01;

} // namespace

void OverlayPlane::Allocate(int32_t width, int32_t height) {
    // Emptied first: a plane whose memory cannot be had stays empty, not sized for pixels
    // it lacks.
    Free();
    if (width <= 0 || height <= 0)
        return;
    pixels_ = PixelBuffer(static_cast<size_t>(width) * static_cast<size_t>(height));
    width_ = width;
    height_ = height;
}

void OverlayPlane::Free() {
    width_ = 0;
    height_ = 0;
    pixels_.Free();
    blank_ = true;
}

void OverlayPlane::Clear() {
    if (!blank_)
        pixels_.Zero();
    blank_ = true;
}

OverlayRefresh OverlayPlane::Execute(GraphicsCommand& command) {
    const auto value = static_cast<uint8_t>(command.colour);
    switch (command.type) {
    case kPoint:
        if (!Inside(command.a, command.b))
            return OverlayRefresh::None;
        SetPoint(command.a, command.b, value);
        return OverlayRefresh::Always;
    case kLine:
    case kRectangle:
        if (!Inside(command.a, command.b) || !Inside(command.c, command.d))
            return OverlayRefresh::None;
        if (command.type == kLine)
            DrawLine(command.a, command.b, command.c, command.d, value);
        else
            DrawRectangle(command.a, command.b, command.c, command.d, value);
        return OverlayRefresh::Always;
    case kEllipse:
        if (Empty() || command.c == 0 || command.c > kMaxEllipseSemiAxisX)
            return OverlayRefresh::None;
        DrawEllipse(command.a, command.b, command.c, command.d, value);
        // Rebuilt like the other shapes, so that a new ellipse shows below 100 % at once.
        return OverlayRefresh::Always;
    case kFilledRectangle:
        return FillRectangle(command.a, command.b, command.c, command.d, value)
                   ? OverlayRefresh::Always
                   : OverlayRefresh::None;
    case kBitmap: {
        const int32_t factor = DrawBitmap(command.pixels, command.a, command.b, command.c,
                                          command.d, command.bitmapLeft, command.bitmapTop);
        if (factor == 0)
            return OverlayRefresh::None;
        if (command.scaleFactor == 0)
            command.scaleFactor = factor;
        return OverlayRefresh::WhenReduced;
    }
    default:
        return OverlayRefresh::None;
    }
}

void OverlayPlane::SetPoint(int32_t x, int32_t y, uint8_t value) {
    Put(x, y, value);
}

void OverlayPlane::DrawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint8_t value) {
    if (Inside(x1, y1) && Inside(x2, y2))
        Line(x1, y1, x2, y2, value);
}

void OverlayPlane::Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint8_t value) {
    // One pixel per column and the end with the larger coordinate left out: lines that
    // hosts draw edge to edge must look the same as they always did.
    if (x1 == x2) {
        for (int32_t y = std::min(y1, y2); y < std::max(y1, y2); ++y)
            Put(x1, y, value);
        return;
    }
    if (y1 == y2) {
        for (int32_t x = std::min(x1, x2); x < std::max(x1, x2); ++x)
            Put(x, y1, value);
        return;
    }
    const float slope = static_cast<float>(y2 - y1) / static_cast<float>(x2 - x1);
    const bool firstIsLeft = x1 < x2;
    const int32_t xs = firstIsLeft ? x1 : x2;
    const int32_t ys = firstIsLeft ? y1 : y2;
    const int32_t xe = firstIsLeft ? x2 : x1;
    float t = 0.0f;
    for (int32_t x = xs; x < xe; ++x) {
        // Accumulated rounding may step past the end row; Put skips anything outside.
        Put(x, int64_t{ys} + static_cast<int64_t>(t), value);
        t += slope;
    }
}

void OverlayPlane::DrawRectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint8_t value) {
    if (!Inside(x1, y1) || !Inside(x2, y2))
        return;
    Line(x1, y1, x1, y2, value);
    Line(x1, y1, x2, y1, value);
    Line(x1, y2, x2, y2, value);
    Line(x2, y1, x2, y2, value);
}

void OverlayPlane::DrawEllipse(int32_t centreX, int32_t centreY, int32_t semiAxisX,
                               int32_t semiAxisY, uint8_t value) {
    if (semiAxisX == 0)
        return; // no x extent: the curve is undefined
    const double a = semiAxisX;
    const double b = semiAxisY;
    const double cx = centreX;
    const double cy = centreY;
    // Repeated subtraction, not a multiple of the step: the points must be the same as
    // those of the ellipses hosts have always drawn. Points off the image are skipped.
    for (double dx = a; dx >= 0.0; dx -= kEllipseStep) {
        const double dy = std::fabs(std::sqrt(1.0 - dx * dx / (a * a)) * b);
        const auto right = static_cast<int64_t>(cx + 0.5 + dx);
        const auto left = static_cast<int64_t>(cx - dx + 0.5);
        const auto below = static_cast<int64_t>(cy + 0.5 + dy);
        const auto above = static_cast<int64_t>(cy - dy + 0.5);
        Put(right, below, value);
        Put(right, above, value);
        Put(left, above, value);
        Put(left, below, value);
    }
}

bool OverlayPlane::FillRectangle(int32_t left, int32_t top, int32_t width, int32_t height,
                                 uint8_t value) {
    if (left < 0 || top < 0 || width <= 0 || height <= 0 || int64_t{left} + width > width_ ||
        int64_t{top} + height > height_)
        return false;
    blank_ = false;
    for (int32_t y = top; y < top + height; ++y)
        std::memset(pixels_.data() + Index(left, y), value, static_cast<size_t>(width));
    return true;
}

int32_t OverlayPlane::BitmapScale(int32_t width, int32_t height, int32_t referenceWidth,
                                  int32_t referenceHeight) const {
    if (Empty())
        return 0;
    int32_t rw = referenceWidth;
    int32_t rh = referenceHeight;
    if (rw <= 0 || rh <= 0) {
        rw = width;
        rh = height;
    }
    if (rw <= 0 || rh <= 0)
        return 0;
    const auto imageWidth = static_cast<float>(width_);
    const auto imageHeight = static_cast<float>(height_);
    const float fx =
        rw > width_ ? -(static_cast<float>(rw) / imageWidth) : imageWidth / static_cast<float>(rw);
    const float fy = rh > height_ ? -(static_cast<float>(rh) / imageHeight)
                                  : imageHeight / static_cast<float>(rh);
    const float f = std::min(fx, fy);
    const auto rounded = static_cast<int32_t>(f < 0.0f ? f - 0.5 : f + 0.5);
    return rounded == 0 ? 1 : rounded;
}

int32_t OverlayPlane::DrawBitmap(const uint8_t* bitmap, int32_t width, int32_t height,
                                 int32_t referenceWidth, int32_t referenceHeight, int32_t left,
                                 int32_t top) {
    if (bitmap == nullptr || Empty() || width < 1 || height < 1 || width >= kMaxBitmapWidth ||
        height >= kMaxBitmapHeight)
        return 0;
    const int32_t factor = BitmapScale(width, height, referenceWidth, referenceHeight);
    const bool enlarge = factor >= 1;
    const int64_t f = enlarge ? factor : -int64_t{factor};

    // The scaled bitmap is never built: each visible pixel is taken from its source
    // pixel (enlarging) or ORed from its f x f source block (reducing).
    const int64_t scaledWidth = enlarge ? f * width : width / f;
    const int64_t scaledHeight = enlarge ? f * height : height / f;
    int64_t scaledLeft = enlarge ? f * left : left / f;
    int64_t scaledTop = enlarge ? f * top : top / f;

    int64_t firstColumn = 0;
    int64_t firstRow = 0;
    if (scaledLeft < 0) {
        firstColumn = -scaledLeft;
        scaledLeft = 0;
    }
    if (scaledTop < 0) {
        firstRow = -scaledTop;
        scaledTop = 0;
    }
    const int64_t lastColumn = std::min(scaledWidth, firstColumn + (width_ - scaledLeft));
    const int64_t lastRow = std::min(scaledHeight, firstRow + (height_ - scaledTop));
    if (scaledLeft > width_ || scaledTop > height_ || firstColumn >= lastColumn ||
        firstRow >= lastRow)
        return factor;

    blank_ = false;
    for (int64_t row = firstRow; row < lastRow; ++row) {
        uint8_t* out =
            pixels_.data() +
            static_cast<size_t>(scaledTop + row - firstRow) * static_cast<size_t>(width_) +
            static_cast<size_t>(scaledLeft);
        for (int64_t column = firstColumn; column < lastColumn; ++column) {
            uint8_t value = 0;
            if (enlarge) {
                value = bitmap[(row / f) * width + column / f];
            } else {
                for (int64_t by = row * f; by < row * f + f; ++by)
                    for (int64_t bx = column * f; bx < column * f + f; ++bx)
                        value |= bitmap[by * width + bx];
            }
            if (value != kTransparent)
                out[column - firstColumn] = value;
        }
    }
    return factor;
}

} // namespace vidrune
