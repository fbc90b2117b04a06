#include "Acquisition.h"

namespace vidrune::fgsim {

namespace {

constexpr uint32_t kBoardKind = 1;

} // namespace

Acquisition::Acquisition()
    : parameters_{{FG_ACQ_PRM_STATUS, 0},         {FG_ACQ_PRM_FRAME_COUNT, 1},
                  {FG_ACQ_PRM_TRIGGER_MODE, 1},   {FG_ACQ_PRM_FIELD_CAP, 0},
                  {FG_ACQ_PRM_TRIGGER_LEVEL, 0},  {FG_ACQ_PRM_TRIGGER_DELAY, 0},
                  {FG_ACQ_PRM_TRIGGER_SOURCE, 0}, {FG_ACQ_PRM_TIMING_A, 0},
                  {FG_ACQ_PRM_TIMING_B, 0}} {}

FgStatus Acquisition::Get(uint32_t parameter, uint32_t& value) const {
    if (parameter == FG_ACQ_PRM_BOARD_KIND) {
        value = kBoardKind;
        return FG_OK;
    }
    std::lock_guard lock(mutex_);
    auto found = parameters_.find(parameter);
    if (found == parameters_.end())
        return FG_ERR_PARAMETER;
    value = found->second;
    if (parameter == FG_ACQ_PRM_STATUS) {
        // The signal-ready bit follows the camera, whatever was stored.
        value &= ~FG_ACQ_STATUS_READY;
        if (!camera_.NoSignal())
            value |= FG_ACQ_STATUS_READY;
    }
    return FG_OK;
}

FgStatus Acquisition::Set(uint32_t parameter, uint32_t value) {
    std::lock_guard lock(mutex_);
    auto found = parameters_.find(parameter);
    if (found == parameters_.end())
        return FG_ERR_PARAMETER;
    found->second = value;
    return FG_OK;
}

FgStatus Acquisition::Capability(uint32_t capability, uint32_t& value) const {
    return Get(capability, value);
}

void Acquisition::Program(const CameraSettings& camera, const VicSettings& vic) {
    std::lock_guard lock(mutex_);
    camera_ = camera;
    vic_ = vic;
}

CameraSettings Acquisition::Camera() const {
    std::lock_guard lock(mutex_);
    return camera_;
}

VicSettings Acquisition::Vic() const {
    std::lock_guard lock(mutex_);
    return vic_;
}

double Acquisition::FrameRate() const {
    std::lock_guard lock(mutex_);
    return parameters_.at(FG_ACQ_PRM_TRIGGER_MODE) == kTriggered ? camera_.TriggerRate()
                                                                 : camera_.FrameRate();
}

} // namespace vidrune::fgsim
