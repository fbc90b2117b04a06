#pragma once

#include "FrameSource.h"
#include "Object.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace vidrune::fgsim {

// Pixel memory the board writes frames into, with the time stamp of the latest frame.
class Buffer : public Object {
public:
    // Null with the reason in status when the arguments or the memory do not allow it.
    static std::shared_ptr<Buffer> Create(uint32_t width, uint32_t height, uint32_t format,
                                          uint32_t type, FgStatus& status);

    FgObjectKind Kind() const override { return FG_KIND_BUFFER; }

    uint8_t* Data() const { return reinterpret_cast<uint8_t*>(pixels_.get()); }
    FrameTarget Target() const { return {Data(), width_, height_, bytesPerPixel_}; }
    uint32_t TimeStamp() const { return timeStamp_.load(std::memory_order_acquire); }
    void Stamp(uint32_t value) { timeStamp_.store(value, std::memory_order_release); }
    size_t ByteSize() const { return size_t{width_} * height_ * bytesPerPixel_; }

    static constexpr uint64_t kMaxBytes = uint64_t{1} << 30;

private:
    struct FreePixels {
        void operator()(uint16_t* pixels) const { std::free(pixels); }
    };
    using Pixels = std::unique_ptr<uint16_t[], FreePixels>;

    Buffer(uint32_t width, uint32_t height, uint32_t bytesPerPixel, Pixels pixels);

    uint32_t width_;
    uint32_t height_;
    uint32_t bytesPerPixel_;
    // Held as 16-bit words so that 16-bit pixels are aligned; from calloc, so the pages of a
    // large buffer are zero without being touched until a frame arrives.
    Pixels pixels_;
    std::atomic<uint32_t> timeStamp_{0};
};

} // namespace vidrune::fgsim
