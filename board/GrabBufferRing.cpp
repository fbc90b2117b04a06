#include "board/GrabBufferRing.h"

namespace vidrune {

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

void GrabBufferRing::Clear() {
    for (auto& slot : slots_)
        slot.reset();
    count_ = 0;
    head_ = nullptr;
    last_ = nullptr;
    current_ = nullptr;
}

} // namespace vidrune
