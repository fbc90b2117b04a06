#include "VicSettings.h"

#include "SettingsFile.h"
#include "platform/Profile.h"

namespace vidrune::fgsim {

FgStatus VicSettings::Load(const std::string& path) {
    // Its keys are read one by one; the file itself once.
    const platform::Profile::Batch readOnce;
    SettingsFile file(path, "Vic");
    if (!file.HasSection())
        return FG_ERR_FILE;
    uint64_t width = 0;
    uint64_t height = 0;
    uint64_t depth = 0;
    if (!file.Unsigned("MaxWidth", kDefaultSize, 1, kMaxSize, width) ||
        !file.Unsigned("MaxHeight", kDefaultSize, 1, kMaxSize, height) ||
        !file.Unsigned("PixelDepth", 8, 8, 16, depth))
        return FG_ERR_FILE;
    maxWidth_ = static_cast<uint32_t>(width);
    maxHeight_ = static_cast<uint32_t>(height);
    pixelFormat_ = FormatFor(static_cast<uint32_t>(depth));
    crop_ = CropWindow{0, 0, maxWidth_, maxHeight_};
    return FG_OK;
}

FgStatus VicSettings::Get(uint32_t parameter, uint32_t& value) const {
    switch (parameter) {
    case FG_VIC_PRM_CROP_LEFT:
        value = crop_.left;
        break;
    case FG_VIC_PRM_CROP_TOP:
        value = crop_.top;
        break;
    case FG_VIC_PRM_CROP_WIDTH:
        value = crop_.width;
        break;
    case FG_VIC_PRM_CROP_HEIGHT:
        value = crop_.height;
        break;
    case FG_VIC_PRM_MAX_WIDTH:
        value = maxWidth_;
        break;
    case FG_VIC_PRM_MAX_HEIGHT:
        value = maxHeight_;
        break;
    case FG_VIC_PRM_FIELD_MODE:
        value = fieldMode_;
        break;
    case FG_VIC_PRM_PIXEL_FORMAT:
        value = pixelFormat_;
        break;
    default:
        return FG_ERR_PARAMETER;
    }
    return FG_OK;
}

FgStatus VicSettings::Set(uint32_t parameter, uint32_t value) {
    switch (parameter) {
    case FG_VIC_PRM_CROP_LEFT:
        crop_.left = value;
        break;
    case FG_VIC_PRM_CROP_TOP:
        crop_.top = value;
        break;
    case FG_VIC_PRM_CROP_WIDTH:
    case FG_VIC_PRM_CROP_HEIGHT:
    case FG_VIC_PRM_MAX_WIDTH:
    case FG_VIC_PRM_MAX_HEIGHT:
        if (value == 0 || value > kMaxSize)
            return FG_ERR_PARAMETER;
        if (parameter == FG_VIC_PRM_CROP_WIDTH)
            crop_.width = value;
        else if (parameter == FG_VIC_PRM_CROP_HEIGHT)
            crop_.height = value;
        else if (parameter == FG_VIC_PRM_MAX_WIDTH)
            maxWidth_ = value;
        else
            maxHeight_ = value;
        break;
    case FG_VIC_PRM_FIELD_MODE:
        fieldMode_ = value;
        break;
    case FG_VIC_PRM_PIXEL_FORMAT:
        if (BitsOf(value) == 0)
            return FG_ERR_PARAMETER;
        pixelFormat_ = value;
        break;
    default:
        return FG_ERR_PARAMETER;
    }
    return FG_OK;
}

uint32_t VicSettings::BitsOf(uint32_t format) {
    const uint32_t bits = (format >> 8) & 0xFF;
    return bits == 8 || bits == 16 ? bits : 0;
}

} // namespace vidrune::fgsim
