#include "board/GrabBufferRing.h"

namespace vidrune {

GrabBuffer::~GrabBuffer() {
    frameEvent.reset();
    if (FgIsLiveHandle(buffer, FG_KIND_BUFFER))
        FgBufferFree(buffer);
}

void GrabBufferRing::Append(std::unique_ptr<GrabBuffer> buffer) {
    GrabBuffer* raw = buffer.get();
    if (count_ == 0)
        head_ = raw;
    else
        slots_[static_cast<size_t>(count_ - 1)]->next = raw;
    slots_[static_cast<size_t>(count_)] = std::move(buffer);
    ++count_;
}

void GrabBufferRing::Close() {
    if (count_ > 0)
        slots_[static_cast<size_t>(count_ - 1)]->next = head_;
}

void GrabBufferRing::Reset() {
    last_ = head_;
    current_ = head_;
    for (int32_t i = 0; i < count_; ++i) {
        GrabBuffer& slot = *slots_[static_cast<size_t>(i)];
        slot.frameEvent->Reset();
        slot.armCount = 0;
        ++slot.fills;
        slot.frameNumber = GrabBuffer::kNoFrame;
        slot.takenFrame = GrabBuffer::kNoFrame;
    }
}

void GrabBufferRing::Retire() {
    retired_ = true;
    for (int32_t i = 0; i < count_; ++i)
        slots_[static_cast<size_t>(i)]->frameEvent->Set();
}

} // namespace vidrune
