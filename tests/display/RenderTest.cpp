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

std::vector<uint8_t> Ramp(int width, int height) {
    std::vector<uint8_t> image(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image[static_cast<size_t>(y) * width + x] = static_cast<uint8_t>(y * 16 + x);
    return image;
}

std::vector<uint8_t> Sparse(size_t count, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<uint8_t> plane(count);
    for (uint8_t& b : plane)
        b = random() % 17 == 0 ? static_cast<uint8_t>(1u << (random() % 8)) : 0;
    return plane;
}

// The selection procedures written out literally, one pixel at a time.
std::vector<uint8_t> LiteralDecimate(int dw, int dh, int sw, int sh,
                                     const std::vector<uint8_t>& src) {
    std::vector<uint8_t> dst;
    int64_t ax = 0, ay = 0;
    for (int y = 0; y < sh; ++y) {
        ay += dh;
        if (ay < sh)
            continue;
        ay -= sh;
        for (int x = 0; x < sw; ++x) {
            ax += dw;
            if (ax >= sw) {
                ax -= sw;
                dst.push_back(src[static_cast<size_t>(y) * sw + x]);
            }
        }
    }
    return dst;
}

std::vector<uint8_t> LiteralReduce(int dw, int dh, int sw, int sh,
                                   const std::vector<uint8_t>& src) {
    std::vector<uint8_t> dst(src.size(), 0xEE), acc(sw, 0);
    int64_t ax = 0, ay = 0;
    size_t rows = 0, written = 0;
    for (int y = 0; y < sh; ++y) {
        uint8_t c = 0;
        size_t k = 0;
        for (int x = 0; x < sw; ++x) {
            c |= src[static_cast<size_t>(y) * sw + x];
            ax += dw;
            if (ax >= sw) {
                acc[k++] |= c;
                c = 0;
                ax -= sw;
            }
        }
        ay += dh;
        if (ay >= sh) {
            ay -= sh;
            std::copy(acc.begin(), acc.begin() + static_cast<long>(k), dst.begin() + k * rows);
            std::fill(acc.begin(), acc.end(), 0);
            ++rows;
            written = k * rows;
        }
    }
    dst.resize(written);
    return dst;
}

} // namespace

TEST(PaletteTest, SaturatedGrayShowsRed) {
    Palette palette;
    const Palette::GrayTable& table = palette.GrayToPalette();
    EXPECT_EQ(table[0], 3);
    EXPECT_EQ(table[85], 82);   // 85 x 237 / 255 = 79 exactly
    EXPECT_EQ(table[128], 121); // 118.96 truncated
    EXPECT_EQ(table[254], 239);
    EXPECT_EQ(table[255], Palette::kSaturatedEntry);
    for (int i = 0; i < 256; ++i) {
        const auto gray = static_cast<uint8_t>(i);
        const PaletteEntry expected = i == Palette::kSaturatedEntry
                                          ? PaletteEntry{240, 0, 0}
                                          : PaletteEntry{gray, gray, gray};
        EXPECT_TRUE(palette[i].red == expected.red && palette[i].green == expected.green &&
                    palette[i].blue == expected.blue)
            << i;
        EXPECT_TRUE(i == 255 || table[i] != Palette::kSaturatedEntry) << i; // only saturation
    }
}

