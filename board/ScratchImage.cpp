#include "board/ScratchImage.h"

#include <cstdlib>

namespace vidrune {

int ScratchImage::Alloc(uint32_t width, uint32_t height) {
    const int64_t size = int64_t{bytesPerPixel_} * width * height;
    auto* data = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(size > 0 ? size : 1)));
    if (data == nullptr)
        return 1;
    data_ = data;
    width_ = width;
    height_ = height;
    capacity_ = size;
    return 0;
}

void ScratchImage::Free() {
    if (data_ == nullptr)
        return;
    std::free(data_);
    data_ = nullptr;
    width_ = 0;
    height_ = 0;
    capacity_ = 0;
}

int ScratchImage::Ensure(uint32_t width, uint32_t height) {
    if (data_ != nullptr && capacity_ >= int64_t{bytesPerPixel_} * width * height) {
        width_ = width;
        height_ = height;
        return 0;
    }
    Free();
    return Alloc(width, height);
}

} // namespace vidrune
