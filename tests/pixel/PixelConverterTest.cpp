#include "board/PixelConverter.h"

#include "support/SimdLevels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <tuple>
#include <vector>

namespace vidrune {
namespace {

using Bytes = std::vector<uint8_t>;

// Bytes behind every destination that no conversion may touch.
constexpr std::size_t kGuard = 64;
constexpr uint8_t kUntouched = 0xA5;

// Every byte value occurs, so 2-byte pixels of 32768 and more are everywhere.
Bytes RandomBytes(std::mt19937& rng, std::size_t count) {
    Bytes bytes(count);
    std::generate(bytes.begin(), bytes.end(), [&] { return static_cast<uint8_t>(rng()); });
    return bytes;
}

uint32_t Pick(std::mt19937& rng, uint32_t low, uint32_t high) {
    return std::uniform_int_distribution<uint32_t>(low, high)(rng);
}

Bytes Destination(std::size_t bytes) {
    return Bytes(bytes + kGuard, kUntouched);
}

struct Region {
    uint32_t sourceWidth, bytesPerPixel, x, y, width, height, xs, ys;
};

class PixelKernels : public testing::TestWithParam<SimdLevel> {};

INSTANTIATE_TEST_SUITE_P(Levels, PixelKernels, testing::ValuesIn(test::RunnableLevels()),
                         testing::PrintToStringParamName());

// A random region inside a random frame. The source ends right after the last pixel the
// region addresses, so a read past it shows under AddressSanitizer.
Region RandomRegion(std::mt19937& rng, uint32_t bytesPerPixel, uint32_t xs) {
    Region g{0, bytesPerPixel, 0, 0, 0, 0, xs, Pick(rng, 1, 5)}; // the rest below
    g.sourceWidth = Pick(rng, xs, Pick(rng, 0, 3) == 0 ? 600 : 150);
    const uint32_t frameWidth = g.sourceWidth / xs;
    const uint32_t frameHeight = Pick(rng, 1, 12);
    g.width = Pick(rng, 1, frameWidth);
    g.height = Pick(rng, 1, frameHeight);
    const bool inCorner = Pick(rng, 0, 3) == 0;
    g.x = inCorner ? frameWidth - g.width : Pick(rng, 0, frameWidth - g.width);
    g.y = inCorner ? frameHeight - g.height : Pick(rng, 0, frameHeight - g.height);
    return g;
}

// The level's copy of the region against the per-pixel one, both written shift bytes into a
// destination with guard bytes behind.
testing::AssertionResult SameAsPerPixel(const uint8_t* source, const Region& g, std::size_t shift,
                                        SimdLevel level) {
    Bytes expected = Destination(shift + std::size_t{g.width} * g.height * g.bytesPerPixel);
    Bytes actual = expected;
    PixelConverter::ExtractRegion(source, g.sourceWidth, g.bytesPerPixel, g.x, g.y, g.width,
                                  g.height, g.xs, g.ys, actual.data() + shift, level);
    for (uint64_t r = 0; r < g.height; ++r)
        for (uint64_t i = 0; i < g.width; ++i) {
            const uint64_t from = g.ys * (g.y + r) * g.sourceWidth + g.xs * (g.x + i);
            std::memcpy(&expected[shift + (r * g.width + i) * g.bytesPerPixel],
                        &source[from * g.bytesPerPixel], g.bytesPerPixel);
        }
    if (actual == expected)
        return testing::AssertionSuccess();
    // Source width, bytes a pixel, x, y, width, height, xs, ys and the offset.
    return testing::AssertionFailure() << testing::PrintToString(std::tie(
               g.sourceWidth, g.bytesPerPixel, g.x, g.y, g.width, g.height, g.xs, g.ys, shift));
}

// Source and destination start at a random byte offset, so no kernel may count on aligned
// buffers; the source still ends right after the last addressed pixel. Rows that start at a
// page boundary and rows that end at one are read in opposite directions by the 8-bit XS 2
// copy (for the cache's prefetcher); both give the same pixels.
TEST_P(PixelKernels, ExtractMatchesPerPixelCopyForRandomRegions) {
    std::mt19937 rng(20240601);
    for (uint32_t bytesPerPixel : {1u, 2u}) {
        for (uint32_t xs : {1u, 2u, 4u}) {
            for (int n = 0; n < 250; ++n) {
                const Region g = RandomRegion(rng, bytesPerPixel, xs);
                const uint32_t shift = Pick(rng, 0, 31);
                const std::size_t last = std::size_t{g.ys} * (g.y + g.height - 1) * g.sourceWidth +
                                         g.xs * (g.x + g.width - 1);
                const Bytes source = RandomBytes(rng, shift + (last + 1) * bytesPerPixel);
                ASSERT_TRUE(SameAsPerPixel(source.data() + shift, g, shift, GetParam()));
            }
        }
    }
    constexpr uint32_t kPage = 4096;
    const Bytes frame = RandomBytes(rng, 5 * kPage);
    const std::size_t toPage = kPage - reinterpret_cast<std::uintptr_t>(frame.data()) % kPage;
    // One page a row; 300 pixels taken from 599 bytes.
    for (const uint32_t offset : {0u, kPage - 599})
        EXPECT_TRUE(SameAsPerPixel(frame.data() + toPage + offset, {kPage, 1, 0, 0, 300, 3, 2, 1},
                                   0, GetParam()));
}

// The per-pixel references above are checked against frames of known pixels by the board's
// read tests. Unsupported pixel sizes and factors, and empty images: nothing written.
TEST(PixelConverter, RefusedArgumentsLeaveTheDestinationAlone) {
    std::mt19937 rng(3);
    const Bytes source = RandomBytes(rng, 64 * 8 * 4);
    const Bytes untouched = Destination(64);
    for (const auto& [bytesPerPixel, xs] :
         {std::pair{1u, 3u}, {2u, 3u}, {1u, 0u}, {2u, 8u}, {0u, 1u}, {3u, 1u}, {4u, 2u}}) {
        Bytes actual = untouched;
        PixelConverter::ExtractRegion(source.data(), 64, bytesPerPixel, 0, 0, 8, 4, xs, 1,
                                      actual.data());
        EXPECT_EQ(actual, untouched) << "bpp " << bytesPerPixel << " xs " << xs;
    }
    for (const auto& [width, height] : {std::pair{4, 0}, {4, -3}, {0, 4}, {-2, 4}}) {
        Bytes actual = untouched;
        PixelConverter::FlipRows(source.data(), actual.data(), width, height, 1);
        PixelConverter::RotateClockwise(source.data(), actual.data(), width, height, 1);
        EXPECT_EQ(actual, untouched) << width << "x" << height;
    }
}

TEST_P(PixelKernels, RotateMatchesPerPixelTurnForRandomSizes) {
    std::mt19937 rng(29);
    for (int n = 0; n < 402; ++n) {
        // Mostly below one cache block, some spanning several blocks and partial tiles. The
        // last two turn 8-bit rows 2 and 4 KB long, which go through a band buffer.
        const bool wide = n >= 400;
        const uint32_t limit = Pick(rng, 0, 4) == 0 ? 300 : 70;
        const auto width = wide ? 2048 * (n - 399) : static_cast<int32_t>(Pick(rng, 1, limit));
        const auto height = wide ? 131 : static_cast<int32_t>(Pick(rng, 1, limit));
        const uint32_t bytesPerPixel = wide ? 1 : n % 8 == 7 ? 4 : Pick(rng, 1, 2);
        // Source rows may be longer than the turned region's columns; buffers start anywhere.
        const int64_t stride = height + (Pick(rng, 0, 2) == 0 ? 0 : Pick(rng, 1, 40));
        const uint32_t shift = Pick(rng, 0, 31);
        const Bytes source = RandomBytes(rng, shift + std::size_t(width) * stride * bytesPerPixel);
        Bytes expected = Destination(shift + std::size_t(width) * height * bytesPerPixel);
        Bytes actual = expected;
        PixelConverter::RotateClockwise(source.data() + shift, static_cast<uint32_t>(stride),
                                        actual.data() + shift, width, height, bytesPerPixel,
                                        GetParam());
        // Row r of the turned image is column r of the source, read from its last row up.
        for (int64_t r = 0; r < height; ++r)
            for (int64_t c = 0; c < width; ++c)
                std::memcpy(&expected[shift + (r * width + c) * bytesPerPixel],
                            &source[shift + ((width - 1 - c) * stride + r) * bytesPerPixel],
                            bytesPerPixel);
        ASSERT_EQ(actual, expected) << width << "x" << height << " bpp " << bytesPerPixel
                                    << " stride " << stride << " offset " << shift;
    }
}

TEST(SimdDispatch, RequestOnlyLowersTheLevel) {
    using enum SimdLevel;
    const struct {
        const char* request;
        SimdLevel best, chosen;
    } cases[] = {{"", kAvx2, kAvx2},     {"sse2", kAvx2, kSse2},     {"scalar", kAvx2, kScalar},
                 {"avx2", kSse2, kSse2}, {"sse2", kScalar, kScalar}, {"AVX512", kSse2, kSse2}};
    for (const auto& c : cases)
        EXPECT_EQ(SimdDispatch::Choose(c.request, c.best), c.chosen) << '"' << c.request << '"';
}

} // namespace
} // namespace vidrune
