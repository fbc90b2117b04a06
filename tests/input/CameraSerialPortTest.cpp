#include "input/CameraSerialPort.h"

#include "PseudoTerminal.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <tuple>
#include <utility>

using vidrune::CameraSerialPort;
using vidrune::test::PseudoTerminal;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr uint8_t kXon = 17;
constexpr uint8_t kXoff = 19;

TEST(CameraSerialPortNames, ComNamesMapToSerialDevicesAndMissingPortsDoNotOpen) {
    for (const auto& [name, number] :
         {std::pair{"COM1", 1}, {"com2", 2}, {"Com10", 10}, {"COM256", 256}}) {
        // Where "COMn" leads on this system.
#ifdef _WIN32
        EXPECT_EQ(CameraSerialPort::DevicePath(name), std::string("\\\\.\\") + name);
#else
        EXPECT_EQ(CameraSerialPort::DevicePath(name), "/dev/ttyS" + std::to_string(number - 1));
#endif
    }
    // Anything else is a path as it stands.
    for (const char* name :
         {"COM0", "COM257", "COM01", "COM", "COM1x", "COM 1", "/dev/ttyUSB0", "XCOM1", "COM1000"})
        EXPECT_EQ(CameraSerialPort::DevicePath(name), name) << name;
    EXPECT_EQ(CameraSerialPort::DevicePath(nullptr), "");

    // Ports that are missing, or no serial line, do not open.
    for (const char* name : {"/dev/vidrune-no-such-port", "COM256", "/dev/null", "NUL", "",
                             static_cast<const char*>(nullptr)}) {
        CameraSerialPort port(name, {});
        EXPECT_FALSE(port.IsOpen()) << name;
        EXPECT_EQ(port.SendCommand("A", "|", 0), 0) << name;
    }
}

// Each byte is followed by a millisecond, each piece ended by a separator by the pause.
TEST(CameraSerialPortTest, SeparatorsBecomeCarriageReturnsFollowedByThePause) {
    PseudoTerminal camera;
    if (!camera.Problem().empty())
        GTEST_SKIP() << camera.Problem();
    struct Case {
        std::string text;
        std::string expected;
        const char* separator = "|"; // only its first character counts
        uint32_t delayMs = 0;
        std::chrono::milliseconds atLeast{};
    };
    const std::string longPiece(150, 'x'); // sent whole
    CameraSerialPort port(camera.PortPath().c_str(), {});
    ASSERT_TRUE(port.IsOpen());
    for (const Case& c :
         {Case{"ABC", "ABC\r"}, Case{"A|", "A\r"}, Case{"|", "\r"}, Case{"A|B|", "A\rB\r"},
          Case{"A|B", "A\rB\r"}, Case{"||", "\r\r"}, Case{"", ""}, Case{"\rX\n", "\rX\n\r"},
          Case{"A;B|C", "A\rB|C\r", ";|"}, Case{"A|B", "A|B\r", ""}, Case{"A|B", "A|B\r", nullptr},
          Case{longPiece + "|Z", longPiece + "\rZ\r"},
          Case{"0123456789ABCDEFGHI", "0123456789ABCDEFGHI\r", "|", 0, 20ms},
          Case{"A|B|", "A\rB\r", "|", 60, 2 * 62ms}}) {
        const auto start = Clock::now();
        EXPECT_EQ(port.SendCommand(c.text.c_str(), c.separator, c.delayMs), 1) << c.text;
        EXPECT_GE(Clock::now() - start, c.atLeast) << c.text;
        EXPECT_EQ(camera.Received(), c.expected) << c.text;
    }
}

// Opening undoes what the line was left with, restart on any character included. XOFF then
// holds output only with flow control on, and only XON releases it; a byte the line does not
// take within a second fails the write.
TEST(CameraSerialPortTest, LineIsRawEightNoneOneAndXoffHoldsOutputOnlyWithFlowControl) {
    PseudoTerminal camera;
    if (!camera.Problem().empty())
        GTEST_SKIP() << camera.Problem();
    for (const uint32_t flowBits :
         {0u, CameraSerialPort::kXonXoffOutput | CameraSerialPort::kXonXoffInput}) {
        const bool on = flowBits != 0;
        camera.SpoilLineSettings();
        CameraSerialPort port(camera.PortPath().c_str(),
                              {.baudRate = 115200, .flowBits = flowBits});
        ASSERT_TRUE(port.IsOpen());
        const auto line = camera.LineSettings();
        EXPECT_EQ(std::tuple(line.baudRate, line.dataBits, line.parity, line.twoStopBits,
                             line.xonXoffOutput, line.xonXoffInput, line.xonChar, line.xoffChar),
                  std::tuple(115200u, 8u, false, false, on, on, kXon, kXoff));
        EXPECT_TRUE(line.raw.value_or(true)); // Wine hides the terminal modes
        ASSERT_TRUE(camera.SendToPort(kXoff));
        const auto start = Clock::now();
        EXPECT_EQ(port.SendCommand("A", nullptr, 0), on ? 0 : 1);
        EXPECT_GE(Clock::now() - start, on ? 990ms : 0ms);
        ASSERT_TRUE(camera.SendToPort(kXon));
        EXPECT_EQ(port.SendCommand("B", nullptr, 0), 1);
        EXPECT_EQ(camera.Received(), on ? "B\r" : "A\rB\r");
    }
}
