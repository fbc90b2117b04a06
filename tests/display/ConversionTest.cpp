#include "display/ContrastMap.h"
#include "display/ImageConverter.h"
#include "support/SimdLevels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <numeric>
#include <random>
#include <string>
#include <vector>

using vidrune::ContrastSettings;
using vidrune::ImageConverter;

namespace {

// Little-endian 16-bit frame as the device delivers it.
std::vector<uint8_t> Frame(const std::vector<uint16_t>& values) {
    std::vector<uint8_t> bytes(values.size() * 2);
    for (size_t i = 0; i < values.size(); ++i) {
        bytes[2 * i] = static_cast<uint8_t>(values[i]);
        bytes[2 * i + 1] = static_cast<uint8_t>(values[i] >> 8);
    }
    return bytes;
}

// The contrast formula evaluated in 64 bits and wrapped to 32 only where the display's
// arithmetic wraps.
uint8_t Reference(uint16_t v, int32_t gain, int32_t offset, int32_t invert) {
    uint8_t out;
    if (gain == 0) {
        out = static_cast<uint8_t>(v >> 8);
    } else {
        const int64_t scaled = (int64_t{v} - offset) * 256;
        const auto wrapped = static_cast<int32_t>(static_cast<uint32_t>(scaled));
        out = static_cast<uint8_t>(static_cast<uint64_t>(int64_t{wrapped} / gain));
    }
    return invert ? static_cast<uint8_t>(~out) : out;
}

// Countdown 0: no automatic levels, the given settings apply.
void Fix(ContrastSettings& settings, int32_t gain, int32_t offset, int32_t invert) {
    settings.autoLevelCountdown = 0;
    settings.gain = gain;
    settings.offset = offset;
    settings.invert = invert;
}

std::vector<uint16_t> Levels(std::initializer_list<std::pair<uint16_t, int>> bands) {
    // Each band: ten neighbouring values from `first`, each `count` times.
    std::vector<uint16_t> values;
    for (const auto& [first, count] : bands)
        for (int v = 0; v < 10; ++v)
            for (int n = 0; n < count; ++n)
                values.push_back(static_cast<uint16_t>(first + v));
    return values;
}

} // namespace

TEST(ConversionTest, TwelveBitsWithoutAutoLevelsIsDivisionBySixteen) {
    ContrastSettings settings;
    settings.RestartAutoLevels(ContrastSettings::kOpenCountdown);
    settings.invert = 1; // reset by the full-depth mapping
    ImageConverter converter(settings);
    std::vector<uint16_t> values(4096);
    for (size_t v = 0; v < values.size(); ++v)
        values[v] = static_cast<uint16_t>(v);
    std::vector<uint8_t> frame = Frame(values);

    EXPECT_TRUE(converter.ConvertTo8Bit(frame.data(), values.size(), 12, false));
    EXPECT_EQ(settings.gain, 4096);
    EXPECT_EQ(settings.offset, 0);
    EXPECT_EQ(settings.invert, 0);
    EXPECT_EQ(settings.autoLevelCountdown, 1);
    for (size_t v = 0; v < values.size(); ++v)
        ASSERT_EQ(frame[v], v / 16) << v;
}

TEST(ConversionTest, ValuesOutsideTheWindowWrapAround) {
    ContrastSettings settings;
    Fix(settings, 1000, 2000, 0);
    ImageConverter converter(settings);
    // Below the offset: negative quotients wrap to high bytes; above offset + gain: past 255.
    std::vector<uint8_t> frame = Frame({1999, 1500, 1000, 2000, 2500, 2999, 3000, 3500, 5});
    EXPECT_FALSE(converter.ConvertTo8Bit(frame.data(), 9, 16, true));
    const uint8_t expected[] = {0, 128, 0, 0, 128, 255, 0, 128, static_cast<uint8_t>(-510)};
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(frame[i], expected[i]) << i;
}

TEST(ConversionTest, GainZeroTakesTheHighByteAndInvertComplementsIt) {
    EXPECT_EQ(ImageConverter::ConvertPixel(0x1234, 0, 500, 0), 0x12);
    EXPECT_EQ(ImageConverter::ConvertPixel(0x1234, 0, 500, 1), 0xED);
    EXPECT_EQ(ImageConverter::ConvertPixel(0xFFFF, 0, 0, 1), 0x00);
    // The quotient that would trap (INT32_MIN / -1) wraps instead.
    EXPECT_EQ(ImageConverter::ConvertPixel(0, -1, -8388608, 0), 0);
}

