#include "display/win32/PaletteBitmap.h"

#include "display/ImageComposer.h"
#include "platform/win32/WindowsHeaders.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace vidrune {

namespace {

BITMAPINFO* InfoOf(std::vector<uint8_t>& info) {
    return reinterpret_cast<BITMAPINFO*>(info.data());
}

} // namespace

PaletteBitmap::PaletteBitmap()
    : info_(sizeof(BITMAPINFOHEADER) + Palette::kSize * sizeof(RGBQUAD), 0) {
    BITMAPINFOHEADER& header = InfoOf(info_)->bmiHeader;
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biPlanes = 1;
    header.biBitCount = 8;
    header.biCompression = BI_RGB;
    header.biClrUsed = Palette::kSize;
}

void PaletteBitmap::Store(const uint8_t* pixels, int32_t width, int32_t height, size_t stride,
                          const Palette& palette) {
    const size_t rowBytes = ImageComposer::BitmapStride(width);
    std::lock_guard lock(lock_);
    try {
        pixels_.assign(rowBytes * static_cast<size_t>(std::max(height, 0)), 0);
    } catch (const std::bad_alloc&) {
        // An image-sized block: without it the window shows black, as before the first frame.
        std::vector<uint8_t>().swap(pixels_);
        width_ = 0;
        height_ = 0;
        return;
    }
    for (int32_t y = 0; y < height; ++y)
        std::memcpy(pixels_.data() + static_cast<size_t>(y) * rowBytes,
                    pixels + static_cast<size_t>(y) * stride, static_cast<size_t>(width));
    width_ = width;
    height_ = height;
    BITMAPINFO* info = InfoOf(info_);
    info->bmiHeader.biWidth = width;
    info->bmiHeader.biHeight = -height;
    for (int i = 0; i < Palette::kSize; ++i)
        info->bmiColors[i] = RGBQUAD{palette[i].blue, palette[i].green, palette[i].red, 0};
}

void PaletteBitmap::Draw(HDC__* dc, int32_t width, int32_t height) const {
    std::lock_guard lock(lock_);
    if (width_ <= 0 || height_ <= 0) {
        const RECT all{0, 0, width, height};
        ::FillRect(dc, &all, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
        return;
    }
    const auto* info = reinterpret_cast<const BITMAPINFO*>(info_.data());
    if (width == width_ && height == height_) {
        ::SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(width_), static_cast<DWORD>(height_), 0, 0,
                            0, static_cast<UINT>(height_), pixels_.data(), info, DIB_RGB_COLORS);
        return;
    }
    // Deleting or repeating whole pixels keeps the palette's colours exact.
    ::SetStretchBltMode(dc, COLORONCOLOR);
    ::StretchDIBits(dc, 0, 0, width, height, 0, 0, width_, height_, pixels_.data(), info,
                    DIB_RGB_COLORS, SRCCOPY);
}

} // namespace vidrune
