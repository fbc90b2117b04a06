#pragma once

#include "CameraSettings.h"
#include "Object.h"
#include "VicSettings.h"

#include <map>
#include <mutex>

namespace vidrune::fgsim {

// Acquisition device 0 of the board: the camera and VIC settings last programmed with
// FgAcqSetPrms, and the acquisition parameters, which are stored and read back.
class Acquisition : public Object {
public:
    Acquisition();
    FgObjectKind Kind() const override { return FG_KIND_ACQUISITION; }

    FgStatus Get(uint32_t parameter, uint32_t& value) const;
    FgStatus Set(uint32_t parameter, uint32_t value);
    FgStatus Capability(uint32_t capability, uint32_t& value) const;

    void Program(const CameraSettings& camera, const VicSettings& vic);
    CameraSettings Camera() const;
    VicSettings Vic() const;
    // Frames per second of the camera under the current trigger mode.
    double FrameRate() const;

    static constexpr uint32_t kTriggered = 8;

private:
    mutable std::mutex mutex_;
    CameraSettings camera_;
    VicSettings vic_;
    std::map<uint32_t, uint32_t> parameters_;
};

} // namespace vidrune::fgsim
