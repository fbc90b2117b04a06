#pragma once

#include "plugin/HostDevice.h"

#include <memory>

namespace vidrune {

class CAcqDevice;

// The one device of the process: created when the library is loaded, destroyed when
// it is unloaded. The library entry of each OS (plugin/posix, plugin/win32) calls Attach
// and Detach; nothing else does.
class Plugin {
public:
    static CAcqDevice* Device();
    static VidruneDevice* Handle();

    // Creates the device; false when it cannot be created.
    static bool Attach();
    // Destroys the device. Only when the process goes on: at process exit the device is
    // left as it is, since its threads were ended wherever they stood.
    static void Detach(bool processExiting);
};

} // namespace vidrune
