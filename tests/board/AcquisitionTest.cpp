// Counted and continuous acquisitions, what a read answers when the frame asked for is not
// the one a slot holds, and their error codes, through the exports.
#include "BoardHost.h"
#include "FgSimControl.h"
#include "platform/Clock.h"
#include "support/FrameCheck.h"

#include <string>
#include <tuple>

namespace vidrune::test {

using vidrune::platform::Clock;

using AcquisitionTest = BoardHost;

// Each acquisition starts its camera frames from 0; a fractional skip rounds up; a lower
// height is cropped from the sensor's centre. (Continuous acquisitions going on through
// geometry changes: the display's and the concurrency tests.)
TEST_F(AcquisitionTest, SkippedFramesAreLeftOutOfReadsByIndex) {
    ASSERT_TRUE(Open(files.WriteSingle(SimCamera{}, SimMode{.extra = "FRAMESKIP=3\n"})));
    ASSERT_EQ(Set("HEIGHT", 32), 1);
    for (const auto& [skip, frames, kept] : {std::tuple{3.0, 4, 3u}, {2.5, 3, 3u}}) {
        ASSERT_EQ(Set("DATA SKIP", skip), 1);
        ASSERT_EQ(Acquire(frames, true), 1) << plugin.AcqGetLastError();
        for (int32_t i = 0; i < frames; ++i)
            EXPECT_TRUE(Shows(VIDRUNE_READ_BY_INDEX, i, FrameGeometry{.cropTop = 8}, 0, 0, 64, 32,
                              kept * static_cast<uint32_t>(i), 1))
                << skip << " " << i;
    }
}

// A transfer the board library does not start, or does not start at the ring's current
// buffer, brings no frame or the wrong one: the start fails with 16 at once, counted or
// continuous, instead of answering 1 or waiting out its time for frames. Right after the
// open the transfer's own choice is the ring's last buffer.
TEST_F(AcquisitionTest, AStartWhoseTransferTheLibraryRefusesFailsAtOnce) {
    ASSERT_TRUE(Open(files.WriteSingle(SimCamera{}, SimMode{})));
    for (const char* call : {"FgXferSelect", "FgXferStart"}) {
        for (const auto& [kind, wait] : {std::tuple{VIDRUNE_ACQUIRE_NORMAL, false},
                                         {VIDRUNE_ACQUIRE_NORMAL, true},
                                         {VIDRUNE_ACQUIRE_CONTINUOUS, false}}) {
            SCOPED_TRACE(std::string(call) + ", " + std::to_string(kind) +
                         (wait ? " waiting" : ""));
            fgsim::FailNextCall(call, FG_ERR_BUSY);
            EXPECT_EQ(Start(kind, 4, wait), 0);
            EXPECT_EQ(plugin.AcqGetLastError(), 16u);
            EXPECT_EQ(plugin.AcquireStop(), 1);
        }
    }
    GrabsTheRightPixels();
    ASSERT_EQ(StartContinuous(), 1);
    std::vector<uint8_t> frame;
    EXPECT_EQ(Read(VIDRUNE_READ_LATEST, 0, 0, 0, 64, 48, frame), 1) << plugin.AcqGetLastError();
}

// A start stops the counted acquisition before it, whose one frame may be just coming in:
// the end of that frame must not count for the new acquisition, whose own frame 0 must
// come. The moment is short, so the pair of starts is repeated (fewer times under Wine,
// where each takes far longer).
TEST_F(AcquisitionTest, AStartThatStopsARunningAcquisitionGetsItsOwnFrame) {
#ifdef _WIN32
    constexpr int kRounds = 1000;
#else
    constexpr int kRounds = 10000;
#endif
    ASSERT_TRUE(
        Open(files.WriteSingle(SimCamera{.frameRate = 5000}, SimMode{.frameRate = "5000"})));
    std::vector<uint8_t> frame;
    for (int round = 0; round < kRounds; ++round) {
        ASSERT_EQ(Acquire(1, false), 1) << plugin.AcqGetLastError();
        ASSERT_EQ(Acquire(1, false), 1) << plugin.AcqGetLastError();
        ASSERT_EQ(Read(VIDRUNE_READ_BY_INDEX, 0, 0, 0, 64, 48, frame), 1)
            << "round " << round << ", error " << plugin.AcqGetLastError();
    }
}

// The current, the newest and a frame by index not yet in, in counted, restarted and
// continuous acquisitions.
TEST_F(AcquisitionTest, TheCurrentTheNewestAndAFrameNotYetIn) {
    ASSERT_TRUE(Open(SlowConfig()));
    ASSERT_EQ(Acquire(4, false), 1);
    std::vector<uint8_t> frame;
    ASSERT_EQ(Read(VIDRUNE_READ_CURRENT, 0, 0, 0, 64, 48, frame), 1);
    const uint32_t n = (frame[0] - 1) / 5; // pixel (0, 0) of frame n is 1 + 5n
    EXPECT_LT(n, 4u);
    EXPECT_EQ(CompareRegion(frame, FrameGeometry{}, 0, 0, 64, 48, n), "");

    // A start while that one runs stops it first. A counted acquisition leaves the
    // newest-frame pointer on the first buffer.
    ASSERT_EQ(Acquire(2, true), 1);
    EXPECT_EQ(plugin.AcqGetLastError(), 0u);
    EXPECT_TRUE(Shows(VIDRUNE_READ_LATEST, 0, FrameGeometry{}, 4, 5, 16, 8, 0));

    // Continuous, once the ring has gone round more than once: the frame being filled is
    // newer than the newest, never one of an earlier lap.
    ASSERT_EQ(StartContinuous(), 1);
    Clock::Sleep(500);
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(Read(VIDRUNE_READ_LATEST, 0, 0, 0, 64, 48, frame), 1);
        const uint32_t newest = (frame[0] - 1) / 5;
        ASSERT_EQ(Read(VIDRUNE_READ_CURRENT, 0, 0, 0, 64, 48, frame, 500), 1);
        const uint32_t filled = (frame[0] - 1) / 5;
        EXPECT_GT(filled, newest) << i;
        EXPECT_EQ(CompareRegion(frame, FrameGeometry{}, 0, 0, 64, 48, filled), "");
    }
    EXPECT_EQ(plugin.AcquireStop(), 1);