TEST(ConversionTest, TableMatchesTheFormulaForEveryInput) {
    struct Setting {
        int32_t gain, offset, invert, bits;
    };
    const Setting settingsList[] = {
        {4096, 0, 0, 12},       {1000, -500, 0, 12},     {3, 7, 1, 10},         {-300, 100, 0, 16},
        {65536, -70000, 1, 16}, {1, 0, 0, 16},           {-1, -8388608, 0, 16}, {0, 0, 1, 14},
        {255, 40000, 0, 16},    {7, -2147483647, 1, 16}, {1000, 2000, 0, 12},
    };
    ContrastSettings settings;
    ImageConverter converter(settings); // one converter: the table is rebuilt each time
    std::vector<uint16_t> values(65536 + 5);
    for (size_t v = 0; v < values.size(); ++v)
        values[v] = static_cast<uint16_t>(v * 40503u); // every value, in scrambled order
    for (const Setting& s : settingsList) {
        Fix(settings, s.gain, s.offset, s.invert);
        std::vector<uint8_t> frame = Frame(values);
        converter.ConvertTo8Bit(frame.data(), values.size(), s.bits, false);
        for (size_t i = 0; i < values.size(); ++i)
            ASSERT_EQ(frame[i], Reference(values[i], s.gain, s.offset, s.invert))
                << "gain " << s.gain << " offset " << s.offset << " value " << values[i];
    }
}

TEST(AutoLevelTest, UniformImageGivesTheMinimumRange) {
    const std::vector<uint16_t> values(1000, 500);
    for (int32_t invert : {0, 1}) {
        ContrastSettings settings;
        settings.RestartAutoLevels(1);
        settings.invert = invert;
        ImageConverter converter(settings);
        std::vector<uint8_t> frame = Frame(values);
        converter.ConvertTo8Bit(frame.data(), values.size(), 16, true);
        EXPECT_EQ(ImageConverter::FindHigh(converter.Histogram()), 0);
        EXPECT_EQ(ImageConverter::FindLow(converter.Histogram()), 65535);
        EXPECT_EQ(settings.gain, 256);
        EXPECT_EQ(settings.offset, invert ? 100 : 65435);
        EXPECT_EQ(converter.Histogram()[500], 1000u);
    }
}

TEST(AutoLevelTest, TwoLevelImageSpansBothLevels) {
    ContrastSettings settings;
    settings.RestartAutoLevels(1);
    ImageConverter converter(settings);
    // Isolated outliers (a single count, or counts without neighbours) are not levels.
    std::vector<uint16_t> values = Levels({{1000, 10}, {3000, 10}});
    values.insert(values.end(), {60000, 60000, 60000, 20, 20});
    std::vector<uint8_t> frame = Frame(values);
    converter.ConvertTo8Bit(frame.data(), values.size(), 16, true);
    EXPECT_EQ(ImageConverter::FindHigh(converter.Histogram()), 3009);
    EXPECT_EQ(ImageConverter::FindLow(converter.Histogram()), 1000);
    EXPECT_EQ(settings.gain, 2009 + 2009 / 2);
    EXPECT_EQ(settings.offset, 900);
    // The frame was converted with the new levels.
    EXPECT_EQ(frame[0], Reference(1000, 3013, 900, 0));
}

TEST(AutoLevelTest, AveragesOverTheCountdownThenHolds) {
    ContrastSettings settings;
    settings.RestartAutoLevels(2);
    settings.invert = 1;
    ImageConverter converter(settings);
    const std::vector<uint16_t> first = Levels({{1000, 10}, {3000, 10}});  // range 3013
    const std::vector<uint16_t> second = Levels({{2000, 10}, {6000, 10}}); // range 6013
    std::vector<uint8_t> frame = Frame(first);
    EXPECT_TRUE(converter.ConvertTo8Bit(frame.data(), first.size(), 16, true));
    EXPECT_EQ(settings.gain, 3013);
    EXPECT_EQ(settings.offset, 3109); // inverted: high + 100
    frame = Frame(second);
    EXPECT_TRUE(converter.ConvertTo8Bit(frame.data(), second.size(), 16, true));
    EXPECT_EQ(settings.autoLevelFrameCount, 2);
    EXPECT_EQ(settings.gain, (3013 + 6013) / 2);
    EXPECT_EQ(settings.offset, (3109 + 6109) / 2);
    frame = Frame(first);
    EXPECT_FALSE(converter.ConvertTo8Bit(frame.data(), first.size(), 16, true));
    EXPECT_EQ(settings.gain, (3013 + 6013) / 2);
    EXPECT_EQ(settings.autoLevelFrameCount, 2);
}

