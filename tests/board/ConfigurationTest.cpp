// The configuration file as a host sees it through the exports.
#include "BoardHost.h"
#include "support/ScopedLocale.h"

#include <cstring>

namespace vidrune::test {

namespace {

std::string Camera(int n, const std::string& name) {
    std::string section = "CAMERA0";
    section.back() = static_cast<char>('0' + n);
    return SimBoardFiles::CameraSection(section, name);
}

std::string Mode(int camera, int mode, const SimMode& keys = SimMode{}) {
    std::string section = "CAMERA0_MODE0";
    section[6] = static_cast<char>('0' + camera);
    section.back() = static_cast<char>('0' + mode);
    return SimBoardFiles::ModeSection(section, keys);
}

} // namespace

using ConfigurationTest = BoardHost;

TEST_F(ConfigurationTest, CamerasWithoutModesAreDroppedAndIdentifiersFollowAddedCameras) {
    const std::string config = files.WriteConfig(Camera(1, "Lonely") + Camera(2, "Second") +
                                                 Mode(2, 1) + Camera(3, "Third") + Mode(3, 1));
    ASSERT_EQ(plugin.InitializeDevice(config.c_str()), 1);
    EXPECT_EQ(plugin.GetNumInputDevices(), 2u);
    EXPECT_EQ(plugin.GetInputDeviceId("Lonely"), 0u);
    EXPECT_EQ(plugin.GetInputDeviceId("Second"), 0x10100u);
    EXPECT_EQ(plugin.GetInputDeviceId("Third"), 0x10101u);
    EXPECT_STREQ(plugin.GetFirstInputDeviceName(), "Second");
}

TEST_F(ConfigurationTest, ModeEnumerationEndsAtTheFirstUnusableMode) {
    SimMode bad;
    bad.name = "Bad";
    bad.extra = "RESOLUTION=17\n";
    SimMode third;
    third.name = "Third";
    const std::string config =
        files.WriteConfig(Camera(1, "Cam") + Mode(1, 1) + Mode(1, 2, bad) + Mode(1, 3, third));
    ASSERT_TRUE(Initialize(config));
    EXPECT_EQ(plugin.GetNumInputModes(), 1u);
    EXPECT_EQ(plugin.GetInputModeId("Full"), 0x10101u);
    EXPECT_EQ(plugin.GetInputModeId("Third"), 0u);
    EXPECT_EQ(plugin.GetCurrentInputMode(), 0x10101u); // the first valid mode is current
}

TEST_F(ConfigurationTest, WhichConfigurationsInitialiseAndHowManyCamerasTheyGive) {
    struct Case {
        std::string text;
        int result;
        uint32_t cameras;
        uint32_t error;
    };
    const Case cases[] = {
        {"[STRAVIK2]\nNAME=Board\n", 0, 0, 23}, // no usable first camera
        {Camera(1, "Cam") + Mode(1, 1, SimMode{.extra = "RESOLUTION=7\n"}), 0, 0, 23},
        {Camera(1, "Cam") + Mode(1, 1, SimMode{.extra = "RESOLUTION=17\n"}), 0, 0, 23},
        {Camera(1, "Cam") + Mode(1, 1, SimMode{.extra = "RESOLUTION=8\n"}), 1, 1, 0},
        {Camera(1, "Cam") + Mode(1, 1, SimMode{.extra = "RESOLUTION=16\n"}), 1, 1, 0},
        {Camera(1, "Cam") + "[CAMERA1_MODE1]\nNAME=Typo\nCONTROLFILE=mono8.cam\n", 0, 0, 23},
        {Camera(1, "Cam") + Mode(1, 1) + "[CAMERA2]\nNAME=NoPixel\nPIXELSIZE=0\n" + Mode(2, 1) +
             Camera(3, "Never") + Mode(3, 1),
         1, 1, 0}, // a pixel size of 0 ends the enumeration
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const std::string config =
            files.WriteConfig(cases[i].text, "c" + std::to_string(i) + ".ini");
        EXPECT_EQ(plugin.InitializeDevice(config.c_str()), cases[i].result) << i;
        EXPECT_EQ(plugin.GetNumInputDevices(), cases[i].cameras) << i;
        if (cases[i].error != 0) {
            EXPECT_EQ(plugin.AcqGetLastError(), cases[i].error) << i;
        }
        plugin.FreeDeviceResources();
    }
}

TEST_F(ConfigurationTest, DefaultsAndSubstitutionsOfTheModeKeys) {
    SimMode mode;
    mode.frameRate = "25";
    mode.extra = "STARTFIELD=0\nDESC=Whole sensor\nFRAMESKIP=3\n";
    SimMode levelFive;
    levelFive.name = "Five";
    levelFive.extra = "TRIGGERLEVEL=5\n";
    const std::string config =
        files.WriteConfig(Camera(1, "Cam") + Mode(1, 1, mode) + Mode(1, 2, levelFive));
    ASSERT_TRUE(Initialize(config));
    EXPECT_EQ(plugin.GetNumInputModes(), 1u); // a trigger level of 5 makes a mode unusable

    double value = 0;
    for (const auto& [name, expected] : {std::pair{"MAN SHUTTER US", 40000},
                                         {"MAN SHUTTER RAW", 40000},
                                         {"TRIGGER LEVEL", 2},
                                         {"TRIGGER SOURCE", 3},
                                         {"DATA SKIP", 3},
                                         {"DATA RATE", 25}}) {
        ASSERT_EQ(plugin.AcqInputModeQuery(name, &value), 1) << name;
        EXPECT_EQ(value, expected) << name;
    }
    EXPECT_EQ(plugin.AcqInputModeQuery("START GRAB FIELD", &value), 0);
    const char* text = nullptr;
    ASSERT_EQ(plugin.AcqInputModeQuery("DESCRIPTION", &text), 1);
    EXPECT_STREQ(text, "Whole sensor");
    ASSERT_EQ(plugin.AcqInputModeQuery("CONTROL FILE", &text), 1);
    EXPECT_STREQ(text, "mono8.cam");
}

TEST_F(ConfigurationTest, DeviceSectionDefaultsAndBufferLimits) {
    const std::string plain = files.WriteConfig(Camera(1, "Cam") + Mode(1, 1), "plain.ini");
    ASSERT_EQ(plugin.InitializeDevice(plain.c_str()), 1);
    const char* name = nullptr;
    ASSERT_EQ(plugin.AcqDeviceQuery("NAME", &name), 1);
    EXPECT_STREQ(name, "STRAVIK2 MONO");
    EXPECT_EQ(Numeric("GRAB DATA BUFFERS"), 4);
    plugin.FreeDeviceResources();

    for (const auto& [given, used] : {std::pair{50, 20}, {0, 1}, {7, 7}}) {
        const std::string config =
            files.WriteConfig("[STRAVIK2]\nNAME=Board A\nDATABUFFERS=" + std::to_string(given) +
                                  "\n" + Camera(1, "Cam") + Mode(1, 1),
                              "buffers" + std::to_string(given) + ".ini");
        ASSERT_EQ(plugin.InitializeDevice(config.c_str()), 1);
        EXPECT_EQ(Numeric("GRAB DATA BUFFERS"), used) << given;
        ASSERT_EQ(plugin.AcqDeviceQuery("NAME", &name), 1);
        EXPECT_STREQ(name, "Board A");
        plugin.FreeDeviceResources();
    }
}

TEST_F(ConfigurationTest, TheTenthCameraSectionEndsInAColon) {
    std::string text;
    for (int n = 1; n <= 10; ++n)
        text += Camera(n, "Cam" + std::to_string(n)) + Mode(n, 1);
    ASSERT_NE(text.find("[CAMERA:]"), std::string::npos);
    ASSERT_EQ(plugin.InitializeDevice(files.WriteConfig(text).c_str()), 1);
    EXPECT_EQ(plugin.GetNumInputDevices(), 10u);
    EXPECT_EQ(plugin.GetInputDeviceId("Cam10"), 0x10109u);
}

TEST_F(ConfigurationTest, CameraKeysBecomeCameraAttributes) {
    const std::string config = files.WriteConfig(
        SimBoardFiles::CameraSection(
            "CAMERA1", "Cam", "ROTATEDATA=1\nFLIPDATA=0\nCOMPORT=/dev/null-port\nCOMBAUD=19200\n") +
        Mode(1, 1, SimMode{.extra = "COMINIT=A|B\nNORMINIT=N\n"}));
    ASSERT_TRUE(Initialize(config));
    double value = 0;
    ASSERT_EQ(plugin.AcqInputDeviceQuery("ROTATEDATA", &value), 1);
    EXPECT_EQ(value, 1);
    ASSERT_EQ(plugin.AcqInputDeviceQuery("COM BAUD", &value), 1);
    EXPECT_EQ(value, 19200);
    ASSERT_EQ(plugin.AcqInputDeviceQuery("COM DELAY", &value), 1);
    EXPECT_EQ(value, 0);
    const char* text = nullptr;
    ASSERT_EQ(plugin.AcqInputDeviceQuery("COM PORT", &text), 1);
    EXPECT_STREQ(text, "/dev/null-port");
    ASSERT_EQ(plugin.AcqInputModeQuery("COM INIT", &text), 1);
    EXPECT_STREQ(text, "A|B");
    ASSERT_EQ(plugin.AcqInputModeQuery("NORM INIT", &text), 1);
    EXPECT_STREQ(text, "N");
    EXPECT_EQ(plugin.AcqInputModeQuery("CONT INIT", &text), 0);
}

TEST_F(ConfigurationTest, NumbersReadAlikeUnderADecimalCommaLocale) {
    ScopedLocale german(ScopedLocale::kGerman);
    if (!german.Available())
        GTEST_SKIP() << "locale " << ScopedLocale::kGerman
                     << " is not installed (scripts/deps.sh generates it)";
    SimMode mode;
    mode.frameRate = "29.97";
    mode.extra = "SHUTTERUS=12.5\n";
    const std::string config =
        files.WriteConfig("[CAMERA1]\nNAME=Cam\nPIXELSIZE=0.01\n" + Mode(1, 1, mode));
    ASSERT_TRUE(Initialize(config));
    double value = 0;
    ASSERT_EQ(plugin.AcqInputDeviceQuery("PIXEL SIZE", &value), 1);
    EXPECT_EQ(value, 0.01);
    ASSERT_EQ(plugin.AcqInputModeQuery("DATA RATE", &value), 1);
    EXPECT_EQ(value, 29.97);
    ASSERT_EQ(plugin.AcqInputModeQuery("MAN SHUTTER US", &value), 1);
    EXPECT_EQ(value, 12.5);
}

} // namespace vidrune::test
