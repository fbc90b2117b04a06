// Pixel content of reads through the exports, against the simulated board's pattern.
#include "BoardHost.h"

#include <random>
#include <string>

namespace vidrune::test {

using ReadTest = BoardHost;

// Rotated reads of deep pixels (eight-bit and flipped frames are the grab tool's): without
// column sub-sampling a turned region comes straight out of the board's buffer, with it
// through the scratch image; both must give the turned frame.
TEST_F(ReadTest, RegionsShowTheSubSampledFrameTurned) {
    const SimCamera camera{.file = "deep.cam", .depth = 12, .maxWidth = 96, .maxHeight = 40};
    for (const auto& [xs, ys] : {std::pair{1u, 1u}, {1u, 2u}, {2u, 1u}, {4u, 2u}}) {
        SCOPED_TRACE("scales " + std::to_string(xs) + " " + std::to_string(ys));
        const std::string scales = "RESOLUTION=12\nXSUBSAMPLE=" + std::to_string(xs) +
                                   "\nYSUBSAMPLE=" + std::to_string(ys) + "\n";
        ASSERT_TRUE(Open(
            files.WriteSingle(camera, SimBoardFiles::ModeOf(camera, scales), "ROTATEDATA=1\n")));
        // A turned frame is as wide as the camera's frame is high.
        const FrameGeometry frame{
            .xs = xs, .ys = ys, .depth = 12, .frameHeight = 40 / ys, .rotate = true};
        const uint32_t width = 40 / ys, height = 96 / xs;
        GrabsTheRightPixels(frame, width, height);
        // Random regions of the newest frame (the first).
        std::mt19937 random(width * 31 + height);
        for (int round = 0; round < 12; ++round) {
            const uint32_t w = 1 + random() % width;
            const uint32_t h = 1 + random() % height;
            const uint32_t x = random() % (width - w + 1);
            const uint32_t y = random() % (height - h + 1);
            EXPECT_TRUE(Shows(VIDRUNE_READ_LATEST, 0, frame, x, y, w, h, 0))
                << x << "," << y << " " << w << "x" << h;
        }
        // A pointer into the board's buffer cannot be turned.
        ReadRequest request = RegionRead(VIDRUNE_READ_BY_INDEX, 1, 0, 0, 4, 4);
        EXPECT_TRUE(Fails(plugin.ReadDevice(&request), 12));
        // The camera's turn is taken at the open: undone while open, the names stay turned.
        double straight = 0;
        ASSERT_EQ(plugin.AcqInputDeviceSet("ROTATEDATA", &straight), 1);
        // The host's WIDTH is the camera's height: limited by MAX USER HEIGHT (40).
        EXPECT_EQ(Set("WIDTH", 41), 0);
        EXPECT_EQ(Set("WIDTH", 30), 1);
        EXPECT_EQ(Numeric("HEIGHT"), 96);
        plugin.FreeDeviceResources();
    }
}

} // namespace vidrune::test
