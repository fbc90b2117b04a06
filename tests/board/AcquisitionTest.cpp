// Counted and continuous acquisitions and their error codes, through the exports.
#include "BoardHost.h"
#include "FrameCheck.h"
#include "platform/Clock.h"

using vidrune::platform::Clock;
using vidrune::test::BoardHost;
using vidrune::test::CompareRegion;
using vidrune::test::FrameGeometry;
using vidrune::test::SimCamera;
using vidrune::test::SimMode;

using AcquisitionTest = BoardHost;

TEST_F(AcquisitionTest, AWaitingStartDeliversEveryFrameByIndex) {
    ASSERT_TRUE(Open(files.WriteSingle(SimCamera{}, SimMode{})));
    ASSERT_EQ(Acquire(3, true), 1);
    std::vector<uint8_t> frame;
    for (int32_t i = 0; i < 3; ++i) {
        ASSERT_EQ(Read(VIDRUNE_READ_BY_INDEX, i, 0, 0, 64, 48, frame, 1), 1) << i;
        EXPECT_EQ(CompareRegion(frame, FrameGeometry{}, 0, 0, 64, 48, i), "") << i;
    }
    // A second acquisition starts its camera frames from 0 again.
    ASSERT_EQ(Acquire(2, true), 1);
    ASSERT_EQ(Read(VIDRUNE_READ_BY_INDEX, 1, 0, 0, 64, 48, frame), 1);
    EXPECT_EQ(CompareRegion(frame, FrameGeometry{}, 0, 0, 64, 48, 1), "");
}

TEST_F(AcquisitionTest, FrameSkippingKeepsEveryKthCameraFrame) {
    SimMode mode;
    mode.extra = "FRAMESKIP=3\n";
    ASSERT_TRUE(Open(files.WriteSingle(SimCamera{}, mode)));
    ASSERT_EQ(Acquire(4, true), 1);
    std::vector<uint8_t> frame;
    for (int32_t i = 0; i < 4; ++i) {
        ASSERT_EQ(Read(VIDRUNE_READ_BY_INDEX, i, 0, 0, 64, 48, frame), 1);
        EXPECT_EQ(CompareRegion(frame, FrameGeometry{}, 0, 0, 64, 48, 3 * i), "") << i;
    }
    // A fractional skip keeps its whole part.
    ASSERT_EQ(Set("DATA SKIP", 2.5), 1);
    ASSERT_EQ(Acquire(3, true), 1) << plugin.AcqGetLastError();
    ASSERT_EQ(Read(VIDRUNE_READ_BY_INDEX, 2, 0, 0, 64, 48, frame), 1);
    EXPECT_EQ(CompareRegion(frame, FrameGeometry{}, 0, 0, 64, 48, 6), "");
}

TEST_F(AcquisitionTest, CountsAboveTheRing) {
    ASSERT_TRUE(Open(files.WriteSingle(SimCamera{}, SimMode{})));
    EXPECT_EQ(Acquire(5, true), 0);
    EXPECT_EQ(plugin.AcqGetLastError(), 12u);
    EXPECT_EQ(Acquire(0, false), 0);
    EXPECT_EQ(plugin.AcqGetLastError(), 12u);

    ASSERT_EQ(Acquire(5, false), 1);
    std::vector<uint8_t> frame;
    // Wait for the last frame (slot 0 again), then frame 0 is gone.
    Clock::Sleep(300);
    EXPECT_EQ(Read(VIDRUNE_READ_BY_INDEX, 0, 0, 0, 64, 48, frame), 0);
    EXPECT_EQ(plugin.AcqGetLastError(), 17u);
    EXPECT_EQ(plugin.AcquireStop(), 1);
}

TEST_F(AcquisitionTest, BlankFramesAreReportedButDelivered) {
    SimCamera camera;
    camera.extra = "BlankFrames=1\n";
    ASSERT_TRUE(Open(files.WriteSingle(camera, SimMode{})));
    ASSERT_EQ(Acquire(3, true), 1);
    std::vector<uint8_t> frame;
    EXPECT_EQ(Read(VIDRUNE_READ_BY_INDEX, 0, 0, 0, 64, 48, frame), 1);
    EXPECT_EQ(Read(VIDRUNE_READ_BY_INDEX, 1, 0, 0, 64, 48, frame), 0);
    EXPECT_EQ(plugin.AcqGetLastError(), 18u);
    EXPECT_EQ(frame[0], 0);
    EXPECT_EQ(Read(VIDRUNE_READ_BY_INDEX, 2, 0, 0, 64, 48, frame), 1);
}

