// The device seen from inside: its ring of frame buffers, the transfer and its callback, the
// live thread, and board threads that outlive the device's waits for them.
#include "board/CVidrune.h"
#include "fgsim/FgSimControl.h"
#include "platform/Clock.h"
#include "platform/Diagnostics.h"
#include "support/SimBoardFiles.h"
#include "support/SimDevice.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace vidrune::test {

using vidrune::fgsim::LiveObjectCount;
using vidrune::fgsim::StallNextCall;
using vidrune::platform::Clock;
using vidrune::platform::Diagnostics;

namespace {

class DeviceTest : public ::testing::Test {
protected:
    ::testing::AssertionResult Open(const SimCamera& camera = {}, const SimMode& mode = {}) {
        config = files.WriteSingle(camera, mode);
        return SimDevice::Open(*device, config);
    }

    int Start(uint32_t kind, int32_t frames = 0, bool wait = false) {
        return SimDevice::Start(*device, kind, frames, wait);
    }

    int Acquire(int32_t frames) { return Start(VIDRUNE_ACQUIRE_NORMAL, frames, true); }

    uint32_t AcquisitionParameter(uint32_t parameter) {
        uint32_t value = 0;
        EXPECT_EQ(FgAcqGetPrm(device->Acquisition(), parameter, &value), 0u);
        return value;
    }

    SimBoardFiles files;
    std::string config;
    std::unique_ptr<CVidrune> device = std::make_unique<CVidrune>("STRAVIK2 MONO");
};

// Longer than the stop's and the thread end's waits together.
constexpr uint32_t kStallMs = 6000;

} // namespace

// The callback moves through the ring and stops on the last frame; a close leaves no buffer
// behind. (What a free leaves is counted by kind after every free of the library refusal test.)
TEST_F(DeviceTest, FourBuffersInARingAndNoneLeftAfterAClose) {
    ASSERT_TRUE(Open());
    const vidrune::GrabBufferRing* ring = device->Ring();
    ASSERT_EQ(ring->Count(), 4);
    EXPECT_EQ(LiveObjectCount(FG_KIND_BUFFER), 5u); // and the discard buffer
    ASSERT_EQ(Acquire(3), 1);
    EXPECT_EQ(device->DoneCount(), 3);
    EXPECT_EQ(ring->Current(), ring->Slot(2)); // the third buffer, not advanced past it
    device->CloseDevice();
    EXPECT_EQ(device->Ring()->Count(), 0);
    EXPECT_EQ(LiveObjectCount(FG_KIND_BUFFER), 0u);
    EXPECT_EQ(LiveObjectCount(FG_KIND_TRANSFER), 0u);
}

TEST_F(DeviceTest, TheGapLimitIsOneAndAHalfFramesAndStaysSaneForAbsurdRates) {
    // The board counts (frames - 1) x skip + 1 frames.
    const std::tuple<double, const char*, const char*, int32_t, uint32_t, uint32_t> cases[] = {
        {30, "30", "FRAMESKIP=2\n", 2, 3, 100000u},
        {200, "0.5", "", 1, 1, 3000000u}, // 1.5 frame intervals of two seconds
        {200, "1e30", "", 1, 1, 0u}, // no camera is that fast: every gap is too long, no overflow
    };
    for (const auto& [cameraRate, modeRate, modeKeys, frames, boardFrames, gapLimit] : cases) {
        SCOPED_TRACE(modeRate);
        ASSERT_TRUE(Open(SimCamera{.frameRate = cameraRate},
                         SimMode{.frameRate = modeRate, .extra = modeKeys}));
        ASSERT_EQ(Acquire(frames), 1);
        EXPECT_EQ(AcquisitionParameter(FG_ACQ_PRM_FRAME_COUNT), boardFrames);
        EXPECT_EQ(device->GapLimit(), gapLimit);
        EXPECT_EQ(device->MissedFrameFlag(), 0u);
        device->FreeDeviceResources();
    }
}

TEST_F(DeviceTest, ARefusedBufferShowsTheMessageAndFailsWith9) {
    std::string caption, text;
    Diagnostics::SetMessageSink([&](std::string_view t, std::string_view c) {
        text = t;
        caption = c;
    });
    config = files.WriteSingle(SimCamera{.extra = "FailBufferAfter=2\n"}, {});
    ASSERT_EQ(device->InitializeDevice(config.c_str()), 1);
    device->SetCurrentInputDevice(device->GetInputDeviceId("Cam"));
    EXPECT_EQ(device->OpenDevice(), 9u);
    Diagnostics::SetMessageSink({});
    EXPECT_EQ(text, "DMA Memory Allocation Error");
    EXPECT_EQ(caption, "Vorn");
    EXPECT_EQ(device->GetOpenFlag(), 0u);
    EXPECT_EQ(LiveObjectCount(FG_KIND_BUFFER), 0u);
    EXPECT_EQ(LiveObjectCount(FG_KIND_CAMERA), 0u);
}

