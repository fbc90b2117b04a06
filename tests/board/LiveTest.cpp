// A continuous acquisition keeps converting the newest frame for the display.
#include "board/CVidrune.h"
#include "platform/Clock.h"
#include "support/SimBoardFiles.h"
#include "support/SimDevice.h"

#include <gtest/gtest.h>

#include <vector>

namespace vidrune::test {

using vidrune::platform::Clock;

TEST(LiveTest, TheLiveThreadConvertsAboutTwentyFramesASecond) {
    SimBoardFiles files;
    SimCamera camera;
    camera.frameRate = 60;
    SimMode mode;
    mode.frameRate = "60";
    CVidrune device("STRAVIK2 MONO");
    ASSERT_TRUE(SimDevice::Open(device, files.WriteSingle(camera, mode)));
    ASSERT_EQ(SimDevice::Start(device, VIDRUNE_ACQUIRE_CONTINUOUS), 1);
    std::vector<uint8_t> frame(64 * 48);
    ReadRequest read{};
    read.kind = VIDRUNE_READ_LATEST;
    read.width = 64;
    read.height = 48;
    read.copyFlag = 1;
    read.data = frame.data();
    const uint32_t start = Clock::TickCount();
    int reads = 0;
    while (Clock::TickCount() - start < 3000) {
        reads += device.ReadDevice(&read);
        Clock::Sleep(20);
    }
    ASSERT_EQ(device.AcquireStop(), 1);
    const uint32_t conversions = device.LiveConversions();
    // About 60 in 3 s: not one per camera frame (180), and not a handful. A busy machine
    // converts fewer, so the lower bound is loose.
    EXPECT_GE(conversions, 20u);
    EXPECT_LE(conversions, 65u);
    EXPECT_GT(reads, 30);
    EXPECT_EQ(device.AcquisitionState(), CVidrune::kIdle);
}

} // namespace vidrune::test
