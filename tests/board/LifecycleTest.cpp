// Initialising, opening, closing and freeing the board device through the exports.
#include "BoardHost.h"
#include "fgsim/FgSimControl.h"
#include "support/Environment.h"

#include <algorithm>
#include <string>

namespace vidrune::test {

using LifecycleTest = BoardHost;

TEST_F(LifecycleTest, CloseAndOpenInEachState) {
    // Before initialisation: close gives 7 and leaves the last error alone.
    VidruneDevice* device = Device();
    device->ops->SetLastError(device, 12);
    EXPECT_EQ(plugin.CloseDevice(), 7);
    EXPECT_EQ(plugin.AcqGetLastError(), 12u);

    // Without a board the device does not start.
    const std::string config = files.WriteSingle(SimCamera{}, SimMode{});
    vidrune::test::Environment::Set("VIDRUNE_SIM_BOARDS", "0");
    EXPECT_EQ(plugin.InitializeDevice(config.c_str()), 0);
    EXPECT_EQ(plugin.AcqGetLastError(), 7u);
    vidrune::test::Environment::Unset("VIDRUNE_SIM_BOARDS");
    ASSERT_EQ(plugin.InitializeDevice(config.c_str()), 1);
    EXPECT_EQ(plugin.OpenDevice(), 11); // no camera chosen yet
    EXPECT_EQ(plugin.AcqGetLastError(), 11u);
    ASSERT_EQ(plugin.SetCurrentInputDevice(plugin.GetInputDeviceId("Cam")), 1);
    // A scale the host gives the mode meets the same refusal as one in the file.
    for (auto [scale, opened] : {std::pair{3.0, 12}, {1.0, 0}}) {
        ASSERT_EQ(plugin.AcqInputModeSet("X DATA SCALE", &scale), 1);
        EXPECT_EQ(plugin.OpenDevice(), opened);
    }
    EXPECT_EQ(plugin.CloseDevice(), 0);
    EXPECT_EQ(plugin.CloseDevice(), 0); // initialised, not open
    ASSERT_EQ(plugin.OpenDevice(), 0);
    EXPECT_EQ(Numeric("WIDTH"), 64);
    EXPECT_EQ(plugin.CloseDevice(), 0);
    double width = 0;
    EXPECT_EQ(plugin.AcqDeviceQuery("WIDTH", &width), 0); // open attributes are gone
    EXPECT_EQ(plugin.SetCurrentInputMode(plugin.GetCurrentInputMode()), 1);
    ASSERT_EQ(plugin.OpenDevice(), 0);
    EXPECT_EQ(plugin.AcqGetLastError(), 0u);
    EXPECT_EQ(plugin.FreeDeviceResources(), 0);
    // Claimed ready without buffers: a start is refused and touches nothing.
    device->ops->SetReadyFlag(device, 1);
    EXPECT_EQ(StartContinuous(), 0);
    EXPECT_EQ(plugin.AcqGetLastError(), 7u);
    device->ops->SetReadyFlag(device, 0);
    EXPECT_EQ(plugin.CloseDevice(), 7);
}

TEST_F(LifecycleTest, AThousandRoundsLeaveNoLiveObject) {
    const std::string config = files.WriteSingle(SimCamera{}, SimMode{});
    for (int round = 0; round < 1000; ++round) {
        ASSERT_TRUE(Open(config)) << round;
        ASSERT_EQ(plugin.CloseDevice(), 0);
        ASSERT_EQ(plugin.FreeDeviceResources(), 0);
    }
    for (FgObjectKind kind : {FG_KIND_SERVER, FG_KIND_ACQUISITION, FG_KIND_CAMERA, FG_KIND_VIC,
                              FG_KIND_BUFFER, FG_KIND_TRANSFER})
        EXPECT_EQ(vidrune::fgsim::LiveObjectCount(kind), 0u) << kind;
}

TEST_F(LifecycleTest, ControlFilesByRootedAndRelativePathsWithTheVicFileBeside) {
    SimBoardFiles elsewhere;
    const std::string rooted =
        elsewhere.WriteCamera(SimCamera{.file = "away.cam", .maxWidth = 40, .extra = {}});
    std::string forward = rooted; // Windows reads '/' and '\' alike
    std::replace(forward.begin(), forward.end(), '\\', '/');
    files.WriteCamera(SimCamera{.file = "cams.v2/inner.cam", .maxWidth = 24, .extra = {}});
    // Without an extension the one file serves both loads.
    files.Dir().Write("mono", "[Camera]\nPixelDepth=8\nFrameRate=100\n[Vic]\nMaxWidth=32\n"
                              "MaxHeight=16\nPixelDepth=8\n");

    const std::pair<std::string, int> cases[] = {
        {rooted, 40}, {forward, 40}, {"cams.v2/inner.cam", 24}, {"mono", 32}};
    std::string config = SimBoardFiles::CameraSection("CAMERA1", "Cam");
    for (size_t i = 0; i < std::size(cases); ++i) {
        const SimMode mode{.name = "M" + std::to_string(i),
                           .controlFile = cases[i].first,
                           .width = cases[i].second,
                           .height = 16,
                           .extra = {}};
        config += SimBoardFiles::ModeSection("CAMERA1_MODE" + std::to_string(i + 1), mode);
    }
    ASSERT_TRUE(Initialize(files.WriteConfig(config)));
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].first);
        ASSERT_EQ(
            plugin.SetCurrentInputMode(plugin.GetInputModeId(("M" + std::to_string(i)).c_str())),
            1);
        EXPECT_EQ(plugin.OpenDevice(), 0);
        EXPECT_EQ(Numeric("MAX WIDTH"), cases[i].second);
        EXPECT_EQ(plugin.CloseDevice(), 0);
    }
}