TEST_F(DeviceTest, TriggerSettingsReachTheBoardAndOthersAreRefused) {
    ASSERT_TRUE(Open());
    // The set, its result, and the board's trigger mode and level afterwards.
    const std::tuple<const char*, double, int, uint32_t, uint32_t> steps[] = {
        {"TRIGGER MODE", 2, 1, 8, 4}, // level 2 is the board's 4
        {"TRIGGER LEVEL", 1, 1, 8, 8}, {"TRIGGER MODE", 2, 1, 8, 8}, {"TRIGGER MODE", 3, 0, 8, 8},
        {"TRIGGER LEVEL", 3, 0, 8, 8}, {"TRIGGER MODE", 1, 1, 1, 8},
    };
    for (auto [name, value, result, boardMode, boardLevel] : steps) {
        SCOPED_TRACE(std::string(name) + " " + std::to_string(value));
        EXPECT_EQ(device->AcqDeviceSet(name, &value, 1), result);
        if (result == 0) {
            EXPECT_EQ(device->GetLastError(), 12u);
        }
        EXPECT_EQ(AcquisitionParameter(FG_ACQ_PRM_TRIGGER_MODE), boardMode);
        EXPECT_EQ(AcquisitionParameter(FG_ACQ_PRM_TRIGGER_LEVEL), boardLevel);
    }
    EXPECT_EQ(AcquisitionParameter(FG_ACQ_PRM_TRIGGER_DELAY), 30u);
    double shutter = 500; // offered to the camera
    EXPECT_EQ(device->AcqDeviceSet("MAN SHUTTER", &shutter, 1), 1);
}

// The display's draw rate does not show this: it draws what it is given at its own pace.
// The live thread converts for the display while a continuous acquisition runs, and a stop
// that succeeds has ended it. (board_bench's BM_LiveDisplay shows its rate.)
TEST_F(DeviceTest, TheLiveThreadConvertsUntilTheStop) {
    ASSERT_TRUE(Open(SimCamera{.frameRate = 60}, SimMode{.frameRate = "60"}));
    ASSERT_EQ(Start(VIDRUNE_ACQUIRE_CONTINUOUS), 1);
    for (int i = 0; i < 250 && device->LiveConversions() < 3; ++i)
        Clock::Sleep(20);
    ASSERT_EQ(device->AcquireStop(), 1);
    const uint32_t converted = device->LiveConversions();
    EXPECT_GE(converted, 3u);
    Clock::Sleep(200);
    EXPECT_EQ(device->LiveConversions(), converted);
}

// Board threads held up in a library call outlive the device's waits for them: the device
// is destroyed, or freed and reused, while the thread sleeps; a new device grabs during that
// sleep and after it.
TEST_F(DeviceTest, BoardThreadsHeldUpPastTheDevicesLifetime) {
    for (const bool grabThread : {true, false}) {
        SCOPED_TRACE(grabThread ? "grab thread, device destroyed" : "live thread, device freed");
        device = std::make_unique<CVidrune>("STRAVIK2 MONO");
        ASSERT_TRUE(Open());
        if (grabThread) {
            // Stopping makes the grab thread abort the transfer, and that call hangs: a
            // close that cannot stop the acquisition says so.
            ASSERT_EQ(Start(VIDRUNE_ACQUIRE_NORMAL, 1000), 1);
            StallNextCall("FgXferAbort", kStallMs);
            EXPECT_EQ(device->CloseDevice(), 5u);
            device.reset();
        } else {
            // The live thread's first library call hangs; the start does not wait long.
            StallNextCall("FgXferAbort", kStallMs);
            Start(VIDRUNE_ACQUIRE_CONTINUOUS);
            EXPECT_EQ(device->FreeDeviceResources(), 0);
        }
        // A new device in place of the old one, open on the same configuration.
        device = std::make_unique<CVidrune>("STRAVIK2 MONO");
        ASSERT_TRUE(SimDevice::Open(*device, config));
        EXPECT_EQ(Acquire(2), 1);
        Clock::Sleep(kStallMs + 500);
        EXPECT_EQ(Acquire(2), 1);
    }
}

} // namespace vidrune::test