    // Six frames through four buffers: frame 5 lands where frame 1 was.
    ASSERT_EQ(Acquire(6, false), 1);
    ASSERT_TRUE(Shows(VIDRUNE_READ_BY_INDEX, 5, FrameGeometry{}, 0, 0, 64, 48, 5, 5000));
    // Frame 1 was overwritten by then and frame 5 is taken already: answered at once, not
    // after the (long) time-out, and not from an earlier lap.
    for (int32_t index : {1, 5}) {
        EXPECT_EQ(Read(VIDRUNE_READ_BY_INDEX, index, 0, 0, 8, 8, frame, 60000), 0) << index;
        EXPECT_EQ(plugin.AcqGetLastError(), 17u) << index;
    }
}

// A camera fault shows in the waiting start or in the read of the frame that has it, and a
// camera without it then grabs every frame again. Triggered frames come without a gap error.
// (The grab tool's tests read the frames around a fault.)
TEST_F(AcquisitionTest, CameraFaultsAreReportedAndACameraWithoutThemGrabsEveryFrame) {
    // The camera's keys, whether it is triggered, the frames grabbed and the start's error;
    // the frame read (none where negative), its error and the camera frame a refused read
    // still copied (none where negative).
    const std::tuple<const char*, bool, int32_t, uint32_t, int32_t, uint32_t, int32_t> faults[] = {
        {"DropFrames=2\n", false, 4, 0, 2, 21, 3},
        {"NoSignal=1\n", false, 2, 16, -1, 0, -1},
        // Triggers five times slower than the frame rate: no gap error.
        {"TriggerRate=40\n", true, 3, 0, 2, 0, -1},
    };
    std::vector<uint8_t> frame;
    for (const auto& [keys, triggered, frames, startError, index, readError, shown] : faults) {
        SCOPED_TRACE(keys);
        ASSERT_TRUE(Open(files.WriteSingle(SimCamera{.extra = keys}, SimMode{})));
        if (triggered) {
            ASSERT_EQ(Set("TRIGGER MODE", 2), 1);
        }
        EXPECT_EQ(Acquire(frames, true), startError == 0 ? 1 : 0);
        EXPECT_EQ(plugin.AcqGetLastError(), startError);
        if (index >= 0) {
            EXPECT_EQ(Read(VIDRUNE_READ_BY_INDEX, index, 0, 0, 64, 48, frame, 50),
                      readError == 0 ? 1 : 0);
            EXPECT_EQ(plugin.AcqGetLastError(), readError);
        }
        if (shown >= 0) {
            EXPECT_EQ(CompareRegion(frame, FrameGeometry{}, 0, 0, 64, 48, shown), "");
        }
        // The failed start leaves the device idle: a stop has nothing to do.
        EXPECT_EQ(plugin.AcquireStop(), 1);

        files.WriteCamera(SimCamera{});
        ASSERT_EQ(plugin.CloseDevice(), 0);
        ASSERT_EQ(plugin.OpenDevice(), 0);
        ASSERT_EQ(Acquire(4, true), 1);
        for (uint32_t i = 0; i < 4; ++i)
            EXPECT_TRUE(Shows(VIDRUNE_READ_BY_INDEX, static_cast<int32_t>(i), {}, 0, 0, 64, 48, i));
        plugin.FreeDeviceResources();
    }
}

} // namespace vidrune::test
