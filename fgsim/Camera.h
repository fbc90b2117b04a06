#pragma once

#include "CameraSettings.h"
#include "Object.h"

#include <mutex>

namespace vidrune::fgsim {

// A camera object: settings loaded from a camera file or filled from the acquisition.
class Camera : public Object {
public:
    FgObjectKind Kind() const override { return FG_KIND_CAMERA; }

    FgStatus Load(const std::string& path);
    FgStatus Get(uint32_t parameter, uint32_t& value) const;
    FgStatus Set(uint32_t parameter, uint32_t value);
    CameraSettings Settings() const;
    void Assign(const CameraSettings& settings);

private:
    mutable std::mutex mutex_;
    CameraSettings settings_;
};

} // namespace vidrune::fgsim
