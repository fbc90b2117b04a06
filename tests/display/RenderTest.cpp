#include "display/ImageComposer.h"
#include "display/ImageScaler.h"
#include "display/Palette.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <random>
#include <vector>

namespace vidrune::test {

namespace {

std::vector<uint8_t> Sparse(size_t count, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<uint8_t> plane(count);
    for (uint8_t& b : plane)
        b = random() % 17 == 0 ? static_cast<uint8_t>(1u << (random() % 8)) : 0;
    return plane;
}

// Whether pixel i of s is kept when s shrink to d: where the count of kept pixels,
// i x d / s, goes up (every pixel when d >= s).
bool Kept(int i, int d, int s) {
    return (i + 1) * d / s > i * d / s;
}

std::vector<uint8_t> ReferenceDecimate(int dw, int dh, int sw, int sh,
                                       const std::vector<uint8_t>& src) {
    std::vector<uint8_t> dst;
    for (int y = 0; y < sh; ++y)
        if (Kept(y, dh, sh))
            for (int x = 0; x < sw; ++x)
                if (Kept(x, dw, sw))
                    dst.push_back(src[static_cast<size_t>(y) * sw + x]);
    return dst;
}

// Each kept pixel stands for itself and the dropped ones before it (dropped ones after the
// last kept pixel of a row or column go).
std::vector<uint8_t> ReferenceReduce(int dw, int dh, int sw, int sh,
                                     const std::vector<uint8_t>& src) {
    int columns = 0;
    int rows = 0;
    for (int x = 0; x < sw; ++x)
        columns += Kept(x, dw, sw);
    for (int y = 0; y < sh; ++y)
        rows += Kept(y, dh, sh);
    std::vector<uint8_t> dst(static_cast<size_t>(columns) * rows, 0);
    for (int y = 0, row = 0; row < rows; row += Kept(y++, dh, sh))
        for (int x = 0, column = 0; column < columns; column += Kept(x++, dw, sw))
            dst[static_cast<size_t>(row) * columns + column] |=
                src[static_cast<size_t>(y) * sw + x];
    return dst;
}

} // namespace

// Grays take the entries 3 to 239 in proportion; only saturation takes the red entry, whose
// colour the TIFF test reads back with the others.
TEST(PaletteTest, SaturatedGrayShowsRed) {
    Palette palette;
    const Palette::GrayTable& table = palette.GrayToPalette();
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(table[i], i == 255 ? Palette::kSaturatedEntry : 3 + i * 237 / 255) << i;
}

// Rows of a composed bitmap (the palette entry ORed with the overlay) are padded to four
// bytes; the display's images are composed in one pass, seen on its screen.
TEST(ComposeTest, PaletteLookupOredWithOverlayInPaddedRows) {
    Palette palette;
    const Palette::GrayTable& table = palette.GrayToPalette();
    std::vector<uint8_t> image(15), overlay = Sparse(15, 7), bitmap(24, 0xAA);
    for (size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<uint8_t>(i * 37);
    overlay[0] = 255; // white over anything
    EXPECT_EQ(ImageComposer::BitmapStride(5), 8u);
    EXPECT_EQ(ImageComposer::BitmapStride(640), 640u);
    ImageComposer::ComposeRows(image.data(), overlay.data(), 5, 3, table, bitmap.data(), 8);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(bitmap[y * 8 + x], x < 5 ? table[image[y * 5 + x]] | overlay[y * 5 + x] : 0)
                << x << "," << y;

    std::vector<uint8_t> gray = {0, 200, 255, 17};
    ImageComposer::IncludeOverlay(gray.data(), std::vector<uint8_t>{240, 255, 0, 0}.data(), 4);
    EXPECT_EQ(gray, (std::vector<uint8_t>{240, 255, 255, 17}));
}

TEST(ScaleTest, DecimationAndOverlayReductionFollowTheRunningAccumulators) {
    const int sizes[][4] = {{3, 2, 7, 5}, {212, 159, 640, 480}, {10, 10, 10, 10},    {8, 9, 5, 6},
                            {1, 1, 9, 9}, {0, 3, 4, 4},         {100, 75, 333, 250}, {4, 3, 4, 0}};
    ImageScaler scaler; // one scaler across sizes: its column plan must follow them
    for (const auto& s : sizes) {
        const std::vector<uint8_t> src = Sparse(static_cast<size_t>(s[2]) * s[3], 3);
        const std::vector<uint8_t> decimated = ReferenceDecimate(s[0], s[1], s[2], s[3], src);
        std::vector<uint8_t> dst(src.size() + 1, 0xEE);
        scaler.Decimate(s[0], s[1], s[2], s[3], src.data(), dst.data());
        EXPECT_TRUE(std::equal(decimated.begin(), decimated.end(), dst.begin()))
            << "decimate " << s[0] << "x" << s[1] << " from " << s[2] << "x" << s[3];
        EXPECT_EQ(dst[decimated.size()], 0xEE);
        if (s[0] == 0 || s[3] == 0)
            continue; // nothing to reduce into
        const std::vector<uint8_t> reduced = ReferenceReduce(s[0], s[1], s[2], s[3], src);
        std::fill(dst.begin(), dst.end(), 0xEE);
        scaler.ReduceOverlay(s[0], s[1], s[2], s[3], src.data(), dst.data());
        EXPECT_TRUE(std::equal(reduced.begin(), reduced.end(), dst.begin()))
            << "reduce " << s[0] << "x" << s[1] << " from " << s[2] << "x" << s[3];
    }
}

TEST(ScaleTest, RefreshPausesDrawingAndRestoresTheFlag) {
    std::vector<uint8_t> overlay(16, 0);
    overlay[15] = 9;
    ImageScaler scaler;
    for (const int32_t enabled : {1, 0}) {
        std::atomic<int32_t> renderEnabled{enabled};
        std::vector<uint8_t> reduced(4, 0xEE);
        EXPECT_TRUE(scaler.RefreshReducedOverlay(renderEnabled, overlay.data(), 4, 4, 2, 2,
                                                 reduced.data()));
        EXPECT_EQ(renderEnabled, enabled);
        EXPECT_EQ(reduced[3], 9);
        EXPECT_FALSE(
            scaler.RefreshReducedOverlay(renderEnabled, nullptr, 4, 4, 2, 2, reduced.data()));
    }
}

} // namespace vidrune::test
