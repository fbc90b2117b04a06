// The ring of frame buffers, the transfer and its callback, seen from inside the device.
#include "board/CVidrune.h"
#include "fgsim/FgSimControl.h"
#include "platform/Clock.h"
#include "platform/Diagnostics.h"
#include "support/SimBoardFiles.h"
#include "support/SimDevice.h"

#include <gtest/gtest.h>

#include <string>

namespace vidrune::test {

using vidrune::platform::Diagnostics;

namespace {

class RingTest : public ::testing::Test {
protected:
    ::testing::AssertionResult Open(const std::string& config) {
        return SimDevice::Open(device, config);
    }

    int Acquire(int32_t frames) {
        return SimDevice::Start(device, VIDRUNE_ACQUIRE_NORMAL, frames, true);
    }

    uint32_t AcquisitionParameter(uint32_t parameter) {
        uint32_t value = 0;
        EXPECT_EQ(FgAcqGetPrm(device.Acquisition(), parameter, &value), 0u);
        return value;
    }

    SimBoardFiles files;
    CVidrune device{"STRAVIK2 MONO"};
};

} // namespace

TEST_F(RingTest, FourBuffersByDefaultClosedIntoARing) {
    ASSERT_TRUE(Open(files.WriteSingle(SimCamera{}, SimMode{})));
    const vidrune::GrabBufferRing* ring = device.Ring();
    ASSERT_EQ(ring->Count(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(ring->Slot(i)->next, ring->Slot((i + 1) % 4));
        EXPECT_EQ(ring->Slot(i)->width, 64u);
        EXPECT_NE(ring->Slot(i)->data, nullptr);
    }
    EXPECT_EQ(ring->Current(), ring->Head());
    EXPECT_EQ(ring->Last(), ring->Head());
    // Four ring buffers and the discard buffer.
    EXPECT_EQ(vidrune::fgsim::LiveObjectCount(FG_KIND_BUFFER), 5u);
    device.CloseDevice();
    EXPECT_EQ(device.Ring()->Count(), 0);
    EXPECT_EQ(device.Geometry(), nullptr);
    EXPECT_EQ(vidrune::fgsim::LiveObjectCount(FG_KIND_BUFFER), 0u);
    EXPECT_EQ(vidrune::fgsim::LiveObjectCount(FG_KIND_TRANSFER), 0u);
}

TEST_F(RingTest, TheCallbackMovesThroughTheRingAndStopsOnTheLastFrame) {
    const std::string config = files.WriteSingle(SimCamera{}, SimMode{});
    ASSERT_TRUE(Open(config));
    const vidrune::GrabBufferRing* ring = device.Ring();
    ASSERT_EQ(Acquire(3), 1);
    EXPECT_EQ(device.DoneCount(), 3);
    EXPECT_EQ(ring->Current(), ring->Slot(2)); // the third buffer, not advanced past it
    EXPECT_EQ(ring->Slot(0)->armCount, 1);
    EXPECT_EQ(ring->Slot(3)->armCount, 0);
    EXPECT_TRUE(ring->Slot(2)->frameEvent->Wait(0));
    EXPECT_FALSE(ring->Slot(3)->frameEvent->Wait(0));
    // The board was asked for (3 - 1) x skip + 1 frames.
    EXPECT_EQ(AcquisitionParameter(FG_ACQ_PRM_FRAME_COUNT), 3u);
}

TEST_F(RingTest, TheGapLimitIsOneAndAHalfFrames) {
    SimMode mode;
    mode.frameRate = "30";
    mode.extra = "FRAMESKIP=2\n";
    SimCamera camera;
    camera.frameRate = 30;
    ASSERT_TRUE(Open(files.WriteSingle(camera, mode)));
    ASSERT_EQ(Acquire(2), 1);
    EXPECT_EQ(device.GapLimit(), 100000u);
    EXPECT_EQ(device.MissedFrameFlag(), 0u);
    EXPECT_EQ(AcquisitionParameter(FG_ACQ_PRM_FRAME_COUNT), 3u);
}

TEST_F(RingTest, ModeRatesFarFromTheCamerasStaySane) {
    const std::pair<const char*, uint32_t> cases[] = {
        {"0.5", 3000000u}, // 1.5 frame intervals of two seconds
        {"1e30", 0u},      // no camera is that fast: every gap is too long, with no overflow
    };
    for (const auto& [rate, gapLimit] : cases) {
        SimMode mode;
        mode.frameRate = rate;
        SimCamera camera;
        camera.frameRate = 200;
        ASSERT_TRUE(Open(files.WriteSingle(camera, mode))) << rate;
        ASSERT_EQ(Acquire(1), 1) << rate;
        EXPECT_EQ(device.GapLimit(), gapLimit) << rate;
        device.FreeDeviceResources();
    }
}

TEST_F(RingTest, ARefusedBufferShowsTheMessageAndFailsWith9) {
    std::string caption;
    std::string text;
    Diagnostics::SetMessageSink([&](std::string_view t, std::string_view c) {
        text = t;
        caption = c;
    });
    SimCamera camera;
    camera.extra = "FailBufferAfter=2\n";
    const std::string config = files.WriteSingle(camera, SimMode{});
    ASSERT_EQ(device.InitializeDevice(config.c_str()), 1);
    device.SetCurrentInputDevice(device.GetInputDeviceId("Cam"));
    EXPECT_EQ(device.OpenDevice(), 9u);
    EXPECT_EQ(device.GetLastError(), 9u);
    EXPECT_EQ(text, "DMA Memory Allocation Error");
    EXPECT_EQ(caption, "Vorn");
    EXPECT_EQ(device.GetOpenFlag(), 0u);
    EXPECT_EQ(vidrune::fgsim::LiveObjectCount(FG_KIND_BUFFER), 0u);
    EXPECT_EQ(vidrune::fgsim::LiveObjectCount(FG_KIND_CAMERA), 0u);
    Diagnostics::SetMessageSink({});
}

TEST_F(RingTest, TriggerSettingsReachTheBoard) {
    ASSERT_TRUE(Open(files.WriteSingle(SimCamera{}, SimMode{})));
    double mode = 2;
    ASSERT_EQ(device.AcqDeviceSet("TRIGGER MODE", &mode, 1), 1);
    EXPECT_EQ(AcquisitionParameter(FG_ACQ_PRM_TRIGGER_MODE), 8u);
    EXPECT_EQ(AcquisitionParameter(FG_ACQ_PRM_TRIGGER_LEVEL), 4u); // level 2
    double level = 1;
    ASSERT_EQ(device.AcqDeviceSet("TRIGGER LEVEL", &level, 1), 1);
    EXPECT_EQ(AcquisitionParameter(FG_ACQ_PRM_TRIGGER_LEVEL), 8u);
    ASSERT_EQ(device.AcqDeviceSet("TRIGGER MODE", &mode, 1), 1);
    EXPECT_EQ(AcquisitionParameter(FG_ACQ_PRM_TRIGGER_LEVEL), 8u);
    EXPECT_EQ(AcquisitionParameter(FG_ACQ_PRM_TRIGGER_DELAY), 30u);
    mode = 1;
    ASSERT_EQ(device.AcqDeviceSet("TRIGGER MODE", &mode, 1), 1);
    EXPECT_EQ(AcquisitionParameter(FG_ACQ_PRM_TRIGGER_MODE), 1u);
}

TEST_F(RingTest, TheCropIsCentredOnTheSensor) {
    SimCamera camera;
    camera.maxWidth = 1024;
    camera.maxHeight = 512;
    SimMode mode;
    mode.width = 640;
    mode.height = 480;
    ASSERT_TRUE(Open(files.WriteSingle(camera, mode)));
    uint32_t left = 0, top = 0, width = 0;
    ASSERT_EQ(FgVicGetPrm(device.Vic(), FG_VIC_PRM_CROP_LEFT, &left), 0u);
    ASSERT_EQ(FgVicGetPrm(device.Vic(), FG_VIC_PRM_CROP_TOP, &top), 0u);
    ASSERT_EQ(FgVicGetPrm(device.Vic(), FG_VIC_PRM_CROP_WIDTH, &width), 0u);
    EXPECT_EQ(left, 192u);
    EXPECT_EQ(top, 16u);
    EXPECT_EQ(width, 640u);
}

TEST_F(RingTest, FreeingLeavesNothingAndTheDeviceCanStartAgain) {
    const std::string config = files.WriteSingle(SimCamera{}, SimMode{});
    ASSERT_TRUE(Open(config));
    ASSERT_EQ(Acquire(2), 1);
    EXPECT_EQ(device.FreeDeviceResources(), 0);
    EXPECT_EQ(device.IsValid(), 0);
    EXPECT_EQ(vidrune::fgsim::LiveObjectCount(FG_KIND_BUFFER), 0u);
    EXPECT_EQ(vidrune::fgsim::LiveObjectCount(FG_KIND_ACQUISITION), 0u);
    ASSERT_TRUE(Open(config));
    EXPECT_EQ(device.IsValid(), 1);
    EXPECT_EQ(Acquire(4), 1);
}

} // namespace vidrune::test
