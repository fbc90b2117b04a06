#pragma once

#include "display/PixelBuffer.h"
#include "vidrune.h"

#include <cstddef>
#include <cstdint>

namespace vidrune {

// Whether the reduced overlay must be rebuilt after a command.
enum class OverlayRefresh {
    None,        // nothing changed
    Always,      // rebuild
    WhenReduced, // rebuild when the client is narrower than the image and not minimized
};

// The overlay graphics, one byte per image pixel (0 = nothing), drawn by the host's
// GraphicsCommand records. Not synchronised: the owner serialises drawing and reading.
class OverlayPlane {
public:
    static constexpr uint32_t kPoint = 1;
    static constexpr uint32_t kLine = 2;
    static constexpr uint32_t kRectangle = 4;
    static constexpr uint32_t kEllipse = 5;
    static constexpr uint32_t kBitmap = 7;
    static constexpr uint32_t kFilledRectangle = 9;
    static constexpr int32_t kMaxBitmapWidth = 1600;
    static constexpr int32_t kMaxBitmapHeight = 1200;
    // Ellipses step along x in hundredths of a pixel; one wider than any frame the board
    // can deliver is ignored rather than keeping the host's thread for minutes.
    static constexpr int32_t kMaxEllipseSemiAxisX = 65535;
    static constexpr uint8_t kTransparent = 1;

    OverlayPlane() = default;

    // Allocates a cleared plane of width x height; Free releases it.
    void Allocate(int32_t width, int32_t height);
    void Free();
    void Clear();

    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    bool Empty() const { return pixels_.empty(); }
    const uint8_t* Data() const { return pixels_.data(); }
    // Nothing drawn since the plane was allocated or cleared: every pixel is 0.
    bool Blank() const { return blank_; }
    uint8_t At(int32_t x, int32_t y) const { return pixels_[Index(x, y)]; }

    // Runs one command; a bitmap command with field scaleFactor 0 receives the factor
    // used. Type 10 (display mode) and unknown types do nothing here.
    OverlayRefresh Execute(GraphicsCommand& command);

    void SetPoint(int32_t x, int32_t y, uint8_t value);
    void DrawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint8_t value);
    void DrawRectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint8_t value);
    void DrawEllipse(int32_t centreX, int32_t centreY, int32_t semiAxisX, int32_t semiAxisY,
                     uint8_t value);
    // False, drawing nothing, unless the rectangle lies wholly inside the plane.
    bool FillRectangle(int32_t left, int32_t top, int32_t width, int32_t height, uint8_t value);
    // Places a width x height bitmap whose first pixel is at (left, top) before scaling;
    // returns the scale factor (positive enlarges, negative reduces), 0 when ignored.
    int32_t DrawBitmap(const uint8_t* bitmap, int32_t width, int32_t height, int32_t referenceWidth,
                       int32_t referenceHeight, int32_t left, int32_t top);

    // The factor for a bitmap made for a reference image (its own size when the reference
    // is not positive) to match this plane.
    int32_t BitmapScale(int32_t width, int32_t height, int32_t referenceWidth,
                        int32_t referenceHeight) const;

private:
    bool Inside(int64_t x, int64_t y) const {
        return x >= 0 && y >= 0 && x < width_ && y < height_;
    }
    size_t Index(int32_t x, int32_t y) const {
        return static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x);
    }
    void Put(int64_t x, int64_t y, uint8_t value) {
        if (Inside(x, y)) {
            pixels_[Index(static_cast<int32_t>(x), static_cast<int32_t>(y))] = value;
            blank_ = false;
        }
    }
    void Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint8_t value);

    int32_t width_ = 0;
    int32_t height_ = 0;
    PixelBuffer pixels_;
    bool blank_ = true;
};

} // namespace vidrune
