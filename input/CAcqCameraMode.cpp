#include "input/CAcqCameraMode.h"

namespace vidrune {

VIDRUNE_IMPLEMENT_RUNTIME_CLASS(CAcqCameraMode, CAcqInputMode)

CAcqCameraMode::CAcqCameraMode(const char* name, const char* controlFile, uint32_t id,
                               double dataRate)
    : CAcqInputMode(name, id, 1) {
    SetString("CONTROL FILE", controlFile);
    SetNumeric("DATA RATE", dataRate);
}

int CAcqCameraMode::IsValid() const {
    if (!CAcqInputMode::IsValid())
        return 0;
    const char* controlFile = nullptr;
    if (GetString("CONTROL FILE", &controlFile) && *controlFile == '\0')
        return 0;
    double rate = 0.0;
    return GetNumeric("DATA RATE", &rate) && rate > 0.0 ? 1 : 0;
}

} // namespace vidrune
