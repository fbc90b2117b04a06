#pragma once

#include "vidrune.h"

namespace vidrune {

class CAcqDevice;

// The device as a host sees it: a table of operations in fixed slot order in front,
// forwarding to the device's virtual operations. A compiler's own vtable layout is
// never exposed.
class HostDevice {
public:
    explicit HostDevice(CAcqDevice* device);

    VidruneDevice* Handle() { return &view_.handle; }
    static CAcqDevice* DeviceOf(VidruneDevice* handle);

private:
    // The handle must be the first member so that its address is the view's.
    struct View {
        VidruneDevice handle;
        CAcqDevice* device;
    };
    View view_;
};

} // namespace vidrune
