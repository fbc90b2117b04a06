#pragma once

#include "CameraSettings.h"
#include "SettingsObject.h"

namespace vidrune::fgsim {

using Camera = SettingsObject<CameraSettings, FG_KIND_CAMERA>;

} // namespace vidrune::fgsim
