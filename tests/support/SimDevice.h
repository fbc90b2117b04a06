#pragma once

#include "device/CAcqDevice.h"
#include "support/Requests.h"
#include "vidrune.h"

#include <gtest/gtest.h>

#include <string>

namespace vidrune::test {

// A device driven from inside the library, as the exports drive it.
class SimDevice {
public:
    // Initialises with the configuration and opens its first camera.
    static ::testing::AssertionResult Open(CAcqDevice& device, const std::string& config) {
        if (device.InitializeDevice(config.c_str()) != 1)
            return ::testing::AssertionFailure() << "initialise: error " << device.GetLastError();
        device.SetCurrentInputDevice(device.GetInputDeviceId(device.GetFirstInputDeviceName()));
        if (const uint32_t code = device.OpenDevice(); code != 0 || device.GetLastError() != 0)
            return ::testing::AssertionFailure()
                   << "open: " << code << ", error " << device.GetLastError();
        return ::testing::AssertionSuccess();
    }

    static int Start(CAcqDevice& device, uint32_t kind, int32_t frames = 0, bool wait = false) {
        AcquireRequest request = Acquisition(kind, frames, wait);
        return device.AcquireStart(&request);
    }
};

} // namespace vidrune::test
