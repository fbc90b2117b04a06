#include "PseudoTerminal.h"
#include "input/CAcqCameraDevice.h"
#include "input/CAcqCameraMode.h"
#include "input/CameraSerialPort.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <tuple>
#include <utility>

namespace vidrune::test {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

constexpr uint32_t kCameraId = 0x10100;

const char* ModeString(const CAcqCameraDevice& camera, uint32_t modeId, const char* name) {
    const char* text = nullptr;
    return camera.Modes()->GetString(modeId, name, &text) ? text : nullptr;
}

} // namespace

TEST(CameraDeviceTest, ModesNumberKeepTheirSettingsAndOpenNeedsAModeAndItsPort) {
    CAcqCameraDevice camera("Cam", kCameraId);
    // Refused: the number is reported but not used up, and nothing becomes current.
    for (const auto& [file, rate] : {std::pair{"still.cam", 0.0}, {"back.cam", -1.0}, {"", 25.0}})
        EXPECT_EQ(camera.AddCameraMode("Refused", file, rate), kCameraId + 1) << file << rate;
    EXPECT_EQ(camera.Open(), 10u); // no current mode

    EXPECT_EQ(camera.AddCameraMode("First", "first.cam", 25.0), kCameraId + 1);
    EXPECT_EQ(camera.AddCameraMode("Second", "second.cam", 50.0), kCameraId + 2);
    EXPECT_EQ(camera.GetCurrentInputMode(), kCameraId + 1);
    EXPECT_FALSE(CAcqCameraMode("M", "m.cam", kCameraId, 25.0).IsValid()); // a camera's number

    // Open, close and the flags; the camera's active flag reads 1 throughout.
    EXPECT_EQ(camera.MarkOpen(), 0u);
    EXPECT_EQ(camera.GetOpenFlag(), 0u);
    EXPECT_EQ(camera.Open(), 0u);
    EXPECT_EQ(camera.GetOpenFlag() + camera.GetReadyFlag() + camera.GetActiveFlag(), 3u);
    EXPECT_EQ(camera.Close(), 0u);
    EXPECT_EQ(camera.GetOpenFlag() + camera.GetReadyFlag() + camera.GetActiveFlag(), 1u);

    // A port that cannot open fails the open, which changes nothing.
    camera.SetString("COM PORT", "/dev/vidrune-no-such-port");
    camera.SetNumeric("COM BAUD", 9600);
    EXPECT_EQ(camera.Open(), 1u);
    EXPECT_FALSE(camera.HasSerialPort());
    EXPECT_EQ(camera.GetOpenFlag() + camera.GetReadyFlag(), 0u);

    // The board's configuration tests check the texts a mode reads; here the buffer's limit
    // and what is missing: a key, or the mode, stores nothing.
    TempDir dir;
    const std::string longText(1100, 'x');
    const std::string path = dir.Write("camera.ini", "[CAMERA1_MODE1]\nCONTINIT=" + longText);
    EXPECT_EQ(camera.ReadModeSettings(path.c_str(), "CAMERA1_MODE1", kCameraId + 1), 1);
    EXPECT_EQ(ModeString(camera, kCameraId + 1, "CONT INIT"), longText.substr(0, 1023));
    EXPECT_EQ(ModeString(camera, kCameraId + 1, "COM INIT"), nullptr);
    EXPECT_EQ(camera.ReadModeSettings(path.c_str(), "CAMERA1_MODE1", kCameraId + 9), 1);
    EXPECT_EQ(ModeString(camera, kCameraId + 2, "CONT INIT"), nullptr);

    // Mode numbers run out after the 255th.
    for (uint32_t i = 3; i <= 255; ++i)
        ASSERT_EQ(camera.AddCameraMode(("M" + std::to_string(i)).c_str(), "m.cam", 1.0),
                  kCameraId + i);
    EXPECT_EQ(camera.AddCameraMode("Extra", "m.cam", 1.0), 0u);
    EXPECT_EQ(camera.GetNumInputModes(), 255u);
}

// Only the current mode's texts go out, and only those it has: a mode switch sends its text,
// an open its "COM INIT". The delay is whole milliseconds, and a negative one is none rather
// than a pause of weeks; the port's own tests check where the pauses fall. "COM FLOW" 1 means
// XON/XOFF both ways; any other value none. A second open first lets go of the port it still
// holds; only closing lets another opener have it.
TEST(SerialCameraTest, ModeSwitchesAndOpensSendTheCurrentModesTextsOverTheConfiguredLine) {
    PseudoTerminal line;
    ASSERT_EQ(line.Problem(), "");
    CAcqCameraDevice camera("Cam", kCameraId);
    camera.SetString("COM PORT", line.PortPath().c_str());
    camera.SetNumeric("COM BAUD", 38400);
    const uint32_t mode = camera.AddCameraMode("Mode", "mode.cam", 30.0);
    camera.SetModeString(mode, "NORM INIT", "A|B|");
    camera.SetModeString(mode, "CONT INIT", "LIVE");
    const uint32_t other = camera.AddCameraMode("Other", "other.cam", 30.0);
    camera.SetModeString(other, "COM INIT", "INIT|GO");
    camera.SetModeString(other, "NORM INIT", "OTHER");
    ASSERT_EQ(camera.Open(), 0u);
    for (const auto& [delay, atLeast] : {std::pair{40.9, 2 * 42ms}, {-1.0, 0ms}}) {
        camera.SetNumeric("COM DELAY", delay);
        const auto start = Clock::now();
        EXPECT_EQ(camera.AcqSet("NORM MODE", nullptr), 1);
        EXPECT_GE(Clock::now() - start, atLeast) << delay;
        EXPECT_EQ(camera.AcqSet("CONT MODE", nullptr), 1);
        EXPECT_EQ(line.Received(), "A\rB\rLIVE\r");
    }
    ASSERT_EQ(camera.SetCurrentInputMode(other), 1);
    EXPECT_EQ(camera.AcqSet("NORM MODE", nullptr), 1);
    EXPECT_EQ(camera.AcqSet("CONT MODE", nullptr), 1);
    EXPECT_EQ(line.Received(), "OTHER\r");

    for (const auto& [flow, xonXoff] : {std::pair{1.0, true}, {2.0, false}, {0.0, false}}) {
        camera.SetNumeric("COM FLOW", flow);
        ASSERT_EQ(camera.Open(), 0u) << flow;
        ASSERT_EQ(camera.Open(), 0u) << flow;
        // Held: another opener is refused and leaves the claim alone.
        EXPECT_FALSE(CameraSerialPort(line.PortPath().c_str(), {}).IsOpen());
        EXPECT_TRUE(line.Exclusive());
        EXPECT_EQ(line.Received(), "INIT\rGO\rINIT\rGO\r");
        const auto settings = line.LineSettings();
        EXPECT_EQ(std::tuple(settings.baudRate, settings.xonXoffOutput, settings.xonXoffInput),
                  std::tuple(38400u, xonXoff, xonXoff))
            << flow;
        EXPECT_EQ(camera.Close(), 0u);
        EXPECT_FALSE(line.Exclusive());
    }
    // A failed open lets go of the line it held before; the rate counts in whole bauds.
    ASSERT_EQ(camera.Open(), 0u);
    camera.SetNumeric("COM BAUD", 12345);
    EXPECT_EQ(camera.Open(), 1u);
    EXPECT_FALSE(camera.HasSerialPort());
    EXPECT_FALSE(line.Exclusive());
    camera.SetNumeric("COM BAUD", 9600.9);
    EXPECT_EQ(camera.Open(), 0u);
}

} // namespace vidrune::test
