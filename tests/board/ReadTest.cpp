// Pixel content of reads through the exports, against the simulated board's pattern.
#include "BoardHost.h"
#include "FrameCheck.h"

#include <array>
#include <cstring>
#include <ostream>
#include <random>
#include <string>

using vidrune::test::BoardHost;
using vidrune::test::CompareRegion;
using vidrune::test::FrameGeometry;
using vidrune::test::PixelOf;
using vidrune::test::SimCamera;
using vidrune::test::SimMode;

namespace {

SimCamera Sensor(int depth, uint32_t width, uint32_t height) {
    SimCamera camera;
    camera.file = depth > 8 ? "deep.cam" : "mono8.cam";
    camera.depth = depth;
    camera.maxWidth = width;
    camera.maxHeight = height;
    return camera;
}

SimMode ModeOf(const SimCamera& camera, int width, int height, const std::string& extra = "") {
    SimMode mode;
    mode.controlFile = camera.file;
    mode.width = width;
    mode.height = height;
    mode.extra = extra;
    return mode;
}

} // namespace

class ReadTest : public BoardHost {
protected:
    // Reads random regions of the newest frame (the first of a counted acquisition), then
    // frame index 1 whole: a frame by index is taken once.
    void CheckRandomRegions(const FrameGeometry& frame, uint32_t frameWidth, uint32_t frameHeight) {
        std::mt19937 random(frameWidth * 31 + frameHeight);
        std::vector<uint8_t> data;
        for (int round = 0; round < 12; ++round) {
            const uint32_t w = 1 + random() % frameWidth;
            const uint32_t h = 1 + random() % frameHeight;
            const uint32_t x = random() % (frameWidth - w + 1);
            const uint32_t y = random() % (frameHeight - h + 1);
            ASSERT_EQ(Read(VIDRUNE_READ_LATEST, 0, x, y, w, h, data), 1)
                << plugin.AcqGetLastError();
            EXPECT_EQ(CompareRegion(data, frame, x, y, w, h, 0), "")
                << x << "," << y << " " << w << "x" << h;
        }
        std::vector<uint8_t> whole;
        ASSERT_EQ(Read(VIDRUNE_READ_BY_INDEX, 1, 0, 0, frameWidth, frameHeight, whole), 1);
        EXPECT_EQ(CompareRegion(whole, frame, 0, 0, frameWidth, frameHeight, 1), "");
    }
};

TEST_F(ReadTest, SubSamplingOfEightAndSixteenBitFrames) {
    for (int depth : {8, 12}) {
        const SimCamera camera = Sensor(depth, 100, 60);
        files.WriteCamera(camera);
        const std::string config = files.WriteConfig(
            vidrune::test::SimBoardFiles::CameraSection("CAMERA1", "Cam") +
                vidrune::test::SimBoardFiles::ModeSection("CAMERA1_MODE1", ModeOf(camera, 100, 60)),
            "depth" + std::to_string(depth) + ".ini");
        ASSERT_TRUE(Open(config)) << depth;
        EXPECT_EQ(Numeric("DATA SIZE"), depth > 8 ? 2 : 1);
        EXPECT_EQ(Numeric("DATA RESOLUTION"), depth);
        for (const auto& [xs, ys] : {std::pair{1, 1}, {2, 2}, {4, 4}, {2, 1}, {1, 4}, {4, 2}}) {
            ASSERT_EQ(Set("X DATA SCALE", xs), 1);
            ASSERT_EQ(Set("Y DATA SCALE", ys), 1);
            ASSERT_EQ(Acquire(3, true), 1);
            FrameGeometry frame;
            frame.xs = static_cast<uint32_t>(xs);
            frame.ys = static_cast<uint32_t>(ys);
            frame.depth = depth;
            CheckRandomRegions(frame, 100 / xs, 60 / ys);
        }
        plugin.FreeDeviceResources();
    }
}

