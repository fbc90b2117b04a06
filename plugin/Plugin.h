#pragma once

#include "plugin/HostDevice.h"

#include <memory>

namespace vidrune {

class CAcqDevice;

// The one device of the process: created when the library is loaded, destroyed when
// it is unloaded.
class Plugin {
public:
    static CAcqDevice* Device();
    static VidruneDevice* Handle();
};

} // namespace vidrune
