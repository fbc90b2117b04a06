#include "ImageSource.h"

#include <algorithm>
#include <cstring>

namespace vidrune::fgsim {

ImageSource::ImageSource(std::shared_ptr<const std::vector<SourceImage>> images)
    : images_(std::move(images)) {}

void ImageSource::Render(uint64_t frame, const CropWindow& crop, const FrameTarget& target) const {
    if (images_->empty()) {
        RenderBlank(crop, target);
        return;
    }
    const SourceImage& image = (*images_)[frame % images_->size()];
    const uint32_t rows = Rows(crop, target);
    const uint32_t columns = Columns(crop, target);
    const size_t pixelBytes = target.bytesPerPixel;
    const uint32_t firstColumn = crop.left % image.Width();
    for (uint32_t y = 0; y < rows; ++y) {
        const auto sourceY = static_cast<uint32_t>((uint64_t{crop.top} + y) % image.Height());
        const uint8_t* source = pixelBytes == 1
                                    ? image.Row8(sourceY)
                                    : reinterpret_cast<const uint8_t*>(image.Row16(sourceY));
        uint8_t* row = Row(target, y);
        uint32_t x = 0;
        uint32_t sourceX = firstColumn;
        while (x < columns) {
            const uint32_t run = std::min(columns - x, image.Width() - sourceX);
            std::memcpy(row + x * pixelBytes, source + sourceX * pixelBytes, run * pixelBytes);
            x += run;
            sourceX = 0;
        }
    }
}

} // namespace vidrune::fgsim
