#include "input/CameraSerialPort.h"

#include "PseudoTerminal.h"
#include "platform/SerialPort.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <utility>

using vidrune::CameraSerialPort;
using vidrune::PortSettings;
using vidrune::platform::SerialPort;
using vidrune::test::Bytes;
using vidrune::test::PortLine;
using vidrune::test::PseudoTerminal;
using vidrune::test::ReceivedByte;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

namespace {

constexpr uint8_t kXon = 17;
constexpr uint8_t kXoff = 19;

PortSettings Settings(uint32_t baudRate, uint32_t flowBits = 0) {
    PortSettings settings;
    settings.baudRate = baudRate;
    settings.flowBits = flowBits;
    return settings;
}

milliseconds Since(Clock::time_point start, Clock::time_point end) {
    return std::chrono::duration_cast<milliseconds>(end - start);
}

// Where "COMn" leads on this system.
std::string ComDevice(const char* name, int number) {
#ifdef _WIN32
    static_cast<void>(number);
    return std::string("\\\\.\\") + name;
#else
    static_cast<void>(name);
    return "/dev/ttyS" + std::to_string(number - 1);
#endif
}

class CameraSerialPortTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!camera_.Ok())
            GTEST_SKIP() << camera_.Problem();
    }

    PseudoTerminal camera_;
};

} // namespace

TEST(CameraSerialPortNames, ComNamesMapToSerialDevices) {
    const std::pair<const char*, int> names[] = {
        {"COM1", 1}, {"com2", 2}, {"Com10", 10}, {"COM256", 256}};
    for (const auto& [name, number] : names)
        EXPECT_EQ(CameraSerialPort::DevicePath(name), ComDevice(name, number)) << name;
    // Anything else is a path as it stands.
    for (const char* name :
         {"COM0", "COM257", "COM01", "COM", "COM1x", "COM 1", "/dev/ttyUSB0", "XCOM1", "COM1000"})
        EXPECT_EQ(CameraSerialPort::DevicePath(name), name) << name;
    EXPECT_EQ(CameraSerialPort::DevicePath(nullptr), "");
}

TEST(CameraSerialPortNames, MissingPortsDoNotOpen) {
    for (const char* name : {"/dev/vidrune-no-such-port", "COM256", "/dev/null", "NUL", ""}) {
        CameraSerialPort port(name, Settings(9600));
        EXPECT_FALSE(port.IsOpen()) << name;
        EXPECT_EQ(port.SendCommand("A", "|", 0), 0) << name;
    }
    CameraSerialPort unnamed(nullptr, Settings(9600));
    EXPECT_FALSE(unnamed.IsOpen());
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
        CameraSerialPort port(camera_.PortPath().c_str(), Settings(c.rate, c.flowBits));
        ASSERT_TRUE(port.IsOpen());
        const PortLine line = camera_.LineSettings();
        SCOPED_TRACE(c.flowBits);
        EXPECT_EQ(line.baudRate, c.rate);
        EXPECT_EQ(line.dataBits, 8u);
        EXPECT_FALSE(line.parity || line.twoStopBits);
        EXPECT_EQ(line.xonXoffOutput, c.output);
        EXPECT_EQ(line.xonXoffInput, c.input);
        EXPECT_EQ(line.xonChar, kXon);
        EXPECT_EQ(line.xoffChar, kXoff);
        // Wine does not show the terminal modes; the byte tests below see their effect.
        EXPECT_TRUE(line.raw.value_or(true));
    }
}

TEST_F(CameraSerialPortTest, PortIsHeldExclusivelyUntilClosed) {
    if (!camera_.CanTellExclusive())
        GTEST_SKIP() << "Wine does not enforce exclusive opens of a COM port";
    CameraSerialPort first(camera_.PortPath().c_str(), Settings(9600));
    ASSERT_TRUE(first.IsOpen());
    EXPECT_TRUE(camera_.IsExclusive());
    {
        CameraSerialPort second(camera_.PortPath().c_str(), Settings(9600));
        EXPECT_FALSE(second.IsOpen());
    }
    // The refused opener left the holder's claim alone.
    EXPECT_TRUE(camera_.IsExclusive());
    first.Close();
    EXPECT_FALSE(first.IsOpen());
    EXPECT_FALSE(camera_.IsExclusive());
    CameraSerialPort third(camera_.PortPath().c_str(), Settings(9600));
    EXPECT_TRUE(third.IsOpen());
}

