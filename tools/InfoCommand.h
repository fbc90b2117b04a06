#pragma once

#include "tools/SessionOptions.h"

#include <ostream>

namespace vidrune::tool {

class DeviceSession;

// "info": the device, every camera and mode with their identifiers and attributes, and,
// with the chosen camera and mode open, the board's attributes in a table.
class InfoCommand {
public:
    InfoCommand(SessionOptions options, std::ostream& out);
    int Run();

private:
    void PrintDevice(const DeviceSession& session) const;
    void PrintCameras(DeviceSession& session) const;
    void PrintModes(DeviceSession& session) const;
    void PrintBoard(const DeviceSession& session) const;

    SessionOptions options_;
    std::ostream& out_;
};

} // namespace vidrune::tool
