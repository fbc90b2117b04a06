#pragma once

#include <cstdint>

namespace vidrune {

// The intermediate image of flipped and rotated reads, reused while it is large enough.
// Alloc and Ensure give 0 on success and 1 when the memory cannot be had.
class ScratchImage {
public:
    ScratchImage() = default;
    ~ScratchImage() { Free(); }
    ScratchImage(const ScratchImage&) = delete;
    ScratchImage& operator=(const ScratchImage&) = delete;

    void SetBytesPerPixel(uint32_t bytesPerPixel) { bytesPerPixel_ = bytesPerPixel; }
    int Alloc(uint32_t width, uint32_t height);
    void Free();
    int Ensure(uint32_t width, uint32_t height);

    uint32_t Width() const { return width_; }
    uint32_t Height() const { return height_; }
    int64_t Capacity() const { return capacity_; }
    uint8_t* Data() const { return data_; }

private:
    uint32_t width_ = 0;
    uint32_t height_ = 0;
    uint32_t bytesPerPixel_ = 1;
    int64_t capacity_ = 0;
    uint8_t* data_ = nullptr;
};

} // namespace vidrune
