#pragma once

#include "device/CAcqDevice.h"

namespace vidrune {

// The Stravik-2 board device.
class CVidrune : public CAcqDevice {
    VIDRUNE_DECLARE_RUNTIME_CLASS()

public:
    explicit CVidrune(const char* name);
    ~CVidrune() override;

    int IsValid() const override;
    int LoadInputDevices(const char* path) override;
    int AcquireStart(const void* request) override;
    int AcquireStop() override;
    int ReadDevice(void* request) override;

private:
    uint32_t startedFlag_ = 0;
};

} // namespace vidrune
