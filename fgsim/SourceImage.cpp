#include "SourceImage.h"

namespace vidrune::fgsim {

SourceImage::SourceImage(uint32_t width, uint32_t height, uint32_t maxValue,
                         std::vector<uint16_t> samples)
    : width_(width), height_(height), bytes_(samples.size()), words_(std::move(samples)) {
    const int shift = maxValue > 255 ? 8 : 0;
    for (size_t i = 0; i < words_.size(); ++i)
        bytes_[i] = static_cast<uint8_t>(words_[i] >> shift);
}

} // namespace vidrune::fgsim
