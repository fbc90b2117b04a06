#pragma once

#include "input/CAcqInputMode.h"

namespace vidrune {

// A camera mode: carries its camera control file and the camera's frame rate.
class CAcqCameraMode : public CAcqInputMode {
    VIDRUNE_DECLARE_RUNTIME_CLASS()

public:
    CAcqCameraMode(const char* name, const char* controlFile, uint32_t id, double dataRate);

    // Also needs a non-empty "CONTROL FILE" (when present) and a "DATA RATE" above 0.
    int IsValid() const override;
};

} // namespace vidrune
