// Counted and continuous acquisitions, what a read answers when the frame asked for is not
// the one a slot holds, and their error codes, through the exports.
#include "BoardHost.h"

#include <tuple>

namespace vidrune::test {

using AcquisitionTest = BoardHost;

// A start stops the counted acquisition before it, whose one frame may be just coming in:
// the end of that frame must not count for the new acquisition, whose own frame 0 must
// come. The moment is short, so the pair of starts is repeated (fewer times under Wine,
// where each takes far longer). Then six frames through four buffers: frame 5 lands where
// frame 1 was, and a frame overwritten or taken already is refused at once, not after the
// (long) time-out and not from an earlier lap.
TEST_F(AcquisitionTest, ARestartGetsItsOwnFramesAndALappedFrameIsRefused) {
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
    // Slow enough that a busy machine misses no frame (a gap would fail the reads with 21).
    plugin.FreeDeviceResources();
    ASSERT_TRUE(Open(SlowConfig()));
    ASSERT_EQ(Acquire(6, false), 1);
    ASSERT_TRUE(Shows(VIDRUNE_READ_BY_INDEX, 5, FrameGeometry{}, 0, 0, 64, 48, 5, 5000));
    for (int32_t index : {1, 5})
        EXPECT_TRUE(Fails(Read(VIDRUNE_READ_BY_INDEX, index, 0, 0, 8, 8, frame, 60000), 17))
            << index;
}

// A camera fault shows in the waiting start, and a camera without it then grabs every frame
// again. (The grab tool's tests read the frames around a fault.)
TEST_F(AcquisitionTest, CameraFaultsAreReportedAndACameraWithoutThemGrabsEveryFrame) {
    // The camera's keys, whether it is triggered (five times slower than the frame rate),
    // the frames grabbed and the start's error. (A lost frame is the lifecycle test's: a
    // refused second open must keep the gap limit.)
    const std::tuple<const char*, bool, int32_t, uint32_t> faults[] = {
        {"NoSignal=1\n", false, 2, 16},
        {"TriggerRate=40\n", true, 3, 0},
    };
    std::vector<uint8_t> frame;
    for (const auto& [keys, triggered, frames, startError] : faults) {
        SCOPED_TRACE(keys);
        ASSERT_TRUE(Open(files.WriteSingle(SimCamera{.extra = keys}, SimMode{})));
        if (triggered) {
            ASSERT_EQ(Set("TRIGGER MODE", 2), 1);
        }
        EXPECT_EQ(Acquire(frames, true), startError == 0 ? 1 : 0);
        EXPECT_EQ(plugin.AcqGetLastError(), startError);
        // Triggered frames come without a gap error.
        if (triggered) {
            EXPECT_EQ(Read(VIDRUNE_READ_BY_INDEX, 2, 0, 0, 64, 48, frame, 50), 1);
            EXPECT_EQ(plugin.AcqGetLastError(), 0u);
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
