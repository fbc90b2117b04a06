// Initialising, opening, closing and freeing the board device through the exports.
#include "BoardHost.h"
#include "support/Environment.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <string>

using vidrune::test::BoardHost;
using vidrune::test::SimBoardFiles;
using vidrune::test::SimCamera;
using vidrune::test::SimMode;

using LifecycleTest = BoardHost;

TEST_F(LifecycleTest, OpenBeforeInitialisationIsNotStarted) {
    EXPECT_EQ(plugin.OpenDevice(), 0);
    EXPECT_EQ(plugin.AcqGetLastError(), 7u); // started is tested before initialised
    // Close before initialisation gives 7 and leaves the last error alone.
    VidruneDevice* device = plugin.GetDeviceHandle();
    device->ops->SetLastError(device, 12);
    EXPECT_EQ(plugin.CloseDevice(), 7);
    EXPECT_EQ(plugin.AcqGetLastError(), 12u);
}

TEST_F(LifecycleTest, OpenCloseAndTheRefusalsWhileOpen) {
    const std::string config = files.WriteSingle(SimCamera{}, SimMode{});
    ASSERT_TRUE(Initialize(config));
    EXPECT_EQ(plugin.CloseDevice(), 0); // initialised, not open
    ASSERT_EQ(plugin.OpenDevice(), 0);
    EXPECT_EQ(plugin.AcqGetLastError(), 0u);
    EXPECT_EQ(Numeric("WIDTH"), 64);

    EXPECT_EQ(plugin.OpenDevice(), 0);
    EXPECT_EQ(plugin.AcqGetLastError(), 1u);
    EXPECT_EQ(plugin.SetCurrentInputDevice(plugin.GetCurrentInputDevice()), 0);
    EXPECT_EQ(plugin.AcqGetLastError(), 1u);
    EXPECT_EQ(plugin.SetCurrentInputMode(plugin.GetCurrentInputMode()), 0);
    EXPECT_EQ(plugin.AcqGetLastError(), 1u);

    EXPECT_EQ(plugin.CloseDevice(), 0);
    double width = 0;
    EXPECT_EQ(plugin.AcqDeviceQuery("WIDTH", &width), 0); // open attributes are gone
    EXPECT_EQ(plugin.CloseDevice(), 0);
    EXPECT_EQ(plugin.SetCurrentInputMode(plugin.GetCurrentInputMode()), 1);
    ASSERT_EQ(plugin.OpenDevice(), 0);
    EXPECT_EQ(plugin.AcqGetLastError(), 0u);
    EXPECT_EQ(plugin.FreeDeviceResources(), 0);
    EXPECT_EQ(plugin.CloseDevice(), 7);
}

TEST_F(LifecycleTest, AMissingControlFileIsError23AndLeavesTheDeviceUsable) {
    files.WriteCamera(SimCamera{});
    SimMode missing;
    missing.name = "Missing";
    missing.controlFile = "absent.cam";
    const std::string config =
        files.WriteConfig(SimBoardFiles::CameraSection("CAMERA1", "Cam") +
                          SimBoardFiles::ModeSection("CAMERA1_MODE1", missing) +
                          SimBoardFiles::ModeSection("CAMERA1_MODE2", SimMode{}));
    ASSERT_TRUE(Initialize(config));
    ASSERT_EQ(plugin.GetCurrentInputMode(), plugin.GetInputModeId("Missing"));
    EXPECT_EQ(plugin.OpenDevice(), 23);
    EXPECT_EQ(plugin.AcqGetLastError(), 23u);
    // Not open: the mode can be changed and the good one opens.
    ASSERT_EQ(plugin.SetCurrentInputMode(plugin.GetInputModeId("Full")), 1);
    EXPECT_EQ(plugin.OpenDevice(), 0);
    EXPECT_EQ(plugin.AcqGetLastError(), 0u);
}

TEST_F(LifecycleTest, TheVicFileSitsBesideTheCameraFile) {
    // Without an extension the one file serves both loads.
    files.Dir().Write("mono", "[Camera]\nPixelDepth=8\nFrameRate=100\n[Vic]\nMaxWidth=32\n"
                              "MaxHeight=16\nPixelDepth=8\n");
    SimMode plain;
    plain.controlFile = "mono";
    plain.width = 32;
    plain.height = 16;
    ASSERT_TRUE(Open(files.WriteConfig(SimBoardFiles::CameraSection("CAMERA1", "Cam") +
                                       SimBoardFiles::ModeSection("CAMERA1_MODE1", plain))));
    EXPECT_EQ(Numeric("MAX WIDTH"), 32);
}

