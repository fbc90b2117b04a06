#include "Vic.h"

namespace vidrune::fgsim {

FgStatus Vic::Load(const std::string& path) {
    VicSettings loaded = Settings();
    const FgStatus status = loaded.Load(path);
    if (status == FG_OK)
        Assign(loaded);
    return status;
}

FgStatus Vic::Get(uint32_t parameter, uint32_t& value) const {
    std::lock_guard lock(mutex_);
    return settings_.Get(parameter, value);
}

FgStatus Vic::Set(uint32_t parameter, uint32_t value) {
    std::lock_guard lock(mutex_);
    return settings_.Set(parameter, value);
}

VicSettings Vic::Settings() const {
    std::lock_guard lock(mutex_);
    return settings_;
}

void Vic::Assign(const VicSettings& settings) {
    std::lock_guard lock(mutex_);
    settings_ = settings;
}

} // namespace vidrune::fgsim
