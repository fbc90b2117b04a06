// Pixel content of reads through the exports, against the simulated board's pattern.
#include "BoardHost.h"
#include "support/FrameCheck.h"

#include <cstring>
#include <random>
#include <string>

namespace vidrune::test {
namespace {

SimCamera Sensor(int depth, uint32_t width, uint32_t height) {
    return SimCamera{.file = depth > 8 ? "deep.cam" : "mono8.cam",
                     .depth = depth,
                     .maxWidth = width,
                     .maxHeight = height};
}

class ReadTest : public BoardHost {
protected:
    // Reads random regions of the newest frame (the first of a counted acquisition), then
    // frame index 1 whole: a frame by index is taken once.
    void CheckRandomRegions(const FrameGeometry& frame, uint32_t frameWidth, uint32_t frameHeight) {
        std::mt19937 random(frameWidth * 31 + frameHeight);
        for (int round = 0; round < 12; ++round) {
            const uint32_t w = 1 + random() % frameWidth;
            const uint32_t h = 1 + random() % frameHeight;
            const uint32_t x = random() % (frameWidth - w + 1);
            const uint32_t y = random() % (frameHeight - h + 1);
            EXPECT_TRUE(Shows(VIDRUNE_READ_LATEST, 0, frame, x, y, w, h, 0))
                << x << "," << y << " " << w << "x" << h;
        }
        EXPECT_TRUE(Shows(VIDRUNE_READ_BY_INDEX, 1, frame, 0, 0, frameWidth, frameHeight, 1));
    }
};

TEST_F(ReadTest, SubSamplingOfEightAndSixteenBitFrames) {
    for (int depth : {8, 12}) {
        const SimCamera camera = Sensor(depth, 100, 60);
        ASSERT_TRUE(Open(files.WriteSingle(camera, SimBoardFiles::ModeOf(camera)))) << depth;
        // Deep pixels count twice, and the half pixel with them.
        EXPECT_EQ(Numeric("DATA SET SIZE"), depth > 8 ? 201.0 * 121.0 : 100.0 * 60.0);
        for (const auto& [xs, ys] :
             {std::pair{1u, 1u}, {2u, 2u}, {4u, 4u}, {2u, 1u}, {1u, 4u}, {4u, 2u}}) {
            ASSERT_EQ(Set("X DATA SCALE", xs), 1);
            ASSERT_EQ(Set("Y DATA SCALE", ys), 1);
            ASSERT_EQ(Acquire(3, true), 1);
            CheckRandomRegions(FrameGeometry{.xs = xs, .ys = ys, .depth = depth}, 100 / xs,
                               60 / ys);
        }
        plugin.FreeDeviceResources();
    }
}

// A user size is cropped from the sensor's centre (random regions of crops: the grab tool's
// tests). Without memory, the read hands out the buffer.
TEST_F(ReadTest, WithoutMemoryAReadHandsOutTheCentredCrop) {
    ASSERT_TRUE(Open(files.WriteSingle(Sensor(8, 100, 60), SimMode{.width = 40, .height = 30})));
    ASSERT_EQ(Acquire(2, true), 1);
    ReadRequest request = RegionRead(VIDRUNE_READ_BY_INDEX, 0, 0, 0, 40, 30);
    ASSERT_EQ(plugin.ReadDevice(&request), 1);
    ASSERT_NE(request.data, nullptr);
    const auto* pixels = static_cast<const uint8_t*>(request.data);
    const FrameGeometry frame{.cropLeft = 30, .cropTop = 15};
    EXPECT_EQ(CompareRegion({pixels, pixels + 40 * 30}, frame, 0, 0, 40, 30, 0), "");
}

// Rotated reads of deep pixels (eight-bit and flipped frames are the grab tool's): without
// column sub-sampling a turned region comes straight out of the board's buffer, with it
// through the scratch image; both must give the turned frame.
TEST_F(ReadTest, RegionsShowTheSubSampledFrameTurned) {
    const SimCamera camera = Sensor(12, 96, 40);
    for (const auto& [xs, ys] : {std::pair{1u, 1u}, {1u, 2u}, {2u, 1u}, {4u, 2u}}) {
        SCOPED_TRACE("scales " + std::to_string(xs) + " " + std::to_string(ys));
        const std::string scales = "RESOLUTION=12\nXSUBSAMPLE=" + std::to_string(xs) +
                                   "\nYSUBSAMPLE=" + std::to_string(ys) + "\n";
        ASSERT_TRUE(Open(
            files.WriteSingle(camera, SimBoardFiles::ModeOf(camera, scales), "ROTATEDATA=1\n")));
        // A turned frame is as wide as the camera's frame is high.
        const FrameGeometry frame{
            .xs = xs, .ys = ys, .depth = 12, .frameHeight = 40 / ys, .rotate = true};
        ASSERT_EQ(Acquire(2, true), 1);
        CheckRandomRegions(frame, 40 / ys, 96 / xs);
        // A pointer into the board's buffer cannot be turned.
        ReadRequest request = RegionRead(VIDRUNE_READ_BY_INDEX, 1, 0, 0, 4, 4);
        EXPECT_EQ(plugin.ReadDevice(&request), 0);
        EXPECT_EQ(plugin.AcqGetLastError(), 12u);
        // The host's WIDTH is the camera's height: limited by MAX USER HEIGHT (40).
        EXPECT_EQ(Set("WIDTH", 41), 0);
        EXPECT_EQ(Set("WIDTH", 30), 1);
        EXPECT_EQ(Numeric("HEIGHT"), 96);
        plugin.FreeDeviceResources();
    }
}

// A camera's turn is taken at the open, like the rest of its settings: a change while open
// must not turn the attribute names (and so the geometry the host reads by) away from the
// frames the reads deliver.
TEST_F(ReadTest, ACamerasTurnChangedWhileOpenTakesEffectAtTheNextOpen) {
    ASSERT_TRUE(Open(files.WriteSingle(SimCamera{}, SimMode{})));
    auto turnCamera = [&](double turn) {
        ASSERT_EQ(plugin.AcqInputDeviceSet("ROTATEDATA", &turn), 1);
    };
    auto expectFrame = [&](const FrameGeometry& frame, uint32_t width, uint32_t height) {
        EXPECT_EQ(Numeric("WIDTH"), width);
        EXPECT_EQ(Numeric("HEIGHT"), height);
        char translated[112] = {};
        Device()->ops->TranslateAttributeName(Device(), plugin.GetCurrentInputDevice(), "WIDTH",
                                              translated, 1);
        EXPECT_STREQ(translated, frame.rotate ? "HEIGHT" : "WIDTH");
        ASSERT_EQ(Acquire(1, true), 1) << plugin.AcqGetLastError();
        EXPECT_TRUE(Shows(VIDRUNE_READ_BY_INDEX, 0, frame, 0, 0, width, height, 0));
    };
    const FrameGeometry turned{.frameHeight = 48, .rotate = true};

    turnCamera(1);
    expectFrame(FrameGeometry{.frameHeight = 48}, 64, 48);
    plugin.CloseDevice();
    ASSERT_EQ(plugin.OpenDevice(), 0);
    expectFrame(turned, 48, 64);
    turnCamera(0);
    expectFrame(turned, 48, 64);
}

} // namespace
} // namespace vidrune::test