namespace {

using vidrune::ContrastMap;
using vidrune::SimdDispatch;
using vidrune::SimdLevel;
using vidrune::test::RunnableLevels;

// Every 12-bit value, in order and shuffled (so that vector blocks mix values inside and
// outside the exact division's range), then random 16-bit values; an odd count leaves a tail.
std::vector<uint16_t> TestInputs() {
    std::vector<uint16_t> values;
    for (int v = 0; v < 4096; ++v)
        values.push_back(static_cast<uint16_t>(v));
    std::mt19937 rng(15);
    std::vector<uint16_t> shuffled(values);
    std::shuffle(shuffled.begin(), shuffled.end(), rng);
    values.insert(values.end(), shuffled.begin(), shuffled.end());
    std::uniform_int_distribution<int> word(0, 65535);
    for (int n = 0; n < 12289; ++n)
        values.push_back(static_cast<uint16_t>(word(rng)));
    return values;
}

class ContrastMapPaths : public testing::TestWithParam<SimdLevel> {};

INSTANTIATE_TEST_SUITE_P(Levels, ContrastMapPaths, testing::ValuesIn(RunnableLevels()),
                         [](const testing::TestParamInfo<SimdLevel>& info) {
                             return std::string(SimdDispatch::Name(info.param));
                         });

// Gains and offsets at the edges of the exact division (2^24, |v - offset| = 2^16), typical
// display settings, and ones that wrap or divide by -1.
TEST_P(ContrastMapPaths, InPlaceConversionMatchesTheFormula) {
    const int32_t gains[] = {
        1,         -1,        2,    3,     7,     255,    256,     257,           1000,
        4095,      4096,      4097, -4096, 65536, 100003, 1 << 24, (1 << 24) + 1, -(1 << 24),
        INT32_MAX, INT32_MIN, 0};
    const int32_t offsets[] = {0,     -100,  -28672, -65535, -65536,  4095,      32768,
                               65535, 65536, 131071, 70000,  1000000, INT32_MIN, INT32_MAX};
    const std::vector<uint16_t> values = TestInputs();
    const std::vector<uint8_t> frame = Frame(values);
    ContrastMap map;
    for (const int32_t gain : gains)
        for (const int32_t offset : offsets)
            for (const int32_t invert : {0, 1}) {
                map.Set(gain, offset, invert);
                std::vector<uint8_t> buffer = frame;
                map.Convert(buffer.data(), buffer.data(), values.size(), GetParam());
                for (size_t i = 0; i < values.size(); ++i)
                    ASSERT_EQ(buffer[i], Reference(values[i], gain, offset, invert))
                        << "input " << values[i] << " at " << i << ", gain " << gain << " offset "
                        << offset << " invert " << invert;
            }
}

TEST_P(ContrastMapPaths, ConvertsFromAnyByteIntoAnotherBuffer) {
    const std::vector<uint16_t> values = TestInputs();
    ContrastMap map;
    map.Set(4096, -100, 0);
    for (size_t shift : {1u, 3u, 17u}) {
        std::vector<uint8_t> in(shift);
        const std::vector<uint8_t> frame = Frame(values);
        in.insert(in.end(), frame.begin(), frame.end());
        std::vector<uint8_t> out(shift + values.size() + 1, 0xA5);
        map.Convert(in.data() + shift, out.data() + shift, values.size(), GetParam());
        for (size_t i = 0; i < values.size(); ++i)
            ASSERT_EQ(out[shift + i], Reference(values[i], 4096, -100, 0)) << "at " << i;
        EXPECT_EQ(out.back(), 0xA5) << "written past the end, offset " << shift;
    }
}

// The palette and overlay folded into the conversion: a scrambled table reaches every entry
// of the vector lookup, the overlay is sparse as marks are. Settings inside and outside the
// exact division's range take both ways through the pass.
TEST_P(ContrastMapPaths, ComposedBitmapIsThePaletteOfEachByteOrTheOverlay) {
    const std::vector<uint16_t> values = TestInputs();
    const std::vector<uint8_t> frame = Frame(values);
    std::mt19937 rng(77);
    std::array<uint8_t, 256> palette{};
    std::iota(palette.begin(), palette.end(), 0);
    std::shuffle(palette.begin(), palette.end(), rng);
    std::vector<uint8_t> overlay(values.size());
    std::uniform_int_distribution<int> mark(0, 15);
    for (auto& o : overlay)
        o = mark(rng) == 0 ? static_cast<uint8_t>(1u << mark(rng) % 8) : 0;
    const struct {
        int32_t gain, offset, invert;
    } settings[] = {{3000, 300, 0}, {4096, -100, 1}, {-700, 40000, 0}, {0, 0, 0}, {1 << 25, 7, 1}};
    ContrastMap map;
    for (const auto& c : settings) {
        map.Set(c.gain, c.offset, c.invert);
        std::vector<uint8_t> gray = frame; // in place, as the display converts
        std::vector<uint8_t> bitmap(values.size() + 1, 0xA5);
        map.ConvertAndCompose(gray.data(), gray.data(), overlay.data(), palette.data(),
                              bitmap.data(), values.size(), GetParam());
        for (size_t i = 0; i < values.size(); ++i) {
            const uint8_t expected = Reference(values[i], c.gain, c.offset, c.invert);
            ASSERT_EQ(gray[i], expected) << "input " << values[i] << " at " << i;
            ASSERT_EQ(bitmap[i], palette[expected] | overlay[i])
                << "input " << values[i] << " at " << i << ", gain " << c.gain;
        }
        EXPECT_EQ(bitmap.back(), 0xA5) << "written past the end";
    }
}

// The 16-bit-lane division against the formula for every 12-bit input, over a sweep of gains
// and offsets across its whole range; for gains 300 to 32767 it is always found and proven.
TEST(ContrastMapShortDivision, TakenForTwelveBitSettingsAndExactForEveryInput) {
    if (!SimdDispatch::Supported(SimdLevel::kAvx2))
        GTEST_SKIP() << "the 16-bit-lane division runs on AVX2 only";
    std::vector<uint16_t> values = TestInputs();
    values.resize(2 * 4096 + 7);
    const std::vector<uint8_t> frame = Frame(values);
    std::vector<int32_t> gains{1, 16, 17, 31, 32, 33, 128, 129, 255, 256, 257, 32767, 32768};
    for (int32_t gain = 300; gain < 32768; gain += 331)
        gains.push_back(gain);
    ContrastMap map;
    for (const int32_t gain : gains)
        for (const int32_t offset : {-28672, -28000, -100, 0, 1, 300, 2047, 4095, 20000, 32767})
            for (const int32_t invert : {0, 1}) {
                map.Set(gain, offset, invert);
                ASSERT_TRUE(gain < 300 || gain > 32767 || map.ShortDivisionBits() >= 12)
                    << "gain " << gain << " offset " << offset;
                std::vector<uint8_t> out(values.size());
                map.Convert(frame.data(), out.data(), values.size(), SimdLevel::kAvx2);
                for (size_t i = 0; i < values.size(); ++i)
                    ASSERT_EQ(out[i], Reference(values[i], gain, offset, invert))
                        << "input " << values[i] << ", gain " << gain << " offset " << offset
                        << " invert " << invert << ", " << map.ShortDivisionBits() << " bits";
            }
}

TEST(ContrastMapRange, ExactDivisionOnlyWhereTheScaledInputStaysBelowTwoToThe24) {
    const struct {
        int32_t gain, offset, low, high;
    } cases[] = {
        {4096, 0, 0, 65535},
        {4096, -100, 0, 65435},
        {4096, 70000, 4465, 65535},
        {-7, 131070, 65535, 65535},
        {1 << 24, 5, 0, 65535},
        {(1 << 24) + 1, 5, 1, 0},
        {0, 0, 1, 0},
        {300, 131071, 1, 0},
        {300, -65536, 1, 0},
    };
    for (const auto& c : cases) {
        const ContrastMap::DivisionRange range = ContrastMap::ExactDivisionRange(c.gain, c.offset);
        EXPECT_EQ(range.low, c.low) << c.gain << " " << c.offset;
        EXPECT_EQ(range.high, c.high) << c.gain << " " << c.offset;
    }
}

} // namespace
