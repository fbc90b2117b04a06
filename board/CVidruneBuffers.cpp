// The ring of frame buffers, the discard buffer, the display frame buffer, the transfer
// into them and its end-of-frame callback.
#include "board/CVidrune.h"
#include "platform/Diagnostics.h"
#include "platform/Event.h"

#include <new>

namespace vidrune {

namespace {

constexpr uint32_t kFrameCallbackEvent = FG_EVENT_END_OF_TRANSFER;

} // namespace

void CVidrune::ClearGrabBufferRing() {
    if (ring_)
        ring_->Clear();
}

int CVidrune::BuildGrabBuffers(uint32_t width, uint32_t height) {
    SetLastError(0);
    if (!GetOpenFlag()) {
        SetLastError(6);
        return 0;
    }
    if (!ring_)
        ring_ = std::make_unique<GrabBufferRing>();
    ring_->Clear();
    bool built = true;
    for (int32_t i = 0; i < grabBufferCount_ && built; ++i) {
        std::unique_ptr<GrabBuffer> buffer = CreateGrabBuffer(width, height);
        if (!buffer) {
            platform::Diagnostics::ShowMessage("DMA Memory Allocation Error", "Vorn");
            built = false;
        } else {
            ring_->Append(std::move(buffer));
        }
    }
    if (built) {
        RecordFgStatus(FgBufferNew(localServer_, width, height, pixelFormat_, FG_BUFFER_DISCARD,
                                   &discardBuffer_));
        const size_t bytes = size_t{bytesPerPixel_} * width * height;
        displayFrameBuffer_.reset(new (std::nothrow) uint8_t[bytes > 0 ? bytes : 1]);
        built = displayFrameBuffer_ != nullptr;
    }
    if (!built) {
        SetLastError(9);
        ReleaseGrabBuffers();
        return 0;
    }
    frameDesc_.image = displayFrameBuffer_.get();
    frameDesc_.frameWidth = static_cast<uint32_t>(frameWidth_.load());
    frameDesc_.frameHeight = static_cast<uint32_t>(frameHeight_.load());
    ring_->Close();
    return 1;
}

std::unique_ptr<GrabBuffer> CVidrune::CreateGrabBuffer(uint32_t width, uint32_t height) {
    if (!GetOpenFlag())
        return nullptr;
    SetLastError(0);
    std::unique_ptr<GrabBuffer> buffer(new (std::nothrow) GrabBuffer);
    if (!buffer) {
        SetLastError(8);
        return nullptr;
    }
    RecordFgStatus(
        FgBufferNew(localServer_, width, height, pixelFormat_, FG_BUFFER_RING, &buffer->buffer));
    if (TakeFgError()) {
        ReleaseGrabBuffer(std::move(buffer));
        return nullptr;
    }
    buffer->width = width;
    buffer->height = height;
    InitGrabBuffer(*buffer);
    if (GetLastError() != 0) {
        ReleaseGrabBuffer(std::move(buffer));
        return nullptr;
    }
    return buffer;
}

int CVidrune::InitGrabBuffer(GrabBuffer& buffer) {
    if (FgIsLiveHandle(buffer.buffer, FG_KIND_BUFFER)) {
        buffer.frameEvent.reset(new (std::nothrow)
                                    platform::Event(platform::Event::Mode::ManualReset));
        if (buffer.frameEvent) {
            uint64_t address = 0;
            RecordFgStatus(FgBufferGetPrm(buffer.buffer, FG_BUFFER_PRM_ADDRESS, &address));
            buffer.data = reinterpret_cast<uint8_t*>(static_cast<uintptr_t>(address));
            return 1;
        }
    }
    SetLastError(8);
    return 0;
}

void CVidrune::ReleaseGrabBuffer(std::unique_ptr<GrabBuffer> buffer) {
    if (!buffer)
        return;
    buffer->frameEvent.reset();
    if (FgIsLiveHandle(buffer->buffer, FG_KIND_BUFFER))
        RecordFgStatus(FgBufferFree(buffer->buffer));
    buffer->buffer = 0;
}

int CVidrune::ReleaseGrabBuffers() {
    if (ring_ && ring_->Head() != nullptr) {
        for (int32_t i = 0; i < ring_->Count(); ++i)
            ReleaseGrabBuffer(ring_->TakeSlot(i));
        if (FgIsLiveHandle(discardBuffer_, FG_KIND_BUFFER))
            RecordFgStatus(FgBufferFree(discardBuffer_));
        ring_->Clear();
    }
    discardBuffer_ = 0;
    displayFrameBuffer_.reset();
    frameDesc_.image = nullptr;
    scratch_.Free();
    liveScratch_.Free();
    return 1;
}

int CVidrune::ResetGrabBufferRing() {
    SetLastError(0);
    if (!ring_)
        return 1;
    GrabBuffer* head = ring_->Head();
    ring_->SetLast(head);
    ring_->SetCurrent(head);
    GrabBuffer* buffer = head;
    for (int32_t i = 0; i < ring_->Count() && buffer != nullptr; ++i) {
        buffer->frameEvent->Reset();
        buffer->armCount = 0;
        buffer = buffer->next;
    }
    return GetLastError() == 0 ? 1 : 0;
}

void CVidrune::FreeTransfer() {
    if (!FgIsLiveHandle(transfer_, FG_KIND_TRANSFER)) {
        transfer_ = 0;
        return;
    }
    RecordFgStatus(FgXferDisconnect(transfer_));
    RecordFgStatus(FgXferFree(transfer_));
    transfer_ = 0;
}

FgStatus CVidrune::AppendDiscardEntries() {
    // Skipped camera frames land in the one discard buffer: k - 1 entries for a skip of k.
    FgStatus failure = FG_OK;
    for (int32_t i = 1; i < FramesPerKept(); ++i) {
        const FgStatus status =
            RecordFgStatus(FgXferAppend(transfer_, acquisition_, discardBuffer_, 0));
        if (status != FG_OK)
            failure = status;
    }
    return failure;
}

int CVidrune::BuildTransfer() {
    FreeTransfer();
    if (!ring_ || ring_->Head() == nullptr) {
        RecordFgStatus(FG_ERR_PARAMETER);
        return 0;
    }
    // Every call is checked: a failed append must not hide behind a later success.
    FgStatus failure = FG_OK;
    auto keep = [&failure](FgStatus status) {
        if (status != FG_OK)
            failure = status;
    };
    keep(RecordFgStatus(
        FgXferNew(boardServer_, acquisition_, ring_->Head()->buffer, nullptr, &transfer_)));
    keep(AppendDiscardEntries());
    for (int32_t i = 1; i < ring_->Count(); ++i) {
        keep(RecordFgStatus(FgXferAppend(transfer_, acquisition_, ring_->Slot(i)->buffer, 0)));
        keep(AppendDiscardEntries());
    }
    for (int32_t i = 0; i < ring_->Count(); ++i) {
        FgXferSelect(transfer_, acquisition_, ring_->Slot(i)->buffer, 0);
        FgXferRegisterCallback(transfer_, kFrameCallbackEvent, &CVidrune::OnTransferEnd, this);
    }
    keep(RecordFgStatus(FgXferConnect(transfer_)));
    keep(RecordFgStatus(FgXferSetPrm(transfer_, FG_XFER_PRM_C, 0)));
    keep(RecordFgStatus(FgXferSetPrm(transfer_, FG_XFER_PRM_D, 2000)));
    RecordFgStatus(failure);
    return failure == FG_OK ? 1 : 0;
}

FgStatus CVidrune::OnTransferEnd(void* context, uint32_t, FgHandle) {
    static_cast<CVidrune*>(context)->HandleTransferEnd();
    return 0;
}

void CVidrune::HandleTransferEnd() {
    GrabBuffer* buffer = ring_->Current();
    if (buffer == nullptr)
        return;
    if (acquisitionState_ == kContinuous) {
        ring_->SetLast(buffer);
        ring_->SetCurrent(buffer->next);
        buffer->frameEvent->Set();
        return;
    }
    uint32_t stamp = 0;
    FgBufferGetPrm(buffer->buffer, FG_BUFFER_PRM_TIMESTAMP, &stamp);
    const uint32_t previous = previousStamp_;
    if (previous != 0 && stamp - previous > gapLimit_)
        missedFrame_ = 1;
    previousStamp_ = stamp;

    const int32_t done = ++doneCount_;
    if (done < requestedCount_) {
        GrabBuffer* next = buffer->next;
        ring_->SetCurrent(next);
        ++next->armCount;
        buffer->frameEvent->Set();
        return;
    }
    complete_ = 1;
    // The frame is marked filled before the acquisition ends, so that a start that waited
    // for the end finds every frame of it ready.
    buffer->frameEvent->Set();
    doneEvent_->Set();
}

} // namespace vidrune