TEST_F(ReadTest, AUserSizeIsCroppedFromTheSensorCentre) {
    const SimCamera camera = Sensor(8, 100, 60);
    ASSERT_TRUE(Open(files.WriteSingle(camera, ModeOf(camera, 40, 30))));
    EXPECT_EQ(Numeric("WIDTH"), 40);
    EXPECT_EQ(Numeric("MAX WIDTH"), 100);
    ASSERT_EQ(Acquire(2, true), 1);
    FrameGeometry frame;
    frame.cropLeft = 30;
    frame.cropTop = 15;
    CheckRandomRegions(frame, 40, 30);

    // A new width reaches the board at once: the next acquisition has the new size.
    ASSERT_EQ(Set("WIDTH", 20), 1);
    ASSERT_EQ(Acquire(2, true), 1);
    frame.cropLeft = 40;
    CheckRandomRegions(frame, 20, 30);
    std::vector<uint8_t> data;
    EXPECT_EQ(Read(VIDRUNE_READ_BY_INDEX, 1, 0, 0, 21, 30, data), 0);
    EXPECT_EQ(plugin.AcqGetLastError(), 12u);
}

TEST_F(ReadTest, AFlippedCameraDeliversRowsBottomUp) {
    const SimCamera camera = Sensor(12, 48, 32);
    ASSERT_TRUE(Open(files.WriteSingle(camera, ModeOf(camera, 48, 32), "FLIPDATA=1\n")));
    ASSERT_EQ(Acquire(2, true), 1);
    std::vector<uint8_t> data;
    const uint32_t x = 5, y = 3, w = 20, h = 10;
    ASSERT_EQ(Read(VIDRUNE_READ_BY_INDEX, 1, x, y, w, h, data), 1);
    FrameGeometry frame;
    frame.depth = 12;
    for (uint32_t r = 0; r < h; ++r) {
        for (uint32_t c = 0; c < w; ++c) {
            // Row r of the flipped frame is row 31 - r of the camera's frame.
            ASSERT_EQ(PixelOf(data, size_t{r} * w + c, 2), frame.At(x + c, 31 - (y + r), 1))
                << c << "," << r;
        }
    }
}

TEST_F(ReadTest, ARotatedCameraDeliversTheFrameTurnedClockwise) {
    const SimCamera camera = Sensor(8, 40, 24);
    ASSERT_TRUE(Open(files.WriteSingle(camera, ModeOf(camera, 40, 24), "ROTATEDATA=1\n")));
    // The host sees the turned frame: its width is the camera's height.
    EXPECT_EQ(Numeric("WIDTH"), 24);
    EXPECT_EQ(Numeric("HEIGHT"), 40);
    ASSERT_EQ(Acquire(2, true), 1);
    FrameGeometry frame;
    std::vector<uint8_t> data;
    for (const auto& [x, y, w, h] :
         {std::array<uint32_t, 4>{0, 0, 24, 40}, std::array<uint32_t, 4>{3, 7, 13, 20},
          std::array<uint32_t, 4>{23, 39, 1, 1}}) {
        ASSERT_EQ(Read(VIDRUNE_READ_LATEST, 0, x, y, w, h, data), 1);
        for (uint32_t r = 0; r < h; ++r) {
            for (uint32_t c = 0; c < w; ++c) {
                // Turned clockwise: pixel (X, Y) shows camera pixel (Y, 23 - X).
                ASSERT_EQ(data[size_t{r} * w + c], frame.At(y + r, 23 - (x + c), 0))
                    << x << "," << y << " at " << c << "," << r;
            }
        }
    }
    // Frame index 1 through the scratch image, and the region checked against the turned frame.
    ASSERT_EQ(Read(VIDRUNE_READ_BY_INDEX, 1, 2, 1, 20, 30, data), 1);
    EXPECT_EQ(data[0], frame.At(1, 23 - 2, 1));
    EXPECT_EQ(data[size_t{29} * 20 + 19], frame.At(1 + 29, 23 - (2 + 19), 1));
    EXPECT_EQ(Read(VIDRUNE_READ_LATEST, 0, 0, 0, 25, 1, data), 0);
    EXPECT_EQ(plugin.AcqGetLastError(), 12u);

    // A pointer into the board's buffer cannot be turned.
    ReadRequest request{};
    request.kind = VIDRUNE_READ_BY_INDEX;
    request.index = 1;
    request.width = 4;
    request.height = 4;
    EXPECT_EQ(plugin.ReadDevice(&request), 0);
    EXPECT_EQ(plugin.AcqGetLastError(), 12u);
}

