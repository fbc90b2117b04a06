#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <utility>

namespace vidrune {

// Frame-sized memory that starts at zero. It comes from calloc rather than a vector because
// a large block fresh from the system is zero already and its pages are mapped only when
// first written: the images a window never draws into (the reduced ones at full size, an
// overlay without graphics) then cost neither a fill nor memory.
class PixelBuffer {
public:
    PixelBuffer() = default;
    // Throws std::bad_alloc when the memory is not there.
    explicit PixelBuffer(size_t size);
    PixelBuffer(PixelBuffer&& other) noexcept
        : bytes_(std::move(other.bytes_)), size_(std::exchange(other.size_, 0)) {}
    PixelBuffer& operator=(PixelBuffer&& other) noexcept {
        bytes_ = std::move(other.bytes_);
        size_ = std::exchange(other.size_, 0);
        return *this;
    }

    uint8_t* data() { return bytes_.get(); }
    const uint8_t* data() const { return bytes_.get(); }
    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    uint8_t& operator[](size_t at) { return bytes_[at]; }
    uint8_t operator[](size_t at) const { return bytes_[at]; }

    void Zero();
    // Gives the memory back; the buffer is empty afterwards.
    void Free();

private:
    struct CFree {
        void operator()(uint8_t* bytes) const { std::free(bytes); }
    };

    std::unique_ptr<uint8_t[], CFree> bytes_;
    size_t size_ = 0;
};

} // namespace vidrune
