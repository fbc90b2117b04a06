// Counted and continuous acquisitions and their error codes, through the exports.
#include "BoardHost.h"
#include "FrameCheck.h"
#include "platform/Clock.h"

#include <algorithm>
#include <optional>
#include <ostream>

namespace vidrune::test {

using vidrune::platform::Clock;

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

TEST_F(AcquisitionTest, AStartWhileOneRunsStopsTheEarlierOneFirst) {
    ASSERT_TRUE(Open(SlowConfig(10)));
    ASSERT_EQ(Acquire(4, false), 1);
    ASSERT_EQ(Acquire(1, true), 1);
    EXPECT_EQ(plugin.AcqGetLastError(), 0u);
}
TEST_F(AcquisitionTest, TheCurrentAndTheNewestFrame) {
    ASSERT_TRUE(Open(SlowConfig()));
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

namespace {

// A camera fault, what the waiting start and a read of one frame give, and the pixels of
// that read where it delivers them anyway.
struct Fault {
    const char* name;
    const char* cameraKeys;
    int32_t frames;
    uint32_t startError;
    int32_t goodIndex; // a frame before the fault, delivered
    int32_t index;
    uint32_t readError;
    int32_t laterIndex;                 // a frame after the fault, delivered
    std::optional<uint32_t> shownFrame; // the camera frame the refused read still copied
    bool blank = false;                 // or the all-zero frame it copied
};

void PrintTo(const Fault& fault, std::ostream* out) {
    *out << fault.name;
}

class CameraFaultTest : public BoardHost, public ::testing::WithParamInterface<Fault> {};

} // namespace

TEST_P(CameraFaultTest, IsReportedAndTheNextCameraWithoutItGrabsEveryFrame) {
    const Fault& fault = GetParam();
    SimCamera camera;
    camera.extra = fault.cameraKeys;
    ASSERT_TRUE(Open(files.WriteSingle(camera, SimMode{})));
    EXPECT_EQ(Acquire(fault.frames, true), fault.startError == 0 ? 1 : 0);
    EXPECT_EQ(plugin.AcqGetLastError(), fault.startError);
    std::vector<uint8_t> frame;
    if (fault.index >= 0) {
        if (fault.goodIndex >= 0) {
            EXPECT_EQ(Read(VIDRUNE_READ_BY_INDEX, fault.goodIndex, 0, 0, 64, 48, frame), 1);
        }
        EXPECT_EQ(Read(VIDRUNE_READ_BY_INDEX, fault.index, 0, 0, 64, 48, frame, 50), 0);
        EXPECT_EQ(plugin.AcqGetLastError(), fault.readError);
    }
    if (fault.laterIndex >= 0) {
        std::vector<uint8_t> later;
        EXPECT_EQ(Read(VIDRUNE_READ_BY_INDEX, fault.laterIndex, 0, 0, 64, 48, later), 1);
    }
    if (fault.shownFrame) {
        EXPECT_EQ(CompareRegion(frame, FrameGeometry{}, 0, 0, 64, 48, *fault.shownFrame), "");
    }
    if (fault.blank) {
        EXPECT_EQ(std::count(frame.begin(), frame.begin() + 64 * 48, 0), 64 * 48);
    }
    // The failed start leaves the device idle: a stop has nothing to do.
    EXPECT_EQ(plugin.AcquireStop(), 1);

    files.WriteCamera(SimCamera{});
    ASSERT_EQ(plugin.CloseDevice(), 0);
    ASSERT_EQ(plugin.OpenDevice(), 0);
    ASSERT_EQ(Acquire(4, true), 1);
    for (int32_t i = 0; i < 4; ++i)
        EXPECT_EQ(Read(VIDRUNE_READ_BY_INDEX, i, 0, 0, 64, 48, frame), 1) << i;
}

INSTANTIATE_TEST_SUITE_P(
    Faults, CameraFaultTest,
    ::testing::Values(Fault{"Blank", "BlankFrames=1\n", 3, 0, 0, 1, 18, 2, std::nullopt, true},
                      Fault{"Dropped", "DropFrames=2\n", 4, 0, -1, 2, 21, -1, 3u},
                      Fault{"Stalled", "StallAfter=2\n", 4, 16, 1, 2, 16, -1, std::nullopt},
                      Fault{"NoSignal", "NoSignal=1\n", 2, 16, -1, -1, 0, -1, std::nullopt}),
    [](const ::testing::TestParamInfo<Fault>& info) { return std::string(info.param.name); });

} // namespace vidrune::test
