#include "input/CameraSerialPort.h"

// Placeholder until the serial layer lands: no port can be opened.
namespace vidrune {
namespace platform {
class SerialPort {};
} // namespace platform

CameraSerialPort::CameraSerialPort(const char*, const PortSettings&) {}
CameraSerialPort::~CameraSerialPort() = default;
int CameraSerialPort::SendCommand(const char*, const char*, uint32_t) { return 0; }
int CameraSerialPort::WriteBytes(const uint8_t*, uint32_t) { return 0; }
void CameraSerialPort::Close() {}
std::string CameraSerialPort::DevicePath(const char* portName) { return portName; }

} // namespace vidrune