TEST_F(CameraSerialPortTest, SeparatorsBecomeCarriageReturns) {
    struct Case {
        std::string text;
        std::string expected;
        const char* separator = "|"; // only its first character counts
    };
    std::string longPiece; // longer than any internal chunk, sent whole
    for (int i = 0; i < 150; ++i)
        longPiece.push_back(static_cast<char>('a' + i % 26));
    CameraSerialPort port(camera_.PortPath().c_str(), Settings(9600));
    ASSERT_TRUE(port.IsOpen());
    for (const Case& c :
         {Case{"ABC", "ABC\r"}, Case{"A|", "A\r"}, Case{"|", "\r"}, Case{"A|B|", "A\rB\r"},
          Case{"A|B", "A\rB\r"}, Case{"||", "\r\r"}, Case{"", ""}, Case{"\rX\n", "\rX\n\r"},
          Case{"A;B|C", "A\rB|C\r", ";|"}, Case{"A|B", "A|B\r", ""}, Case{"A|B", "A|B\r", nullptr},
          Case{longPiece + "|Z", longPiece + "\rZ\r"}}) {
        camera_.StartRecording();
        EXPECT_EQ(port.SendCommand(c.text.c_str(), c.separator, 0), 1) << c.text;
        EXPECT_EQ(Bytes(camera_.StopRecording()), c.expected) << c.text;
    }
}

TEST_F(CameraSerialPortTest, BytesAreAtLeastAMillisecondApart) {
    CameraSerialPort port(camera_.PortPath().c_str(), Settings(9600));
    ASSERT_TRUE(port.IsOpen());
    const std::string text = "0123456789ABCDEFGHIJ";
    camera_.StartRecording();
    const auto start = Clock::now();
    EXPECT_EQ(port.WriteBytes(reinterpret_cast<const uint8_t*>(text.data()),
                              static_cast<uint32_t>(text.size())),
              1);
    const std::vector<ReceivedByte> received = camera_.StopRecording();
    ASSERT_EQ(Bytes(received), text);
    // Byte k cannot leave before k milliseconds have passed, however late the camera reads.
    for (size_t k = 0; k < received.size(); ++k)
        EXPECT_GE(Since(start, received[k].at).count(), static_cast<long>(k)) << k;
}

TEST_F(CameraSerialPortTest, PausesFollowOnlyPiecesEndedBySeparator) {
    constexpr uint32_t kDelayMs = 60;
    CameraSerialPort port(camera_.PortPath().c_str(), Settings(9600));
    ASSERT_TRUE(port.IsOpen());

    camera_.StartRecording();
    auto start = Clock::now();
    EXPECT_EQ(port.SendCommand("A|B|", "|", kDelayMs), 1);
    auto end = Clock::now();
    std::vector<ReceivedByte> received = camera_.StopRecording();
    ASSERT_EQ(Bytes(received), "A\rB\r");
    // "A\r" takes two byte slots, then the pause, then "B".
    EXPECT_GE(Since(start, received[2].at).count(), static_cast<long>(kDelayMs + 2));
    EXPECT_GE(Since(start, end).count(), static_cast<long>(2 * kDelayMs + 4));

    // No separator, no pause: far below the delay even on a loaded machine.
    constexpr uint32_t kLongDelayMs = 3000;
    start = Clock::now();
    EXPECT_EQ(port.SendCommand("ABC", "|", kLongDelayMs), 1);
    EXPECT_LT(Since(start, Clock::now()).count(), static_cast<long>(kLongDelayMs / 2));
}

TEST_F(CameraSerialPortTest, ByteTheLineDoesNotTakeWithinASecondFails) {
    CameraSerialPort port(camera_.PortPath().c_str(),
                          Settings(9600, CameraSerialPort::kXonXoffOutput));
    ASSERT_TRUE(port.IsOpen());
    ASSERT_TRUE(camera_.SendToPort(kXoff));
    camera_.StartRecording();
    const uint8_t byte = 'A';
    const auto start = Clock::now();
    EXPECT_EQ(port.WriteBytes(&byte, 1), 0);
    EXPECT_GE(Since(start, Clock::now()).count(), 990);
    EXPECT_EQ(Bytes(camera_.StopRecording(20)), "");
}

// The line itself, with short time-outs: XOFF stops output, XON and nothing else restarts it.
TEST_F(CameraSerialPortTest, OutputFlowControlStopsAndResumesOnlyOnXon) {
    SerialPort::Settings settings;
    settings.xonXoffOutput = true;
    std::unique_ptr<SerialPort> port = SerialPort::Open(camera_.PortPath(), settings);
    ASSERT_NE(port, nullptr);
    camera_.StartRecording();
    ASSERT_TRUE(camera_.SendToPort(kXoff));
    EXPECT_FALSE(port->WriteByte('A', 100));
    ASSERT_TRUE(camera_.SendToPort('x'));
    EXPECT_FALSE(port->WriteByte('B', 100));
    ASSERT_TRUE(camera_.SendToPort(kXon));
    EXPECT_TRUE(port->WriteByte('C', 100));
    EXPECT_EQ(Bytes(camera_.StopRecording()), "C");
}

TEST_F(CameraSerialPortTest, WithoutFlowControlXoffIsJustData) {
    std::unique_ptr<SerialPort> port = SerialPort::Open(camera_.PortPath(), {});
    ASSERT_NE(port, nullptr);
    camera_.StartRecording();
    ASSERT_TRUE(camera_.SendToPort(kXoff));
    EXPECT_TRUE(port->WriteByte('A', 100));
    EXPECT_EQ(Bytes(camera_.StopRecording()), "A");
}
