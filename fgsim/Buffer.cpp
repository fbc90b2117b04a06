#include "Buffer.h"

#include "VicSettings.h"

namespace vidrune::fgsim {

std::shared_ptr<Buffer> Buffer::Create(uint32_t width, uint32_t height, uint32_t format,
                                       uint32_t type, FgStatus& status) {
    const uint32_t bits = VicSettings::BitsOf(format);
    if (width == 0 || height == 0 || bits == 0 ||
        (type != FG_BUFFER_RING && type != FG_BUFFER_DISCARD)) {
        status = FG_ERR_PARAMETER;
        return nullptr;
    }
    const uint32_t bytesPerPixel = bits / 8;
    const uint64_t bytes = uint64_t{width} * height * bytesPerPixel;
    Pixels pixels;
    if (bytes <= kMaxBytes)
        pixels.reset(static_cast<uint16_t*>(std::calloc((bytes + 1) / 2, sizeof(uint16_t))));
    if (!pixels) {
        status = FG_ERR_NO_MEMORY;
        return nullptr;
    }
    status = FG_OK;
    return std::shared_ptr<Buffer>(new Buffer(width, height, bytesPerPixel, std::move(pixels)));
}

Buffer::Buffer(uint32_t width, uint32_t height, uint32_t bytesPerPixel, Pixels pixels)
    : width_(width), height_(height), bytesPerPixel_(bytesPerPixel), pixels_(std::move(pixels)) {}

} // namespace vidrune::fgsim
