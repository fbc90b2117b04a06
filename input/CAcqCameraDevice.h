#pragma once

#include "input/CAcqInputDevice.h"

namespace vidrune {

// A camera: an input device of type 1 that creates camera modes, and reads its
// serial command texts from each mode's configuration section.
class CAcqCameraDevice : public CAcqInputDevice {
    VIDRUNE_DECLARE_RUNTIME_CLASS()

public:
    CAcqCameraDevice(const char* name, uint32_t id);

    uint32_t MarkOpen() override { return 0; }
    uint32_t GetActiveFlag() const override { return 1; }
    // Stores the section's "COMINIT", "NORMINIT" and "CONTINIT" texts, when present, as
    // the mode's "COM INIT", "NORM INIT" and "CONT INIT".
    int ReadModeSettings(const char* path, const char* section, uint32_t modeId) override;

    // The new mode's identifier, also when the mode was invalid and dropped (its
    // identifier is then not used up); 0 when no identifier is left.
    virtual uint32_t AddCameraMode(const char* name, const char* controlFile, double dataRate);
};

} // namespace vidrune