// A first mode the board cannot open fails the open with its code; not open, the mode can
// be changed, and the good one opens.
TEST_F(LifecycleTest, ABadModeFailsTheOpenAndTheGoodModeStillOpens) {
    const std::pair<SimMode, int> modes[] = {
        {SimMode{.controlFile = "absent.cam", .extra = {}}, 23},
        {SimMode{.controlFile = "novic.cam", .extra = {}}, 1}, // no VIC file beside it
        {SimMode{.extra = "XSUBSAMPLE=3\n"}, 12},
        {SimMode{.extra = "YSUBSAMPLE=3\n"}, 12},
        {SimMode{.extra = "XSUBSAMPLE=0\n"}, 12},
        {SimMode{.extra = "FRAMESKIP=1001\n"}, 12},
    };
    files.Dir().Write("novic.cam", "[Camera]\nPixelDepth=8\n");
    for (auto [bad, code] : modes) {
        SCOPED_TRACE(bad.controlFile + " " + bad.extra);
        bad.name = "Bad";
        ASSERT_TRUE(Initialize(files.WriteSingle(
            SimCamera{}, bad, "", SimBoardFiles::ModeSection("CAMERA1_MODE2", SimMode{}))));
        ASSERT_EQ(plugin.GetCurrentInputMode(), plugin.GetInputModeId("Bad"));
        EXPECT_EQ(plugin.OpenDevice(), code);
        EXPECT_EQ(plugin.AcqGetLastError(), static_cast<uint32_t>(code));
        EXPECT_EQ(plugin.CloseDevice(), 0);
        ASSERT_EQ(plugin.SetCurrentInputMode(plugin.GetInputModeId("Full")), 1);
        EXPECT_EQ(plugin.OpenDevice(), 0);
        EXPECT_EQ(plugin.AcqGetLastError(), 0u);
        plugin.FreeDeviceResources();
    }
}

TEST_F(LifecycleTest, RefusedInitialisationsAndOpensChangeNothing) {
    const std::string config = files.WriteSingle(SimCamera{.extra = "DropFrames=2\n"}, {});
    ASSERT_EQ(plugin.InitializeDevice(config.c_str()), 1);
    const char* folder = nullptr;
    ASSERT_EQ(plugin.AcqDeviceQuery("CONFIG FILE PATH", &folder), 1);
    const std::string firstFolder = folder;

    // Another file in another folder: still the first cameras and the first folder.
    SimBoardFiles other;
    const std::string otherConfig =
        other.WriteSingle(SimCamera{}, SimMode{}, "",
                          SimBoardFiles::CameraSection("CAMERA2", "Other") +
                              SimBoardFiles::ModeSection("CAMERA2_MODE1", SimMode{}));
    EXPECT_EQ(plugin.InitializeDevice(otherConfig.c_str()), 1);
    EXPECT_EQ(plugin.GetNumInputDevices(), 1u);
    ASSERT_EQ(plugin.AcqDeviceQuery("CONFIG FILE PATH", &folder), 1);
    EXPECT_EQ(folder, firstFolder);

    // A refused second open leaves the frame rate, so a lost frame is still a gap.
    ASSERT_EQ(plugin.SetCurrentInputDevice(plugin.GetInputDeviceId("Cam")), 1);
    ASSERT_EQ(plugin.OpenDevice(), 0);
    EXPECT_EQ(plugin.OpenDevice(), 1u);
    ASSERT_EQ(Acquire(4, true), 1);
    std::vector<uint8_t> frame;
    EXPECT_EQ(Read(VIDRUNE_READ_BY_INDEX, 2, 0, 0, 64, 48, frame), 0);
    EXPECT_EQ(plugin.AcqGetLastError(), 21u);
}

} // namespace vidrune::test
