#pragma once

#include "SettingsObject.h"
#include "VicSettings.h"

namespace vidrune::fgsim {

using Vic = SettingsObject<VicSettings, FG_KIND_VIC>;

} // namespace vidrune::fgsim
