#include "display/PixelBuffer.h"

#include <cstring>
#include <new>

namespace vidrune {

PixelBuffer::PixelBuffer(size_t size) {
    if (size == 0)
        return;
    bytes_.reset(static_cast<uint8_t*>(std::calloc(size, 1)));
    if (!bytes_)
        throw std::bad_alloc();
    size_ = size;
}

void PixelBuffer::Zero() {
    if (size_ != 0)
        std::memset(bytes_.get(), 0, size_);
}

void PixelBuffer::Free() {
    bytes_.reset();
    size_ = 0;
}

} // namespace vidrune