TEST_F(ReadTest, WithoutCopyTheReadHandsOutTheBuffer) {
    const SimCamera camera = Sensor(8, 64, 48);
    ASSERT_TRUE(Open(files.WriteSingle(camera, ModeOf(camera, 64, 48))));
    ASSERT_EQ(Acquire(2, true), 1);
    ReadRequest request{};
    request.kind = VIDRUNE_READ_BY_INDEX;
    request.index = 1;
    request.width = 64;
    request.height = 48;
    ASSERT_EQ(plugin.ReadDevice(&request), 1);
    ASSERT_NE(request.data, nullptr);
    std::vector<uint8_t> data(static_cast<uint8_t*>(request.data),
                              static_cast<uint8_t*>(request.data) + 64 * 48);
    EXPECT_EQ(CompareRegion(data, FrameGeometry{}, 0, 0, 64, 48, 1), "");
}

// Turned reads of 12-bit frames: without column sub-sampling the region is turned straight
// out of the board's buffer, with it through the scratch image; both give the turned frame.
struct TurnedScales {
    uint32_t xs, ys;
};

void PrintTo(const TurnedScales& scales, std::ostream* out) {
    *out << "XS " << scales.xs << ", YS " << scales.ys;
}

class RotatedReadTest : public BoardHost, public testing::WithParamInterface<TurnedScales> {};

INSTANTIATE_TEST_SUITE_P(Scales, RotatedReadTest,
                         testing::Values(TurnedScales{1, 1}, TurnedScales{1, 2}, TurnedScales{2, 1},
                                         TurnedScales{4, 2}),
                         [](const testing::TestParamInfo<TurnedScales>& info) {
                             return "xs" + std::to_string(info.param.xs) + "ys" +
                                    std::to_string(info.param.ys);
                         });

TEST_P(RotatedReadTest, RegionsShowTheSubSampledFrameTurnedClockwise) {
    const auto [xs, ys] = GetParam();
    const SimCamera camera = Sensor(12, 96, 40);
    const std::string scales = "RESOLUTION=12\nXSUBSAMPLE=" + std::to_string(xs) +
                               "\nYSUBSAMPLE=" + std::to_string(ys) + "\n";
    ASSERT_TRUE(Open(files.WriteSingle(camera, ModeOf(camera, 96, 40, scales), "ROTATEDATA=1\n")));
    // The host reads the sub-sampled frame turned: its width comes from the camera's height.
    const uint32_t width = 40 / ys;
    const uint32_t height = 96 / xs;
    ASSERT_EQ(Acquire(2, true), 1);
    const FrameGeometry frame{.xs = xs, .ys = ys, .depth = 12};
    std::vector<uint8_t> data;
    for (const auto& [x, y, w, h] :
         {std::array<uint32_t, 4>{0, 0, width, height}, std::array<uint32_t, 4>{3, 5, 9, 17},
          std::array<uint32_t, 4>{width - 1, height - 1, 1, 1}}) {
        ASSERT_EQ(Read(VIDRUNE_READ_LATEST, 0, x, y, w, h, data), 1) << plugin.AcqGetLastError();
        for (uint32_t r = 0; r < h; ++r)
            for (uint32_t c = 0; c < w; ++c)
                ASSERT_EQ(PixelOf(data, size_t{r} * w + c, 2),
                          frame.At(y + r, width - 1 - (x + c), 0))
                    << x << "," << y << " " << w << "x" << h << " at " << c << "," << r;
        EXPECT_EQ(data[size_t{w} * h * 2], 0xEE) << "written past the region";
    }
}
