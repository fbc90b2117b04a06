#include "FrameSource.h"

#include <algorithm>
#include <cstring>

namespace vidrune::fgsim {

void FrameSource::RenderBlank(const CropWindow& crop, const FrameTarget& target) {
    const size_t rowBytes = size_t{Columns(crop, target)} * target.bytesPerPixel;
    const uint32_t rows = Rows(crop, target);
    for (uint32_t y = 0; y < rows; ++y)
        std::memset(Row(target, y), 0, rowBytes);
}

uint32_t FrameSource::Rows(const CropWindow& crop, const FrameTarget& target) {
    return std::min(crop.height, target.height);
}

uint32_t FrameSource::Columns(const CropWindow& crop, const FrameTarget& target) {
    return std::min(crop.width, target.width);
}

uint8_t* FrameSource::Row(const FrameTarget& target, uint32_t y) {
    return target.data + size_t{y} * target.width * target.bytesPerPixel;
}

} // namespace vidrune::fgsim
