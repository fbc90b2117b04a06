#pragma once

#include "FrameSource.h"
#include "fgcore.h"

#include <cstdint>
#include <string>

namespace vidrune::fgsim {

// What a VIC file says: the sensor size, the buffers' pixel format and the crop
// window (the full sensor after loading). A value type like CameraSettings.
class VicSettings {
public:
    FgStatus Load(const std::string& path);
    FgStatus Get(uint32_t parameter, uint32_t& value) const;
    FgStatus Set(uint32_t parameter, uint32_t value);

    const CropWindow& Crop() const { return crop_; }
    uint32_t PixelFormat() const { return pixelFormat_; }

    // Bits per pixel of a format value (bits 8 to 15); 0 when not 8 or 16.
    static uint32_t BitsOf(uint32_t format);
    static uint32_t FormatFor(uint32_t pixelDepth) { return (pixelDepth > 8 ? 16u : 8u) << 8; }

    static constexpr uint32_t kDefaultSize = 1024;
    static constexpr uint32_t kMaxSize = 65535;

private:
    uint32_t maxWidth_ = kDefaultSize;
    uint32_t maxHeight_ = kDefaultSize;
    uint32_t pixelFormat_ = FormatFor(8);
    uint32_t fieldMode_ = 0;
    CropWindow crop_{0, 0, kDefaultSize, kDefaultSize};
};

} // namespace vidrune::fgsim