TEST_F(LifecycleTest, ControlFilesByRootedAndRelativePaths) {
    SimBoardFiles elsewhere;
    SimCamera away;
    away.file = "away.cam";
    away.maxWidth = 40;
    const std::string rooted = elsewhere.WriteCamera(away);
    std::string forward = rooted; // Windows reads '/' and '\' alike
    std::replace(forward.begin(), forward.end(), '\\', '/');
    SimCamera inner;
    inner.file = "cams.v2/inner.cam";
    inner.maxWidth = 24;
    files.WriteCamera(inner);

    struct Case {
        std::string controlFile;
        uint32_t width;
    };
    const Case cases[] = {{rooted, 40}, {forward, 40}, {"cams.v2/inner.cam", 24}};
    std::string config = SimBoardFiles::CameraSection("CAMERA1", "Cam");
    for (size_t i = 0; i < std::size(cases); ++i) {
        SimMode mode;
        mode.name = "M" + std::to_string(i);
        mode.controlFile = cases[i].controlFile;
        mode.width = static_cast<int>(cases[i].width);
        config += SimBoardFiles::ModeSection("CAMERA1_MODE" + std::to_string(i + 1), mode);
    }
    ASSERT_TRUE(Initialize(files.WriteConfig(config)));
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].controlFile);
        ASSERT_EQ(
            plugin.SetCurrentInputMode(plugin.GetInputModeId(("M" + std::to_string(i)).c_str())),
            1);
        EXPECT_EQ(plugin.OpenDevice(), 0);
        EXPECT_EQ(Numeric("MAX WIDTH"), cases[i].width);
        EXPECT_EQ(plugin.CloseDevice(), 0);
    }
}

TEST_F(LifecycleTest, AMissingVicFileFailsTheOpen) {
    files.Dir().Write("only.cam", "[Camera]\nPixelDepth=8\n");
    SimMode mode;
    mode.controlFile = "only.cam";
    const std::string config = files.WriteConfig(SimBoardFiles::CameraSection("CAMERA1", "Cam") +
                                                 SimBoardFiles::ModeSection("CAMERA1_MODE1", mode));
    ASSERT_TRUE(Initialize(config));
    EXPECT_EQ(plugin.OpenDevice(), 1);
    EXPECT_EQ(plugin.AcqGetLastError(), 1u);
    EXPECT_EQ(plugin.CloseDevice(), 0);
}

TEST_F(LifecycleTest, ASecondInitialisationKeepsTheFirstConfiguration) {
    const std::string config = files.WriteSingle(SimCamera{}, SimMode{});
    ASSERT_EQ(plugin.InitializeDevice(config.c_str()), 1);
    files.WriteConfig(SimBoardFiles::CameraSection("CAMERA1", "Cam") +
                      SimBoardFiles::ModeSection("CAMERA1_MODE1", SimMode{}) +
                      SimBoardFiles::CameraSection("CAMERA2", "Other") +
                      SimBoardFiles::ModeSection("CAMERA2_MODE1", SimMode{}));
    EXPECT_EQ(plugin.InitializeDevice(config.c_str()), 1);
    EXPECT_EQ(plugin.GetNumInputDevices(), 1u);

    // After freeing, the device reads its configuration afresh.
    plugin.FreeDeviceResources();
    EXPECT_EQ(plugin.InitializeDevice(config.c_str()), 1);
    EXPECT_EQ(plugin.GetNumInputDevices(), 2u);
    EXPECT_EQ(plugin.GetInputDeviceId("Cam"), 0x10100u);
}

TEST_F(LifecycleTest, NoBoardMeansNotStarted) {
    vidrune::test::Environment::Set("VIDRUNE_SIM_BOARDS", "0");
    const std::string config = files.WriteSingle(SimCamera{}, SimMode{});
    EXPECT_EQ(plugin.InitializeDevice(config.c_str()), 0);
    EXPECT_EQ(plugin.AcqGetLastError(), 7u);
    vidrune::test::Environment::Unset("VIDRUNE_SIM_BOARDS");
    EXPECT_EQ(plugin.InitializeDevice(config.c_str()), 1);
}

TEST_F(LifecycleTest, OpenWithoutCurrentCameraOrModeIsRefused) {
    const std::string config = files.WriteSingle(SimCamera{}, SimMode{});
    ASSERT_EQ(plugin.InitializeDevice(config.c_str()), 1);
    EXPECT_EQ(plugin.OpenDevice(), 11);
    EXPECT_EQ(plugin.AcqGetLastError(), 11u);
}
