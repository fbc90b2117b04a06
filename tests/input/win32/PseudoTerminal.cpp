// Win32 implementation of PseudoTerminal.h: two COM ports that scripts/test-windows.sh links
// to a relayed pair of Linux pseudo-terminals (VIDRUNE_TEST_COM_PORT, the port end, and
// VIDRUNE_TEST_COM_CAMERA). The port end is opened a second time to watch its settings and
// input queue, which works because Wine does not enforce exclusive opens of COM ports.
#include "PseudoTerminal.h"

#include "platform/win32/UniqueHandle.h"
#include "platform/win32/WindowsHeaders.h"

#include <cstdlib>

namespace vidrune::test {

using platform::UniqueHandle;

namespace {

UniqueHandle OpenLine(const char* name) {
    const std::string path = std::string("\\\\.\\") + name;
    return UniqueHandle(::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
}

// 9600 baud, 8N1, no flow control: a line on which every byte is data.
constexpr const char* kPlain =
    "baud=9600 parity=N data=8 stop=1 xon=off octs=off odsr=off dtr=on rts=on";

// Sets a line as the mode command would, with these flow-control characters.
bool SetLine(HANDLE line, const char* mode = kPlain, char xon = 17, char xoff = 19) {
    DCB control{};
    control.DCBlength = sizeof control;
    if (!::GetCommState(line, &control) || !::BuildCommDCBA(mode, &control))
        return false;
    control.XonChar = xon;
    control.XoffChar = xoff;
    return ::SetCommState(line, &control) != FALSE;
}

} // namespace

struct PseudoTerminal::Native {
    UniqueHandle turn;
    UniqueHandle camera;
    UniqueHandle port;
};

PseudoTerminal::PseudoTerminal() : native_(std::make_unique<Native>()) {
    Native& n = *native_;
    const char* port = std::getenv("VIDRUNE_TEST_COM_PORT");
    const char* camera = std::getenv("VIDRUNE_TEST_COM_CAMERA");
    if (port == nullptr || camera == nullptr) {
        problem_ = "no COM port pair linked to pseudo-terminals (scripts/test-windows.sh "
                   "sets VIDRUNE_TEST_COM_PORT and VIDRUNE_TEST_COM_CAMERA)";
        return;
    }
    // The pair carries state from test to test, so test programs take turns with it: the
    // turn is held until the program ends, which hands it on as abandoned.
    n.turn = UniqueHandle(::CreateMutexA(nullptr, FALSE, "Local\\vidrune-test-com-pair"));
    const DWORD waited =
        n.turn.IsValid() ? ::WaitForSingleObject(n.turn.Get(), 120000) : WAIT_FAILED;
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
        problem_ = "the COM port pair stayed busy";
        return;
    }
    portPath_ = std::string("\\\\.\\") + port;
    n.camera = OpenLine(camera);
    n.port = OpenLine(port);
    // A stopped line from an earlier test restarts when flow control goes off.
    if (!n.camera.IsValid() || !n.port.IsValid() || !SetLine(n.camera.Get()) ||
        !SetLine(n.port.Get())) {
        problem_ = std::string("cannot open ") + port + " and " + camera + " as serial lines";
        return;
    }
    ::PurgeComm(n.port.Get(), PURGE_RXCLEAR | PURGE_TXCLEAR);
    // The relay may still carry the last bytes an earlier test wrote: wait for quiet.
    Received(50);
}

PseudoTerminal::~PseudoTerminal() = default;

std::string PseudoTerminal::Received(int quietMs) {
    // Whatever is there at once; otherwise the first byte within quietMs.
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.ReadTotalTimeoutMultiplier = quietMs > 0 ? MAXDWORD : 0;
    timeouts.ReadTotalTimeoutConstant = static_cast<DWORD>(quietMs);
    timeouts.WriteTotalTimeoutConstant = 1000; // for WriteCamera
    std::string received;
    char buffer[256];
    DWORD count = 0;
    if (!::SetCommTimeouts(native_->camera.Get(), &timeouts))
        return received;
    while (::ReadFile(native_->camera.Get(), buffer, sizeof buffer, &count, nullptr) && count > 0)
        received.append(buffer, count);
    return received;
}

void PseudoTerminal::WriteCamera(uint8_t byte) {
    DWORD written = 0;
    ::WriteFile(native_->camera.Get(), &byte, 1, &written, nullptr);
}

size_t PseudoTerminal::PortInputQueued() const {
    DWORD errors = 0;
    COMSTAT status{};
    return ::ClearCommError(native_->port.Get(), &errors, &status) ? status.cbInQue : 0;
}

PortLine PseudoTerminal::LineSettings() const {
    DCB control{};
    control.DCBlength = sizeof control;
    ::GetCommState(native_->port.Get(), &control); // all zero when it fails
    return {.baudRate = control.BaudRate,
            .dataBits = control.ByteSize,
            .parity = control.Parity != NOPARITY,
            .twoStopBits = control.StopBits == TWOSTOPBITS,
            .xonXoffOutput = control.fOutX != FALSE,
            .xonXoffInput = control.fInX != FALSE,
            .xonChar = static_cast<uint8_t>(control.XonChar),
            .xoffChar = static_cast<uint8_t>(control.XoffChar),
            .raw = std::nullopt}; // the terminal modes stay hidden
}

void PseudoTerminal::SpoilLineSettings() {
    SetLine(native_->port.Get(), "baud=300 parity=E data=7 stop=2 xon=on", 'a', 'b');
}

} // namespace vidrune::test
