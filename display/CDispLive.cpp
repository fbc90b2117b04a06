#include "display/CDispLive.h"

#include "display/CDispWin.h"
#include "display/DisplayViewLoader.h"

namespace vidrune {

std::unique_ptr<CDispLive> CDispLive::Create() {
    return std::make_unique<CDispWin>(DisplayViewLoader::Load());
}

void CDispLive::SetParamInt(int32_t value, int32_t index) {
    switch (index) {
    case 0:
        maxDisplayWidth_ = value;
        break;
    case 1:
        maxDisplayHeight_ = value;
        break;
    case 2:
        imageWidth_ = value;
        break;
    case 3:
        imageHeight_ = value;
        break;
    case 4:
        parameter4_ = value;
        product45_ = parameter4_ * parameter5_;
        break;
    case 5:
        parameter5_ = value;
        product45_ = parameter4_ * parameter5_;
        break;
    case 6:
        rotateFlag_ = value;
        break;
    case 7:
        doubleWidthFlag_ = value;
        break;
    case 8:
        bitsPerPixel_ = value;
        break;
    case 10:
        autoLevelFlag_ = value;
        break;
    default:
        break;
    }
}

int32_t CDispLive::GetParamInt(int32_t index) const {
    switch (index) {
    case 0:
        return maxDisplayWidth_;
    case 1:
        return maxDisplayHeight_;
    case 2:
        return imageWidth_;
    case 3:
        return imageHeight_;
    case 4:
        return parameter4_;
    default:
        return 0;
    }
}

} // namespace vidrune
