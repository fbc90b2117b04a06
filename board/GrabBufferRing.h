#pragma once

#include "fgcore.h"
#include "platform/Event.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>

namespace vidrune {

// One slot of the ring: a DMA buffer of the board, its frame event and arm count. The slot
// gives its library buffer back when it is destroyed, so a reader that still holds the ring
// never meets freed pixel memory.
struct GrabBuffer {
    GrabBuffer() = default;
    ~GrabBuffer();
    GrabBuffer(const GrabBuffer&) = delete;
    GrabBuffer& operator=(const GrabBuffer&) = delete;

    static constexpr int64_t kNoFrame = -1;

    FgHandle buffer = 0;
    // How often the buffer was made the transfer's target since a reader took its frame:
    // 0 idle, 1 armed, 2 or more overwritten before it was read.
    std::atomic<int32_t> armCount{0};
    // The number of the frame the buffer holds (within the acquisition for counted ones,
    // since the start for continuous ones); kNoFrame until one lands. Stored before the frame
    // event is signalled.
    std::atomic<int64_t> frameNumber{kNoFrame};
    // Counts every frame that lands in the buffer and every reset of it. Frame numbers
    // start again with each acquisition, so only this tells a reader that a copy overlapped
    // a refill of the buffer.
    std::atomic<uint64_t> fills{0};
    // The frame a host last read from the buffer by index: each frame is taken once.
    std::atomic<int64_t> takenFrame{kNoFrame};
    uint32_t width = 0;
    uint32_t height = 0;
    // Signalled when the buffer has been filled.
    std::unique_ptr<platform::Event> frameEvent;
    uint8_t* data = nullptr;
    GrabBuffer* next = nullptr;
};

// The ring of frame buffers the transfer fills. The transfer callback moves current and
// last while readers take them, so both are atomics. Readers share ownership of a ring: a
// rebuild retires the old one (waking whoever waits on it) and builds another.
class GrabBufferRing {
public:
    static constexpr int32_t kCapacity = 20;

    GrabBufferRing() = default;
    GrabBufferRing(const GrabBufferRing&) = delete;
    GrabBufferRing& operator=(const GrabBufferRing&) = delete;

    int32_t Count() const { return count_; }
    GrabBuffer* Head() const { return head_; }
    GrabBuffer* Slot(int32_t i) const { return slots_[static_cast<size_t>(i)].get(); }
    GrabBuffer* Current() const { return current_.load(); }
    GrabBuffer* Last() const { return last_.load(); }
    void SetCurrent(GrabBuffer* buffer) { current_.store(buffer); }
    void SetLast(GrabBuffer* buffer) { last_.store(buffer); }

    // Takes ownership of the buffer as the next slot, linked after the previous one.
    void Append(std::unique_ptr<GrabBuffer> buffer);
    // The last buffer's next becomes the head.
    void Close();
    // Back to the state before a new acquisition: last and current at the head, every slot
    // idle and empty.
    void Reset();
    // The ring is no longer filled: frame waits on it end at once.
    void Retire();
    bool Retired() const { return retired_.load(); }

private:
    int32_t count_ = 0;
    std::atomic<GrabBuffer*> last_{nullptr};
    std::atomic<GrabBuffer*> current_{nullptr};
    std::array<std::unique_ptr<GrabBuffer>, kCapacity> slots_;
    GrabBuffer* head_ = nullptr;
    std::atomic<bool> retired_{false};
};

} // namespace vidrune