TEST_F(AcquisitionTest, ADroppedFrameIsAGap) {
    SimCamera camera;
    camera.extra = "DropFrames=2\n";
    ASSERT_TRUE(Open(files.WriteSingle(camera, SimMode{})));
    ASSERT_EQ(Acquire(4, true), 1);
    std::vector<uint8_t> frame;
    EXPECT_EQ(Read(VIDRUNE_READ_BY_INDEX, 2, 0, 0, 64, 48, frame), 0);
    EXPECT_EQ(plugin.AcqGetLastError(), 21u);
    // The frame after the gap is camera frame 3.
    EXPECT_EQ(CompareRegion(frame, FrameGeometry{}, 0, 0, 64, 48, 3), "");

    // Without drops the same acquisition has no gap.
    camera.extra.clear();
    files.WriteCamera(camera);
    plugin.CloseDevice();
    ASSERT_EQ(plugin.OpenDevice(), 0);
    ASSERT_EQ(Acquire(4, true), 1);
    EXPECT_EQ(Read(VIDRUNE_READ_BY_INDEX, 3, 0, 0, 64, 48, frame), 1);
}

TEST_F(AcquisitionTest, AStalledCameraTimesOut) {
    SimCamera camera;
    camera.extra = "StallAfter=2\n";
    ASSERT_TRUE(Open(files.WriteSingle(camera, SimMode{})));
    EXPECT_EQ(Acquire(4, true), 0);
    EXPECT_EQ(plugin.AcqGetLastError(), 16u);
    std::vector<uint8_t> frame;
    EXPECT_EQ(Read(VIDRUNE_READ_BY_INDEX, 1, 0, 0, 64, 48, frame), 1);
    EXPECT_EQ(Read(VIDRUNE_READ_BY_INDEX, 2, 0, 0, 64, 48, frame, 50), 0);
    EXPECT_EQ(plugin.AcqGetLastError(), 16u);
    // The device recovers: the next acquisition on a good camera works.
    camera.extra.clear();
    files.WriteCamera(camera);
    plugin.CloseDevice();
    ASSERT_EQ(plugin.OpenDevice(), 0);
    EXPECT_EQ(Acquire(4, true), 1);
}

TEST_F(AcquisitionTest, ABoardWithoutSignalFailsTheStartInBoundedTime) {
    SimCamera camera;
    camera.extra = "NoSignal=1\n";
    ASSERT_TRUE(Open(files.WriteSingle(camera, SimMode{})));
    const uint32_t start = Clock::TickCount();
    EXPECT_EQ(Acquire(2, true), 0);
    EXPECT_EQ(plugin.AcqGetLastError(), 16u);
    EXPECT_LT(Clock::TickCount() - start, 10000u);
    // The failed start leaves the device idle: a stop has nothing to do.
    EXPECT_EQ(plugin.AcquireStop(), 1);
}

TEST_F(AcquisitionTest, StoppingBeforeTheEndIsError19) {
    SimCamera camera;
    camera.frameRate = 10;
    SimMode mode;
    mode.frameRate = "10";
    ASSERT_TRUE(Open(files.WriteSingle(camera, mode)));
    ASSERT_EQ(Acquire(4, false), 1);
    EXPECT_EQ(plugin.AcquireStop(), 1);
    EXPECT_EQ(plugin.AcqGetLastError(), 19u);
    EXPECT_EQ(plugin.AcquireStop(), 1); // nothing runs any more
    // A start while one runs stops the earlier one first.
    ASSERT_EQ(Acquire(4, false), 1);
    ASSERT_EQ(Acquire(1, true), 1);
    EXPECT_EQ(plugin.AcqGetLastError(), 0u);
}

TEST_F(AcquisitionTest, UnknownKindsAreRefusedWithoutChangingAnything) {
    ASSERT_TRUE(Open(files.WriteSingle(SimCamera{}, SimMode{})));
    for (uint32_t kind : {0u, 3u, 0xFFFFFFFFu}) {
        AcquireRequest request{};
        request.kind = kind;
        EXPECT_EQ(plugin.AcquireStart(&request), 0) << kind;
        EXPECT_EQ(plugin.AcqGetLastError(), 26u) << kind;
        // Nothing wedged: stopping has nothing to stop.
        EXPECT_EQ(plugin.AcquireStop(), 1) << kind;
    }
    ASSERT_EQ(Acquire(2, true), 1);

    std::vector<uint8_t> frame;
    EXPECT_EQ(Read(9, 0, 0, 0, 8, 8, frame), 0);
    EXPECT_EQ(plugin.AcqGetLastError(), 26u);
    EXPECT_EQ(Read(1, 0, 0, 0, 8, 8, frame), 0);
    EXPECT_EQ(plugin.AcqGetLastError(), 0u);

    // Close, free, initialise again, open and grab: all of it still works.
    EXPECT_EQ(plugin.CloseDevice(), 0u);
    EXPECT_EQ(plugin.FreeDeviceResources(), 0);
    ASSERT_TRUE(Open(files.WriteSingle(SimCamera{}, SimMode{})));
    EXPECT_EQ(Acquire(2, true), 1);
    EXPECT_EQ(Read(VIDRUNE_READ_BY_INDEX, 1, 0, 0, 8, 8, frame), 1);
}

