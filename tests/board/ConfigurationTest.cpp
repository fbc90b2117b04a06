// The configuration file as a host sees it through the exports.
#include "BoardHost.h"

#include <tuple>

namespace vidrune::test {

namespace {

// Section numbers are one character: the tenth camera's is ':'.
std::string Digit(int n) {
    return std::string(1, static_cast<char>('0' + n));
}

std::string Camera(int n, const std::string& name, const std::string& extra = "") {
    return SimBoardFiles::CameraSection("CAMERA" + Digit(n), name, extra);
}

std::string Mode(int camera, int mode, const SimMode& keys = SimMode{}) {
    return SimBoardFiles::ModeSection("CAMERA" + Digit(camera) + "_MODE" + Digit(mode), keys);
}

using ConfigurationTest = BoardHost;

} // namespace

TEST_F(ConfigurationTest, WhichConfigurationsInitialiseAndTheCamerasAndBoardTheyGive) {
    std::string tenCameras;
    for (int n = 1; n <= 10; ++n)
        tenCameras += Camera(n, "Cam" + std::to_string(n)) + Mode(n, 1);
    // A board section with the given buffer count, a blank line, and one camera.
    auto buffers = [](const std::string& count) {
        return "[STRAVIK2]\nNAME=Board A\nDATABUFFERS=" + count + "\n\n" + Camera(1, "Cam") +
               Mode(1, 1);
    };
    struct Case {
        std::string text;
        uint32_t cameras; // none: the initialisation fails with 23
        const char* camera = "Cam";
        uint32_t id = 0x10100;
        double buffers = 4;
        const char* board = "STRAVIK2 MONO";
    };
    const Case cases[] = {
        {"[STRAVIK2]\nNAME=Board\n", 0}, // no usable first camera
        {Camera(1, "Cam") + Mode(1, 1, SimMode{.extra = "RESOLUTION=7\n"}), 0},
        {Camera(1, "Cam") + Mode(1, 1, SimMode{.extra = "RESOLUTION=17\n"}), 0},
        {Camera(1, "Cam") + Mode(1, 1, SimMode{.extra = "RESOLUTION=8\n"}), 1},
        {Camera(1, "Cam") + Mode(1, 1, SimMode{.extra = "RESOLUTION=16\n"}), 1},
        {Camera(1, "Cam") + "[CAMERA1_MODE1]\nNAME=Typo\nCONTROLFILE=mono8.cam\n", 0},
        // A pixel size of 0 ends the enumeration.
        {Camera(1, "Cam") + Mode(1, 1) + "[CAMERA2]\nNAME=NoPixel\nPIXELSIZE=0\n" + Mode(2, 1) +
             Camera(3, "Never") + Mode(3, 1),
         1, "Never", 0},
        // Cameras without modes are dropped; identifiers follow the cameras added.
        {Camera(1, "Lonely") + Camera(2, "Second") + Mode(2, 1) + Camera(3, "Third") + Mode(3, 1),
         2, "Third", 0x10101},
        {tenCameras, 10, "Cam10", 0x10109},
        // Buffer counts are limited to 1 to 20.
        {buffers("50"), 1, "Cam", 0x10100, 20, "Board A"},
        {buffers("0"), 1, "Cam", 0x10100, 1, "Board A"},
        {buffers("7"), 1, "Cam", 0x10100, 7, "Board A"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(plugin.InitializeDevice(files.WriteConfig(c.text).c_str()), c.cameras > 0);
        EXPECT_EQ(plugin.GetNumInputDevices(), c.cameras);
        if (c.cameras == 0) {
            EXPECT_EQ(plugin.AcqGetLastError(), 23u);
        } else {
            EXPECT_EQ(plugin.GetInputDeviceId(c.camera), c.id);
            EXPECT_EQ(Numeric("GRAB DATA BUFFERS"), c.buffers);
            const char* board = nullptr;
            ASSERT_EQ(plugin.AcqDeviceQuery("NAME", &board), 1);
            EXPECT_STREQ(board, c.board);
        }
        plugin.FreeDeviceResources();
    }
}

TEST_F(ConfigurationTest, KeysBecomeCameraAndModeAttributesWithDefaults) {
    const SimMode mode{.frameRate = "25",
                       .extra = "STARTFIELD=0\nDESC=Whole sensor\nFRAMESKIP=3\nCOMINIT=A|B\n"
                                "NORMINIT=N\n"};
    const std::string config = files.WriteConfig(
        Camera(1, "Cam", "ROTATEDATA=1\nFLIPDATA=0\nCOMPORT=/dev/null-port\nCOMBAUD=19200\n") +
        Mode(1, 1, mode) + Mode(1, 2, SimMode{.name = "Five", .extra = "TRIGGERLEVEL=5\n"}) +
        Mode(1, 3, SimMode{.name = "Third"}));
    ASSERT_TRUE(Initialize(config));
    // A trigger level of 5 makes a mode unusable, and the enumeration ends there.
    EXPECT_EQ(plugin.GetNumInputModes(), 1u);
    EXPECT_EQ(plugin.GetInputModeId("Third"), 0u);
    EXPECT_EQ(plugin.GetCurrentInputMode(), 0x10101u);

    // A camera attribute when camera is true, else one of the current mode.
    auto query = [this](bool camera, const char* name, void* value) {
        return camera ? plugin.AcqInputDeviceQuery(name, value)
                      : plugin.AcqInputModeQuery(name, value);
    };
    for (const auto& [camera, name, want] : {std::tuple{false, "MAN SHUTTER US", 40000.0},
                                             {false, "MAN SHUTTER RAW", 40000},
                                             {false, "TRIGGER LEVEL", 2},
                                             {false, "TRIGGER SOURCE", 3},
                                             {false, "DATA SKIP", 3},
                                             {false, "DATA RATE", 25},
                                             {true, "ROTATEDATA", 1},
                                             {true, "COM BAUD", 19200},
                                             {true, "COM DELAY", 0}}) {
        double value = 0;
        EXPECT_EQ(query(camera, name, &value), 1) << name;
        EXPECT_EQ(value, want) << name;
    }
    // A null text: the attribute does not exist.
    for (const auto& [camera, name, want] :
         {std::tuple<bool, const char*, const char*>{false, "DESCRIPTION", "Whole sensor"},
          {false, "COM INIT", "A|B"},
          {false, "NORM INIT", "N"},
          {false, "START GRAB FIELD", nullptr},
          {false, "CONT INIT", nullptr},
          {true, "COM PORT", "/dev/null-port"}}) {
        const char* text = nullptr;
        EXPECT_EQ(query(camera, name, &text), want != nullptr ? 1 : 0) << name;
        EXPECT_STREQ(text, want) << name;
    }
}

} // namespace vidrune::test
