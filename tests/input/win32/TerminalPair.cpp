// Win32 implementation of TerminalPair.h: two COM ports that scripts/test-windows.sh links
// to a relayed pair of Linux pseudo-terminals (VIDRUNE_TEST_COM_PORT, the port end, and
// VIDRUNE_TEST_COM_CAMERA). The port end is opened a second time to watch its settings and
// input queue, which works because Wine does not enforce exclusive opens of COM ports.
#include "TerminalPair.h"

#include "platform/win32/UniqueHandle.h"
#include "platform/win32/WindowsHeaders.h"

#include <cstdlib>

namespace vidrune::test {

using platform::UniqueHandle;

namespace {

// The pair carries state from test to test, so test programs take turns with it.
constexpr const char* kTurnName = "Local\\vidrune-test-com-pair";
constexpr DWORD kTurnWaitMs = 120000;
constexpr DWORD kWriteLimitMs = 1000;
constexpr int kQuietMs = 50;
constexpr int kQuietSlices = 100;

std::string DevicePath(const char* name) {
    return std::string("\\\\.\\") + name;
}

UniqueHandle OpenLine(const std::string& path) {
    return UniqueHandle(::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
}

// 9600 baud, 8N1, no flow control: a line on which every byte is data.
bool MakePlain(HANDLE line) {
    DCB control{};
    control.DCBlength = sizeof control;
    if (!::GetCommState(line, &control))
        return false;
    control.BaudRate = CBR_9600;
    control.fBinary = TRUE;
    control.fParity = FALSE;
    control.ByteSize = 8;
    control.Parity = NOPARITY;
    control.StopBits = ONESTOPBIT;
    control.fOutX = FALSE;
    control.fInX = FALSE;
    control.fOutxCtsFlow = FALSE;
    control.fOutxDsrFlow = FALSE;
    control.fRtsControl = RTS_CONTROL_ENABLE;
    control.fDtrControl = DTR_CONTROL_ENABLE;
    control.XonChar = 17;
    control.XoffChar = 19;
    return ::SetCommState(line, &control) != FALSE;
}

} // namespace

struct TerminalPair::Native {
    UniqueHandle turn;
    bool haveTurn = false;
    UniqueHandle camera;
    UniqueHandle port;
    std::string portPath;
    std::string problem;
    DWORD readTimeoutMs = MAXDWORD - 1; // the time-out the camera end is set to now

    ~Native() {
        if (haveTurn)
            ::ReleaseMutex(turn.Get());
    }
};

TerminalPair::TerminalPair() : native_(std::make_unique<Native>()) {
    Native& n = *native_;
    const char* port = std::getenv("VIDRUNE_TEST_COM_PORT");
    const char* camera = std::getenv("VIDRUNE_TEST_COM_CAMERA");
    if (port == nullptr || camera == nullptr || *port == '\0' || *camera == '\0') {
        n.problem = "no COM port pair linked to pseudo-terminals (scripts/test-windows.sh "
                    "sets VIDRUNE_TEST_COM_PORT and VIDRUNE_TEST_COM_CAMERA)";
        return;
    }
    n.turn = UniqueHandle(::CreateMutexA(nullptr, FALSE, kTurnName));
    const DWORD waited =
        n.turn.IsValid() ? ::WaitForSingleObject(n.turn.Get(), kTurnWaitMs) : WAIT_FAILED;
    n.haveTurn = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
    if (!n.haveTurn) {
        n.problem = "the COM port pair stayed busy";
        return;
    }
    n.portPath = DevicePath(port);
    n.camera = OpenLine(DevicePath(camera));
    n.port = OpenLine(n.portPath);
    // A stopped line from an earlier test restarts when flow control goes off.
    if (!n.camera.IsValid() || !n.port.IsValid() || !MakePlain(n.camera.Get()) ||
        !MakePlain(n.port.Get())) {
        n.problem = std::string("cannot open ") + port + " and " + camera + " as serial lines";
        n.camera = UniqueHandle();
        n.port = UniqueHandle();
        return;
    }
    COMMTIMEOUTS timeouts{};
    timeouts.WriteTotalTimeoutConstant = kWriteLimitMs;
    ::SetCommTimeouts(n.camera.Get(), &timeouts);
    ::PurgeComm(n.port.Get(), PURGE_RXCLEAR | PURGE_TXCLEAR);
    // The relay may still carry the last bytes an earlier test wrote: wait for quiet.
    uint8_t stale[256];
    for (int slice = 0; slice < kQuietSlices && ReadCamera(stale, sizeof stale, kQuietMs) > 0;)
        ++slice;
}

TerminalPair::~TerminalPair() = default;

bool TerminalPair::Ok() const {
    return native_->port.IsValid();
}

const std::string& TerminalPair::Problem() const {
    return native_->problem;
}

const std::string& TerminalPair::PortPath() const {
    return native_->portPath;
}

size_t TerminalPair::ReadCamera(uint8_t* into, size_t size, int timeoutMs) {
    Native& n = *native_;
    const auto wanted = static_cast<DWORD>(timeoutMs);
    if (wanted != n.readTimeoutMs) {
        // Whatever is there at once; otherwise the first byte within the time-out.
        COMMTIMEOUTS timeouts{};
        timeouts.ReadIntervalTimeout = MAXDWORD;
        timeouts.ReadTotalTimeoutMultiplier = wanted > 0 ? MAXDWORD : 0;
        timeouts.ReadTotalTimeoutConstant = wanted;
        timeouts.WriteTotalTimeoutConstant = kWriteLimitMs;
        ::SetCommTimeouts(n.camera.Get(), &timeouts);
        n.readTimeoutMs = wanted;
    }
    DWORD count = 0;
    if (!::ReadFile(n.camera.Get(), into, static_cast<DWORD>(size), &count, nullptr))
        return 0;
    return count;
}

void TerminalPair::WriteCamera(uint8_t byte) {
    DWORD written = 0;
    ::WriteFile(native_->camera.Get(), &byte, 1, &written, nullptr);
}

size_t TerminalPair::PortInputQueued() const {
    DWORD errors = 0;
    COMSTAT status{};
    return ::ClearCommError(native_->port.Get(), &errors, &status) ? status.cbInQue : 0;
}

PortLine TerminalPair::PortSettings() const {
    DCB control{};
    control.DCBlength = sizeof control;
    PortLine settings;
    if (!::GetCommState(native_->port.Get(), &control))
        return settings;
    settings.baudRate = control.BaudRate;
    settings.dataBits = control.ByteSize;
    settings.parity = control.Parity != NOPARITY;
    settings.twoStopBits = control.StopBits == TWOSTOPBITS;
    settings.xonXoffOutput = control.fOutX != FALSE;
    settings.xonXoffInput = control.fInX != FALSE;
    settings.xonChar = static_cast<uint8_t>(control.XonChar);
    settings.xoffChar = static_cast<uint8_t>(control.XoffChar);
    return settings;
}

void TerminalPair::SpoilPortSettings() {
    DCB control{};
    control.DCBlength = sizeof control;
    if (!::GetCommState(native_->port.Get(), &control))
        return;
    control.BaudRate = CBR_300;
    control.ByteSize = 7;
    control.fParity = TRUE;
    control.Parity = EVENPARITY;
    control.StopBits = TWOSTOPBITS;
    control.fOutX = TRUE;
    control.fInX = TRUE;
    control.XonChar = 'a';
    control.XoffChar = 'b';
    ::SetCommState(native_->port.Get(), &control);
}

std::optional<bool> TerminalPair::PortExclusive() const {
    return std::nullopt;
}

} // namespace vidrune::test
