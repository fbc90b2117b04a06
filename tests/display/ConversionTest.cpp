#include "display/ContrastMap.h"
#include "display/ImageConverter.h"
#include "display/ImageScaler.h"
#include "support/SimdLevels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <numeric>
#include <random>
#include <vector>

namespace vidrune::test {
namespace {

// Little-endian 16-bit frame as the device delivers it.
std::vector<uint8_t> Frame(const std::vector<uint16_t>& values) {
    std::vector<uint8_t> bytes;
    for (const uint16_t v : values)
        bytes.insert(bytes.end(), {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)});
    return bytes;
}

// The contrast formula evaluated in 64 bits and wrapped to 32 only where the display's
// arithmetic wraps.
uint8_t Reference(uint16_t v, int32_t gain, int32_t offset, int32_t invert) {
    const auto wrapped = static_cast<int32_t>(static_cast<uint32_t>((int64_t{v} - offset) * 256));
    const auto out = static_cast<uint8_t>(gain == 0 ? v >> 8 : int64_t{wrapped} / gain);
    return invert ? static_cast<uint8_t>(~out) : out;
}

// Each band: ten neighbouring values from `first`, each `count` times.
std::vector<uint16_t> Levels(std::initializer_list<std::pair<uint16_t, int>> bands) {
    std::vector<uint16_t> values;
    for (const auto& [first, count] : bands)
        for (int v = 0; v < 10; ++v)
            for (int n = 0; n < count; ++n)
                values.push_back(static_cast<uint16_t>(first + v));
    return values;
}

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

// Isolated outliers (a single count, or counts without neighbours) are not levels; an image
// without levels gets the minimum range. Levels are averaged over the countdown's frames, then
// held; an open restarts them, and a 12-bit camera without automatic levels then takes the
// full-depth mapping, division by sixteen, not inverted.
TEST(AutoLevelTest, LevelsComeFromTheHistogramAveragedOverTheCountdown) {
    std::vector<uint16_t> twoLevels = Levels({{1000, 10}, {3000, 10}}); // range 3013
    twoLevels.insert(twoLevels.end(), {60000, 60000, 60000, 20, 20});
    const std::vector<uint16_t> uniform(1000, 500);
    const struct {
        const std::vector<uint16_t>& values;
        int32_t invert, gain, offset;
    } cases[] = {
        // No levels (high 0, low 65535): the minimum range below the low level.
        {uniform, 0, 256, 65435},
        // Levels 1000 to 3009: half again their range, from 100 below the low level.
        {twoLevels, 0, 2009 + 2009 / 2, 900},
        {twoLevels, 1, 2009 + 2009 / 2, 3109}, // inverted: high + 100
    };
    ContrastSettings settings;
    ImageConverter converter(settings);
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "gain " << c.gain << " invert " << c.invert);
        settings.RestartAutoLevels(1);
        settings.invert = c.invert;
        std::vector<uint8_t> frame = Frame(c.values);
        EXPECT_TRUE(converter.ConvertTo8Bit(frame.data(), c.values.size(), 16, true));
        EXPECT_EQ(settings.gain, c.gain);
        EXPECT_EQ(settings.offset, c.offset);
        // The frame was converted with the new levels.
        EXPECT_EQ(frame[0], Reference(c.values[0], c.gain, c.offset, c.invert));
    }

    // Two frames to average, then the levels hold; still inverted.
    settings.RestartAutoLevels(2);
    const std::vector<uint16_t> second = Levels({{2000, 10}, {6000, 10}}); // range 6013
    const std::pair<const std::vector<uint16_t>*, bool> frames[] = {
        {&twoLevels, true}, {&second, true}, {&twoLevels, false}};
    for (const auto& [values, newLevels] : frames) {
        std::vector<uint8_t> frame = Frame(*values);
        EXPECT_EQ(converter.ConvertTo8Bit(frame.data(), values->size(), 16, true), newLevels);
    }
    EXPECT_EQ((std::vector<int>{settings.autoLevelFrameCount, settings.gain, settings.offset}),
              (std::vector<int>{2, (3013 + 6013) / 2, (3109 + 6109) / 2}));

    settings.RestartAutoLevels(ContrastSettings::kOpenCountdown);
    std::vector<uint8_t> frame = Frame({4095, 31});
    EXPECT_TRUE(converter.ConvertTo8Bit(frame.data(), 2, 12, false));
    EXPECT_EQ((std::vector<int>{settings.gain, settings.offset, settings.invert,
                                settings.autoLevelCountdown, frame[0], frame[1]}),
              (std::vector<int>{4096, 0, 0, 1, 255, 1}));
}

class ContrastMapPaths : public testing::TestWithParam<SimdLevel> {};

INSTANTIATE_TEST_SUITE_P(Levels, ContrastMapPaths, testing::ValuesIn(RunnableLevels()),
                         testing::PrintToStringParamName());

