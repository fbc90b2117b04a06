#include "input/CameraSerialPort.h"

#include "PseudoTerminal.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <tuple>
#include <utility>

using vidrune::CameraSerialPort;
using vidrune::PortSettings;
using vidrune::test::PortLine;
using vidrune::test::PseudoTerminal;
using Clock = std::chrono::steady_clock;

namespace {

constexpr uint8_t kXon = 17;
constexpr uint8_t kXoff = 19;

long MillisecondsSince(Clock::time_point start) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

class CameraSerialPortTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!camera_.Ok())
            GTEST_SKIP() << camera_.Problem();
    }

    // The port under test, on the camera's line.
    CameraSerialPort Open(uint32_t baudRate = 9600, uint32_t flowBits = 0) {
        return CameraSerialPort(camera_.PortPath().c_str(),
                                PortSettings{.baudRate = baudRate, .flowBits = flowBits});
    }

    PseudoTerminal camera_;
};

} // namespace

TEST(CameraSerialPortNames, ComNamesMapToSerialDevicesAndMissingPortsDoNotOpen) {
    const std::pair<const char*, int> names[] = {
        {"COM1", 1}, {"com2", 2}, {"Com10", 10}, {"COM256", 256}};
    for (const auto& [name, number] : names) {
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

// Opening must undo what the line was left with, including restart on any character.
TEST_F(CameraSerialPortTest, LineIsRawEightNoneOneAtTheRateWithTheChosenFlowControl) {
    constexpr uint32_t kOut = CameraSerialPort::kXonXoffOutput;
    constexpr uint32_t kIn = CameraSerialPort::kXonXoffInput;
    struct Case {
        uint32_t rate, flowBits;
        bool output, input;
    };
    for (const Case& c : {Case{19200, 0, false, false}, Case{9600, kOut, true, false},
                          Case{9600, kIn, false, true}, Case{115200, kOut | kIn, true, true}}) {
        camera_.SpoilLineSettings();
        CameraSerialPort port = Open(c.rate, c.flowBits);
        ASSERT_TRUE(port.IsOpen());
        const PortLine line = camera_.LineSettings();
        SCOPED_TRACE(c.flowBits);
        EXPECT_EQ(std::tuple(line.baudRate, line.dataBits, line.parity, line.twoStopBits,
                             line.xonXoffOutput, line.xonXoffInput, line.xonChar, line.xoffChar),
                  std::tuple(c.rate, 8u, false, false, c.output, c.input, kXon, kXoff));
        // Wine does not show the terminal modes; the byte tests below see their effect.
        EXPECT_TRUE(line.raw.value_or(true));
    }
}

TEST_F(CameraSerialPortTest, PortIsHeldExclusivelyUntilClosed) {
    if (!camera_.Exclusive().has_value())
        GTEST_SKIP() << "Wine does not enforce exclusive opens of a COM port";
    CameraSerialPort first = Open();
    ASSERT_TRUE(first.IsOpen());
    EXPECT_EQ(camera_.Exclusive(), true);
    // The refused opener leaves the holder's claim alone.
    EXPECT_FALSE(Open().IsOpen());
    EXPECT_EQ(camera_.Exclusive(), true);
    first.Close();
    EXPECT_FALSE(first.IsOpen());
    EXPECT_EQ(camera_.Exclusive(), false);
    EXPECT_TRUE(Open().IsOpen());
}

// Each byte is followed by a millisecond, each piece ended by a separator by the pause;
// without a separator no pause at all, however long.
TEST_F(CameraSerialPortTest, SeparatorsBecomeCarriageReturnsFollowedByThePause) {
    struct Case {
        std::string text;
        std::string expected;
        const char* separator = "|"; // only its first character counts
        uint32_t delayMs = 0;
        long atLeastMs = 0;
        long lessThanMs = 0; // 0: no pause to tell apart, so no bound a busy machine breaks
    };
    const std::string longPiece(150, 'x'); // sent whole
    CameraSerialPort port = Open();
    ASSERT_TRUE(port.IsOpen());
    for (const Case& c :
         {Case{"ABC", "ABC\r"}, Case{"A|", "A\r"}, Case{"|", "\r"}, Case{"A|B|", "A\rB\r"},
          Case{"A|B", "A\rB\r"}, Case{"||", "\r\r"}, Case{"", ""}, Case{"\rX\n", "\rX\n\r"},
          Case{"A;B|C", "A\rB|C\r", ";|"}, Case{"A|B", "A|B\r", ""}, Case{"A|B", "A|B\r", nullptr},
          Case{longPiece + "|Z", longPiece + "\rZ\r"},
          // No separator, so no pause: the line time of 20 characters only.
          Case{"0123456789ABCDEFGHI", "0123456789ABCDEFGHI\r", "|", 3000, 20, 3000},
          Case{"A|B|", "A\rB\r", "|", 60, 2 * 62}}) {
        const auto start = Clock::now();
        EXPECT_EQ(port.SendCommand(c.text.c_str(), c.separator, c.delayMs), 1) << c.text;
        const long elapsed = MillisecondsSince(start);
        EXPECT_GE(elapsed, c.atLeastMs) << c.text;
        if (c.lessThanMs > 0) {
            EXPECT_LT(elapsed, c.lessThanMs) << c.text;
        }
        EXPECT_EQ(camera_.Received(), c.expected) << c.text;
    }
}

// XOFF holds output only with flow control on, and then only XON releases it; a byte the
// line does not take within a second fails the write.
TEST_F(CameraSerialPortTest, XoffHoldsOutputOnlyWithFlowControl) {
    for (const uint32_t flowBits : {0u, CameraSerialPort::kXonXoffOutput}) {
        CameraSerialPort port = Open(9600, flowBits);
        ASSERT_TRUE(port.IsOpen());
        ASSERT_TRUE(camera_.SendToPort(kXoff));
        const auto start = Clock::now();
        const int sent = port.SendCommand("A", nullptr, 0);
        EXPECT_EQ(sent, flowBits == 0 ? 1 : 0);
        EXPECT_GE(MillisecondsSince(start), sent == 0 ? 990 : 0);
        ASSERT_TRUE(camera_.SendToPort(kXon));
        EXPECT_EQ(port.SendCommand("B", nullptr, 0), 1);
        EXPECT_EQ(camera_.Received(), flowBits == 0 ? "A\rB\r" : "B\r");
    }
}
