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
    ring_ = std::make_shared<GrabBufferRing>();
}

int CVidrune::BuildGrabBuffers(uint32_t width, uint32_t height) {
    SetLastError(0);
    if (!GetOpenFlag()) {
        SetLastError(6);
        return 0;
    }
    // A new ring each time: readers may still hold the previous one.
    ring_ = std::make_shared<GrabBufferRing>();
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
        displayFrameBuffer_ =
            std::shared_ptr<uint8_t[]>(new (std::nothrow) uint8_t[bytes > 0 ? bytes : 1]);
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
    if (TakeFgError())
        return nullptr; // the record gives back whatever it holds
    buffer->width = width;
    buffer->height = height;
    // Decided by this call's own results, not by reading the last error back: reads on
    // other host threads set that code at any moment.
    if (!InitGrabBuffer(*buffer))
        return nullptr;
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
            // A buffer whose memory the library does not give has no frame to hand out:
            // taken for a whole one, every read of it would start at address 0.
            if (!TakeFgError() && buffer.data != nullptr)
                return 1;
        }
    }
    SetLastError(8);
    return 0;
}

int CVidrune::ReleaseGrabBuffers() {
    {
        // From here on no read starts on these buffers; reads under way finish on them (a
        // frame wait ends at once) and the last one gives them back to the library.
        std::lock_guard lock(geometryMutex_);
        geometry_.reset();
    }
    if (ring_ && ring_->Head() != nullptr) {
        ring_->Retire();
        ring_ = std::make_shared<GrabBufferRing>();
        if (FgIsLiveHandle(discardBuffer_, FG_KIND_BUFFER))
            RecordFgStatus(FgBufferFree(discardBuffer_));
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
    // No frame of an earlier acquisition can be read by index any more.
    requestedCount_ = 0;
    doneCount_ = 0;
    liveFrames_ = 0;
    if (ring_)
        ring_->Reset();
    // Nothing here can fail; the last error, which another thread's read may have set by
    // now, is no measure of it.
    return 1;
}

std::shared_ptr<const FrameGeometry> CVidrune::Geometry() const {
    std::lock_guard lock(geometryMutex_);
    return geometry_;
}

void CVidrune::PublishGeometry() {
    if (!ring_ || ring_->Count() == 0)
        return; // nothing to read until buffers are built
    auto geometry = std::make_shared<FrameGeometry>();
    geometry->ring = ring_;
    // Whole frames are copied for the display only when one is open that needs them.
    if (display_ && !display_->ReadsOwnFrames())
        geometry->displayFrame = displayFrameBuffer_;
    // The buffers' own size: a set that failed half-way may have left other sizes behind.
    geometry->rowWidth = ring_->Head()->width;
    geometry->rowCount = ring_->Head()->height;
    geometry->bytesPerPixel = bytesPerPixel_;
    geometry->xScale = static_cast<uint32_t>(xScale_.load());
    geometry->yScale = static_cast<uint32_t>(yScale_.load());
    geometry->xScaleDisplay = static_cast<uint32_t>(xScaleOpen_.load());
    geometry->yScaleDisplay = static_cast<uint32_t>(yScaleOpen_.load());
    geometry->rotate = GetRotationFlag() != 0;
    geometry->flip = flipFlag_ != 0;
    std::lock_guard lock(geometryMutex_);
    geometry_ = std::move(geometry);
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
    const int32_t entries = FramesPerKept() - 1;
    for (int32_t i = 0; i < entries; ++i) {
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
        keep(RecordFgStatus(FgXferSelect(transfer_, acquisition_, ring_->Slot(i)->buffer, 0)));
        // Without its callback no frame of this buffer would ever be announced.
        keep(RecordFgStatus(FgXferRegisterCallback(transfer_, kFrameCallbackEvent,
                                                   &CVidrune::OnTransferEnd, this)));
    }
    keep(RecordFgStatus(FgXferConnect(transfer_)));
    keep(RecordFgStatus(FgXferSetPrm(transfer_, FG_XFER_PRM_C, 0)));
    keep(RecordFgStatus(FgXferSetPrm(transfer_, FG_XFER_PRM_D, 2000)));
    if (failure != FG_OK)
        FreeTransfer(); // no start may run on a transfer built half-way
    RecordFgStatus(failure);
    return failure == FG_OK ? 1 : 0;
}

FgStatus CVidrune::OnTransferEnd(void* context, uint32_t, FgHandle) {
    static_cast<CVidrune*>(context)->HandleTransferEnd();
    return 0;
}

void CVidrune::HandleTransferEnd() {
    GrabBuffer* buffer = ring_ ? ring_->Current() : nullptr;
    if (buffer == nullptr)
        return;
    ++buffer->fills;
    if (acquisitionState_ == kContinuous) {
        buffer->frameNumber = liveFrames_++;
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
    buffer->frameNumber = done - 1;
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
