// Win32 implementation of platform/SerialPort.h: CreateFileA + SetCommState, overlapped
// writes; only Win32 code here.
#include "platform/SerialPort.h"

#include "platform/win32/UniqueHandle.h"
#include "platform/win32/WindowsHeaders.h"

namespace vidrune::platform {

struct SerialPort::Native {
    UniqueHandle line;
    // Signalled when an overlapped write completes; one write is in flight at a time.
    UniqueHandle written;
};

namespace {

bool Configure(HANDLE line, const SerialPort::Settings& settings) {
    DCB control{};
    control.DCBlength = sizeof control;
    if (!::GetCommState(line, &control))
        return false;
    control.BaudRate = settings.baudRate;
    control.fBinary = TRUE;
    control.fParity = FALSE;
    control.ByteSize = 8;
    control.Parity = NOPARITY;
    control.StopBits = ONESTOPBIT;
    control.fOutxCtsFlow = FALSE;
    control.fOutxDsrFlow = FALSE;
    control.fDtrControl = DTR_CONTROL_ENABLE;
    control.fRtsControl = RTS_CONTROL_ENABLE;
    control.fDsrSensitivity = FALSE;
    control.fOutX = settings.xonXoffOutput ? TRUE : FALSE;
    control.fInX = settings.xonXoffInput ? TRUE : FALSE;
    control.XonChar = static_cast<char>(settings.xonChar);
    control.XoffChar = static_cast<char>(settings.xoffChar);
    control.fNull = FALSE;
    control.fAbortOnError = FALSE;
    if (!::SetCommState(line, &control))
        return false;
    // A driver may take a rate it cannot produce and keep another (Wine on a
    // pseudo-terminal keeps 38400): only what reads back was applied.
    DCB applied{};
    applied.DCBlength = sizeof applied;
    if (!::GetCommState(line, &applied) || applied.BaudRate != settings.baudRate ||
        applied.ByteSize != 8 || applied.Parity != NOPARITY || applied.StopBits != ONESTOPBIT)
        return false;
    // Writes are bounded by WriteByte's own wait; reads are never made.
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    return ::SetCommTimeouts(line, &timeouts) != FALSE;
}

} // namespace

SerialPort::SerialPort(std::unique_ptr<Native> native) : native_(std::move(native)) {}

SerialPort::~SerialPort() {
    // A write still queued would complete into freed memory; end it first.
    ::PurgeComm(native_->line.Get(), PURGE_TXABORT | PURGE_TXCLEAR);
}

std::string SerialPort::DevicePath(const std::string& portName) {
    // The device namespace reaches COM10 and above, which the plain names do not.
    return ComPortNumber(portName) == 0 ? portName : "\\\\.\\" + portName;
}

std::unique_ptr<SerialPort> SerialPort::Open(const std::string& path, const Settings& settings) {
    if (settings.baudRate == 0)
        return nullptr;
    // No sharing: nobody else may open the line while this object holds it.
    UniqueHandle line(::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr));
    if (!line.IsValid() || ::GetFileType(line.Get()) != FILE_TYPE_CHAR)
        return nullptr;
    UniqueHandle written(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!written.IsValid() || !Configure(line.Get(), settings))
        return nullptr;
    auto native = std::make_unique<Native>();
    native->line = std::move(line);
    native->written = std::move(written);
    return std::unique_ptr<SerialPort>(new SerialPort(std::move(native)));
}

bool SerialPort::WriteByte(uint8_t byte, uint32_t timeoutMs) {
    OVERLAPPED write{};
    write.hEvent = native_->written.Get();
    ::ResetEvent(write.hEvent);
    DWORD count = 0;
    if (::WriteFile(native_->line.Get(), &byte, 1, &count, &write))
        return count == 1;
    if (::GetLastError() != ERROR_IO_PENDING)
        return false;
    if (::WaitForSingleObject(write.hEvent, timeoutMs) != WAIT_OBJECT_0) {
        // The byte must not go out later, and the OVERLAPPED must outlive the request.
        ::CancelIo(native_->line.Get());
        ::GetOverlappedResult(native_->line.Get(), &write, &count, TRUE);
        return false;
    }
    return ::GetOverlappedResult(native_->line.Get(), &write, &count, FALSE) && count == 1;
}

} // namespace vidrune::platform