// Rows of a composed bitmap are padded to four bytes: the unpadded pass over the whole
// image, then the padded one row by row.
TEST(ComposeTest, PaletteLookupOredWithOverlayInPaddedRows) {
    Palette palette;
    const Palette::GrayTable& table = palette.GrayToPalette();
    const size_t count = 1003; // not a multiple of the unrolled step
    std::vector<uint8_t> image(count), overlay = Sparse(count, 7), bitmap(count);
    for (size_t i = 0; i < count; ++i)
        image[i] = static_cast<uint8_t>(i * 37);
    overlay[0] = 255; // white over anything
    ImageComposer::Compose(image.data(), overlay.data(), count, table, bitmap.data());
    for (size_t i = 0; i < count; ++i)
        ASSERT_EQ(bitmap[i], table[image[i]] | overlay[i]) << i;

    EXPECT_EQ(ImageComposer::BitmapStride(5), 8u);
    EXPECT_EQ(ImageComposer::BitmapStride(640), 640u);
    std::fill(bitmap.begin(), bitmap.end(), 0xAA);
    ImageComposer::ComposeRows(image.data(), overlay.data(), 5, 3, table, bitmap.data(), 8);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(bitmap[y * 8 + x], x < 5 ? table[image[y * 5 + x]] | overlay[y * 5 + x] : 0)
                << x << "," << y;

    std::vector<uint8_t> gray = {0, 200, 255, 17};
    ImageComposer::IncludeOverlay(gray.data(), std::vector<uint8_t>{240, 255, 0, 0}.data(), 4);
    EXPECT_EQ(gray, (std::vector<uint8_t>{240, 255, 255, 17}));
}

TEST(ScaleTest, DoubleStretchReplicatesRowsAndColumns) {
    const std::vector<uint8_t> src = Ramp(3, 2);
    std::vector<uint8_t> dst(6 * 4);
    ImageScaler().Stretch(src.data(), 3, 2, 3, dst.data(), 6, 4, 6);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(dst[y * 6 + x], src[(y / 2) * 3 + x / 2]) << x << "," << y;
}

TEST(ScaleTest, DecimationAndOverlayReductionFollowTheRunningAccumulators) {
    const int sizes[][4] = {{3, 2, 7, 5}, {212, 159, 640, 480}, {10, 10, 10, 10},    {8, 9, 5, 6},
                            {1, 1, 9, 9}, {0, 3, 4, 4},         {100, 75, 333, 250}, {4, 3, 4, 0}};
    ImageScaler scaler; // one scaler across sizes: its column plan must follow them
    for (const auto& s : sizes) {
        const std::vector<uint8_t> src = Sparse(static_cast<size_t>(s[2]) * s[3], 3);
        const std::vector<uint8_t> decimated = LiteralDecimate(s[0], s[1], s[2], s[3], src);
        std::vector<uint8_t> dst(src.size() + 1, 0xEE);
        scaler.Decimate(s[0], s[1], s[2], s[3], src.data(), dst.data());
        EXPECT_TRUE(std::equal(decimated.begin(), decimated.end(), dst.begin()))
            << "decimate " << s[0] << "x" << s[1] << " from " << s[2] << "x" << s[3];
        EXPECT_EQ(dst[decimated.size()], 0xEE);
        if (s[0] == 0 || s[3] == 0)
            continue; // nothing to reduce into
        const std::vector<uint8_t> reduced = LiteralReduce(s[0], s[1], s[2], s[3], src);
        std::fill(dst.begin(), dst.end(), 0xEE);
        scaler.ReduceOverlay(s[0], s[1], s[2], s[3], src.data(), dst.data());
        EXPECT_TRUE(std::equal(reduced.begin(), reduced.end(), dst.begin()))
            << "reduce " << s[0] << "x" << s[1] << " from " << s[2] << "x" << s[3];
    }
}

TEST(ScaleTest, RefreshPausesDrawingAndRestoresTheFlag) {
    std::vector<uint8_t> overlay(16, 0), reduced(16, 0xEE);
    overlay[15] = 9;
    std::atomic<int32_t> renderEnabled{1};
    ImageScaler scaler;
    EXPECT_TRUE(
        scaler.RefreshReducedOverlay(renderEnabled, overlay.data(), 4, 4, 2, 2, reduced.data()));
    EXPECT_EQ(renderEnabled, 1);
    EXPECT_EQ(reduced[3], 9);
    renderEnabled = 0;
    EXPECT_TRUE(
        scaler.RefreshReducedOverlay(renderEnabled, overlay.data(), 4, 4, 2, 2, reduced.data()));
    EXPECT_EQ(renderEnabled, 0);
    EXPECT_FALSE(scaler.RefreshReducedOverlay(renderEnabled, nullptr, 4, 4, 2, 2, reduced.data()));
}

} // namespace vidrune::test