// Gains and offsets at the edges of the exact division (2^24, |v - offset| = 2^16), typical
// display settings, and ones that wrap or divide by -1: in place, between buffers that start
// at any byte, and composed with a palette and overlay into a bitmap (the palette entry of
// each byte ORed with the overlay) in the same pass, in place as the display converts.
TEST_P(ContrastMapPaths, ConversionMatchesTheFormula) {
    const int32_t gains[] = {
        1,       -1,        2,        3,     7,      17,      129,           255,
        256,     257,       1000,     4095,  4096,   4097,    -4096,         32767,
        3000,    -700,      0,        65536, 100003, 1 << 24, (1 << 24) + 1, -(1 << 24),
        1 << 25, INT32_MAX, INT32_MIN};
    const int32_t offsets[] = {0,     -100,  -28672, -65535, -65536,  2047,      4095,     32768,
                               65535, 65536, 131071, 70000,  1000000, INT32_MIN, INT32_MAX};
    const size_t shifts[] = {0, 1, 3, 17, 0};
    // Every 12-bit value, in order and shuffled (so that vector blocks mix values inside and
    // outside the exact division's range), then random 16-bit values; an odd count leaves a
    // tail.
    std::vector<uint16_t> values(2 * 4096 + 12289);
    std::mt19937 rng(15);
    for (size_t i = 0; i < values.size(); ++i)
        values[i] = static_cast<uint16_t>(i < 2 * 4096 ? i % 4096 : rng());
    std::shuffle(values.begin() + 4096, values.begin() + 2 * 4096, rng);
    // A scrambled palette, so that every entry of the vector lookup shows, and an overlay as
    // sparse as marks are.
    std::array<uint8_t, 256> palette{};
    std::iota(palette.begin(), palette.end(), 0);
    std::shuffle(palette.begin(), palette.end(), std::mt19937(77));
    const std::vector<uint8_t> overlay = Sparse(values.size(), 77);
    ContrastMap map;
    size_t run = 0;
    for (const int32_t gain : gains)
        for (const int32_t offset : offsets)
            for (const int32_t invert : {0, 1}) {
                const size_t shift = shifts[run % 5];
                const bool composed = run++ % 5 == 4;
                map.Set(gain, offset, invert);
                std::vector<uint8_t> in = Frame(values);
                in.insert(in.begin(), shift, 0);
                std::vector<uint8_t> separate(shift + values.size() + 1, 0xA5);
                std::vector<uint8_t> bitmap(values.size() + 1, 0xA5);
                uint8_t* out = shift == 0 ? in.data() : separate.data() + shift;
                if (composed)
                    map.ConvertAndCompose(in.data() + shift, out, overlay.data(), palette.data(),
                                          bitmap.data(), values.size(), GetParam());
                else
                    map.Convert(in.data() + shift, out, values.size(), GetParam());
                SCOPED_TRACE(testing::Message()
                             << "gain " << gain << " offset " << offset << " invert " << invert
                             << " shift " << shift << ", " << map.ShortDivisionBits()
                             << " short-division bits");
                for (size_t i = 0; i < values.size(); ++i) {
                    const uint8_t expected = Reference(values[i], gain, offset, invert);
                    ASSERT_EQ(out[i], expected) << "input " << values[i] << " at " << i;
                    if (composed) {
                        ASSERT_EQ(bitmap[i], palette[expected] | overlay[i]) << i;
                    }
                }
                EXPECT_EQ(separate.back(), 0xA5) << "written past the end";
                EXPECT_EQ(bitmap.back(), 0xA5) << "bitmap written past the end";
            }
}

TEST(ScaleTest, DecimationOverlayReductionAndRefreshFollowTheRunningAccumulators) {
    const int sizes[][4] = {{3, 2, 7, 5},        {212, 159, 640, 480}, {10, 10, 10, 10},
                            {8, 9, 5, 6},        {1, 1, 9, 9},         {0, 3, 4, 4},
                            {100, 75, 333, 250}, {100, 50, 200, 150},  {4, 3, 4, 0}};
    // One scaler across sizes: its column plan must follow them, also a new image width
    // shown at the same width.
    ImageScaler scaler;
    for (const auto& [dw, dh, sw, sh] : sizes) {
        const std::vector<uint8_t> src = Sparse(static_cast<size_t>(sw) * sh, 3);
        // One pixel kept for every pixel of the shrunk size, or each one where there is no room.
        const int columns = std::min(dw, sw);
        const int rows = std::min(dh, sh);
        // Nothing to reduce into without width or source rows.
        for (const bool reduce : {false, true}) {
            if (reduce && (dw == 0 || sh == 0))
                continue;
            // The kept pixels, or when reducing an overlay each kept pixel ORed with the dropped
            // ones before it (dropped ones after the last kept pixel of a row or column go).
            std::vector<uint8_t> expected(static_cast<size_t>(columns) * rows, 0);
            for (int y = 0, row = 0; row < rows; row += Kept(y++, dh, sh))
                for (int x = 0, column = 0; column < columns; column += Kept(x++, dw, sw))
                    if (reduce || (Kept(x, dw, sw) && Kept(y, dh, sh)))
                        expected[static_cast<size_t>(row) * columns + column] |=
                            src[static_cast<size_t>(y) * sw + x];
            std::vector<uint8_t> dst(src.size() + 1, 0xEE);
            (scaler.*(reduce ? &ImageScaler::ReduceOverlay : &ImageScaler::Decimate))(
                dw, dh, sw, sh, src.data(), dst.data());
            EXPECT_TRUE(std::equal(expected.begin(), expected.end(), dst.begin()))
                << (reduce ? "reduce " : "decimate ") << dw << "x" << dh << " from " << sw << "x"
                << sh;
            EXPECT_EQ(dst[expected.size()], 0xEE);
        }
    }

    // A refresh of the reduced overlay pauses drawing, then leaves the flag as it was: here
    // paused, as during a save. (The live display's test sees drawing go on after one.)
    std::vector<uint8_t> overlay(16, 0), reduced(4, 0xEE);
    overlay[15] = 9;
    std::atomic<int32_t> paused{0};
    EXPECT_TRUE(scaler.RefreshReducedOverlay(paused, overlay.data(), 4, 4, 2, 2, reduced.data()));
    EXPECT_EQ(std::pair(paused.load(), reduced[3]), std::pair(0, uint8_t{9}));
    EXPECT_FALSE(scaler.RefreshReducedOverlay(paused, nullptr, 4, 4, 2, 2, reduced.data()));
}

} // namespace
} // namespace vidrune::test