TEST_F(AcquisitionTest, ReadsNeedAReadyDeviceAndSaneArguments) {
    std::vector<uint8_t> frame(64);
    ReadRequest request{};
    request.kind = VIDRUNE_READ_LATEST;
    request.width = 4;
    request.height = 4;
    request.copyFlag = 1;
    request.data = frame.data();
    EXPECT_EQ(plugin.ReadDevice(&request), 0);
    EXPECT_EQ(plugin.AcqGetLastError(), 7u);
    EXPECT_EQ(Acquire(1, true), 0);
    EXPECT_EQ(plugin.AcqGetLastError(), 7u);

    ASSERT_TRUE(Open(files.WriteSingle(SimCamera{}, SimMode{})));
    ASSERT_EQ(Acquire(1, true), 1);
    EXPECT_EQ(Read(VIDRUNE_READ_BY_INDEX, -1, 0, 0, 8, 8, frame), 0);
    EXPECT_EQ(plugin.AcqGetLastError(), 12u);
    EXPECT_EQ(Read(VIDRUNE_READ_BY_INDEX, 0, 0, 0, 8, 8, frame, -5), 0);
    EXPECT_EQ(plugin.AcqGetLastError(), 12u);
    // A region reaching outside the frame is refused for every kind, before any copy.
    for (uint32_t kind : {VIDRUNE_READ_CURRENT, VIDRUNE_READ_BY_INDEX, VIDRUNE_READ_LATEST}) {
        EXPECT_EQ(Read(kind, 0, 1, 0, 64, 48, frame, 10), 0) << kind;
        EXPECT_EQ(plugin.AcqGetLastError(), 12u) << kind;
        EXPECT_EQ(frame[0], 0xEE) << kind;
        EXPECT_EQ(Read(kind, 0, 0, 40, 8, 9, frame, 10), 0) << kind;
    }
}

TEST_F(AcquisitionTest, TheCurrentAndTheNewestFrame) {
    SimCamera camera;
    camera.frameRate = 20;
    SimMode mode;
    mode.frameRate = "20";
    ASSERT_TRUE(Open(files.WriteSingle(camera, mode)));
    ASSERT_EQ(Acquire(4, false), 1);
    std::vector<uint8_t> frame;
    ASSERT_EQ(Read(VIDRUNE_READ_CURRENT, 0, 0, 0, 64, 48, frame), 1);
    const uint32_t n = (frame[0] - 1) / 5; // pixel (0, 0) of frame n is 1 + 5n
    EXPECT_LT(n, 4u);
    EXPECT_EQ(CompareRegion(frame, FrameGeometry{}, 0, 0, 64, 48, n), "");
    ASSERT_EQ(plugin.AcquireStop(), 1);

    // A counted acquisition leaves the newest-frame pointer on the first buffer.
    ASSERT_EQ(Acquire(2, true), 1);
    ASSERT_EQ(Read(VIDRUNE_READ_LATEST, 0, 4, 5, 16, 8, frame), 1);
    EXPECT_EQ(CompareRegion(frame, FrameGeometry{}, 4, 5, 16, 8, 0), "");

    // Continuous: the newest frame moves on.
    ASSERT_EQ(StartContinuous(), 1);
    Clock::Sleep(250);
    ASSERT_EQ(Read(VIDRUNE_READ_LATEST, 0, 0, 0, 64, 48, frame), 1);
    const uint32_t newest = (frame[0] - 1) / 5;
    EXPECT_GE(newest, 2u);
    EXPECT_EQ(CompareRegion(frame, FrameGeometry{}, 0, 0, 64, 48, newest), "");
    EXPECT_EQ(plugin.AcquireStop(), 1);
    EXPECT_EQ(Numeric("DISPLAY MODE"), 1);
}
