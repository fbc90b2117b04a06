#include "Camera.h"

namespace vidrune::fgsim {

FgStatus Camera::Load(const std::string& path) {
    // Read outside the lock: image sources can be large.
    CameraSettings loaded;
    const FgStatus status = loaded.Load(path);
    if (status == FG_OK)
        Assign(loaded);
    return status;
}

FgStatus Camera::Get(uint32_t parameter, uint32_t& value) const {
    std::lock_guard lock(mutex_);
    return settings_.Get(parameter, value);
}

FgStatus Camera::Set(uint32_t parameter, uint32_t value) {
    std::lock_guard lock(mutex_);
    return settings_.Set(parameter, value);
}

CameraSettings Camera::Settings() const {
    std::lock_guard lock(mutex_);
    return settings_;
}

void Camera::Assign(const CameraSettings& settings) {
    std::lock_guard lock(mutex_);
    settings_ = settings;
}

} // namespace vidrune::fgsim
