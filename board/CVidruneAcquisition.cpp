// Starting and stopping acquisitions, the grab and live threads, and reading frames.
#include "board/CVidrune.h"
#include "board/PixelConverter.h"
#include "platform/Clock.h"
#include "platform/Diagnostics.h"
#include "platform/Event.h"
#include "platform/ProcessPriority.h"
#include "platform/Thread.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace vidrune {

namespace {

using platform::Clock;
using platform::kInfinite;

constexpr uint32_t kIdleBeforeStartMs = 2000;
constexpr uint32_t kStopNormalMs = 2000;
constexpr uint32_t kLiveStartMs = 1000;
constexpr uint32_t kLiveStopMs = 1000;
constexpr uint32_t kCameraSignalMs = 2000;
constexpr uint32_t kLivePeriodMs = 50;
constexpr uint32_t kFirstLiveFrameMs = 100;
constexpr uint32_t kDefaultFrameWaitMs = 1000;
constexpr uint32_t kLongestTransfer = 65535;
constexpr uint32_t kTriggeredMode = 8;

uint32_t ClampToWait(double milliseconds) {
    // kInfinite itself would wait for ever.
    return static_cast<uint32_t>(std::clamp(milliseconds, 0.0, double{kInfinite - 1}));
}

} // namespace

double CVidrune::EffectiveRate() const {
    // Without a rate the acquisition is timed as if the camera gave one frame a second.
    return frameRate_ > 0.0 ? frameRate_ : 1.0;
}

int32_t CVidrune::FramesPerKept() const {
    // The kept frame and one discard entry for each whole or part frame beyond it, so that
    // a fractional skip (2.5 keeps one frame in three) asks the board for the frames the
    // list consumes. The skip is at most 1000.
    return frameSkip_ > 1.0 ? static_cast<int32_t>(std::ceil(frameSkip_ - 1.0)) + 1 : 1;
}

int CVidrune::AcquireStart(const void* request) {
    const auto& acquire = *static_cast<const AcquireRequest*>(request);
    switch (acquire.kind) {
    case VIDRUNE_ACQUIRE_NORMAL:
        AcqInputDeviceSet("NORM MODE", nullptr, 1);
        return StartNormalAcquisition(acquire);
    case VIDRUNE_ACQUIRE_CONTINUOUS:
        AcqInputDeviceSet("CONT MODE", nullptr, 1);
        return StartContinuousAcquisition();
    default:
        acquisitionState_ = kFault;
        SetLastError(26);
        return 0;
    }
}

bool CVidrune::WaitForCameraSignal() {
    uint32_t kind = 0;
    RecordFgStatus(FgAcqGetPrm(acquisition_, FG_ACQ_PRM_BOARD_KIND, &kind));
    if (kind != 1)
        return true;
    // Bounded: a board without camera signal must not hang the host.
    const uint32_t start = Clock::TickCount();
    for (;;) {
        uint32_t status = 0;
        RecordFgStatus(FgAcqGetPrm(acquisition_, FG_ACQ_PRM_STATUS, &status));
        if (status & FG_ACQ_STATUS_READY)
            return true;
        if (Clock::TickCount() - start >= kCameraSignalMs)
            return false;
        Clock::Sleep(1);
    }
}

int CVidrune::StartNormalAcquisition(const AcquireRequest& request) {
    SetLastError(0);
    if (!GetReadyFlag()) {
        SetLastError(7);
        return 0;
    }
    AcquireStop();
    if (!idleEvent_->Wait(kIdleBeforeStartMs)) {
        SetLastError(5);
        platform::Diagnostics::DebugText("Timeout waiting for end of previous acquisition\n");
        return 0;
    }
    // A stopped earlier acquisition leaves its own code behind; it is not this start's.
    SetLastError(0);
    const int32_t count = request.frameCount;
    if (count < 1 || (request.waitFlag != 0 && count > ring_->Count())) {
        SetLastError(12);
        return 0;
    }
    requestedCount_ = count;
    // The display must be done with the buffers the board is about to refill.
    if (display_)
        display_->Quiesce();
    if (!ResetGrabBufferRing())
        return 0;

    idleEvent_->Reset();
    const int64_t cameraFrames = int64_t{FramesPerKept()} * (count - 1) + 1;
    RecordFgStatus(FgAcqSetPrm(acquisition_, FG_ACQ_PRM_FRAME_COUNT,
                               static_cast<uint32_t>(std::min<int64_t>(cameraFrames, kInfinite))));
    doneCount_ = 0;
    missedFrame_ = 0;
    complete_ = 0;
    doneEvent_->Reset();
    startedEvent_->Reset();
    if (!WaitForCameraSignal()) {
        idleEvent_->Set();
        SetLastError(16);
        return 0;
    }
    // The grab thread sets the state back to idle when it ends, so set it before go.
    if (request.waitFlag == 0)
        acquisitionState_ = kNormal;
    goEvent_->Set();
    startedEvent_->Wait(kInfinite);
    if (request.waitFlag != 0)
        idleEvent_->Wait(kInfinite);
    return GetLastError() == 0 ? 1 : 0;
}

void CVidrune::GrabThreadProc() {
    for (;;) {
        goEvent_->Wait(kInfinite);
        if (exitEvent_->Wait(0))
            return;
        RunNormalAcquisition();
        acquisitionState_ = kIdle;
        goEvent_->Reset();
        idleEvent_->Set();
    }
}

void CVidrune::RunNormalAcquisition() {
    const uint32_t priority = platform::ProcessPriority::GetClass();
    platform::ProcessPriority::SetClass(platform::ProcessPriority::kHigh);

    previousStamp_ = 0;
    const int32_t count = requestedCount_;
    const int32_t skip = FramesPerKept();
    const double rate = EffectiveRate();
    const double expectedMs = std::trunc(static_cast<double>(count) * skip / rate * 1000.0);
    const uint32_t timeout = ClampToWait(expectedMs + std::trunc(expectedMs / 7) + 1000.0);
    const int64_t length = int64_t{count - 1} * skip + 1;
    if (frameRate_ >= 1.0) {
        gapLimit_ =
            static_cast<uint32_t>(int64_t{skip} * 1500000 / static_cast<int64_t>(frameRate_));
    } else if (frameRate_ > 0.0) {
        // Below one frame a second the limit comes from the real rate.
        gapLimit_ = ClampToWait(skip * 1500000.0 / frameRate_);
    } else {
        gapLimit_ = std::numeric_limits<uint32_t>::max(); // no rate known: no gap test
    }

    GrabBuffer* current = ring_->Current();
    // A transfer that ended a moment ago may still be winding down.
    FgXferAbort(transfer_);
    FgXferSelect(transfer_, acquisition_, current->buffer, 0);
    current->armCount = 1;
    uint32_t triggerMode = 0;
    RecordFgStatus(FgAcqGetPrm(acquisition_, FG_ACQ_PRM_TRIGGER_MODE, &triggerMode));
    const bool counted = triggerMode == kTriggeredMode || length <= kLongestTransfer;
    RecordFgStatus(
        FgXferStart(transfer_, counted ? static_cast<uint32_t>(length) : FG_XFER_ENDLESS));

    startedEvent_->Set();
    const bool done = doneEvent_->Wait(timeout);
    platform::ProcessPriority::SetClass(priority);
    if (!complete_) {
        SetLastError(done ? 19 : 16);
        FgXferAbort(transfer_);
    } else if (!counted) {
        // An endless transfer would go on filling the ring after the last frame.
        FgXferAbort(transfer_);
    }
}

int CVidrune::StartContinuousAcquisition() {
    SetLastError(0);
    if (!GetReadyFlag())
        SetLastError(7);
    // A stopped earlier acquisition leaves its own code behind; it is not this start's.
    if (AcquireStop() && GetReadyFlag())
        SetLastError(0);
    if (GetLastError() == 0) {
        acquisitionState_ = kContinuous;
        liveStopEvent_->Reset();
        liveStartedEvent_->Reset();
        if (display_)
            display_->Quiesce();
        ResetGrabBufferRing();
        liveThread_ = std::make_unique<platform::Thread>([this] { LiveThreadProc(); });
        liveStartedEvent_->Wait(kLiveStartMs);
        // The display switches to continuous update once the first frame is in, here on the
        // host's thread, so that the device's attributes are only changed by host calls.
        ring_->Slot(0)->frameEvent->Wait(kFirstLiveFrameMs);
        SetDisplayModeAttr(4);
        if (display_)
            display_->ResumeUpdate(frameDesc_);
    }
    return GetLastError() == 0 ? 1 : 0;
}

void CVidrune::ConvertForDisplay(GrabBuffer* buffer) {
    if (buffer == nullptr || !displayFrameBuffer_)
        return;
    PixelConverter::ExtractRegion(buffer->data, static_cast<uint32_t>(width_.load()),
                                  bytesPerPixel_, 0, 0, static_cast<uint32_t>(frameWidth_.load()),
                                  static_cast<uint32_t>(frameHeight_.load()),
                                  static_cast<uint32_t>(xScale_.load()),
                                  static_cast<uint32_t>(yScale_.load()), displayFrameBuffer_.get());
}

void CVidrune::LiveThreadProc() {
    FgXferAbort(transfer_);
    GrabBuffer* first = ring_->Slot(0);
    RecordFgStatus(FgXferSelect(transfer_, acquisition_, first->buffer, 0));
    RecordFgStatus(FgXferStart(transfer_, FG_XFER_ENDLESS));
    liveStartedEvent_->Set();
    first->frameEvent->Wait(kFirstLiveFrameMs);

    bool stop = liveStopEvent_->Wait(kLivePeriodMs);
    while (!stop) {
        const uint32_t start = Clock::TickCount();
        ConvertForDisplay(ring_->Last());
        ++liveConversions_;
        const uint32_t took = Clock::TickCount() - start;
        stop = liveStopEvent_->Wait(took <= kLivePeriodMs ? kLivePeriodMs - took : 1);
    }
    RecordFgStatus(FgXferAbort(transfer_));
}

int CVidrune::AcquireStop() {
    int result = 0;
    switch (acquisitionState_) {
    case kIdle:
        return 1;
    case kNormal:
        result = StopNormalAcquisition();
        break;
    case kContinuous:
        result = StopContinuousAcquisition();
        break;
    default:
        SetLastError(12);
        acquisitionState_ = kFault;
        return 0;
    }
    if (!result) {
        acquisitionState_ = kFault;
        return 0;
    }
    acquisitionState_ = kIdle;
    return result;
}

int CVidrune::StopNormalAcquisition() {
    if (!GetReadyFlag())
        SetLastError(7);
    doneEvent_->Set();
    return idleEvent_->Wait(kStopNormalMs) ? 1 : 0;
}

int CVidrune::StopContinuousAcquisition() {
    if (!GetReadyFlag())
        SetLastError(7);
    liveStopEvent_->Set();
    if (liveThread_) {
        liveThread_->Join(kLiveStopMs);
        liveThread_.reset();
    }
    SetDisplayModeAttr(1);
    if (display_)
        display_->ClearImage();
    TakeFgError();
    return 1;
}

int CVidrune::WaitGrabBuffer(GrabBuffer* buffer, int32_t timeoutMs) {
    const uint32_t wait = timeoutMs == 0 ? kDefaultFrameWaitMs : static_cast<uint32_t>(timeoutMs);
    return buffer->frameEvent->Wait(wait) ? 1 : 0;
}

bool CVidrune::RegionInsideFrame(const ReadRequest& request) const {
    const bool rotated = GetRotationFlag() != 0;
    const uint64_t frameWidth = static_cast<uint64_t>(rotated ? frameHeight_ : frameWidth_);
    const uint64_t frameHeight = static_cast<uint64_t>(rotated ? frameWidth_ : frameHeight_);
    return uint64_t{request.x} + request.width <= frameWidth &&
           uint64_t{request.y} + request.height <= frameHeight;
}

int CVidrune::ReadDevice(void* request) {
    auto& host = *static_cast<ReadRequest*>(request);
    // The live display's reads never touch the host's last error.
    const bool live = host.liveDisplay == 1;
    auto fail = [&](uint32_t code) {
        if (!live)
            SetLastError(code);
        return 0;
    };
    if (!GetReadyFlag())
        return fail(7);
    if (host.timeoutMs < 0)
        return fail(12);
    if (!live)
        SetLastError(0);

    const bool rotate = GetRotationFlag() != 0;
    const bool flip = flipFlag_ != 0;
    // A pointer into the board's buffer can be neither turned nor flipped.
    if ((rotate || flip) && host.copyFlag != 1)
        return fail(12);
    if (host.kind >= VIDRUNE_READ_CURRENT && host.kind <= VIDRUNE_READ_LATEST &&
        !RegionInsideFrame(host))
        return fail(12);

    ReadRequest turned = host;
    ReadRequest* work = &host;
    ScratchImage& scratch = live ? liveScratch_ : scratch_;
    if (rotate || flip) {
        work = &turned;
        if (rotate) {
            turned.x = host.y;
            turned.y = static_cast<uint32_t>(frameHeight_) - host.x - host.width;
            turned.width = host.height;
            turned.height = host.width;
        } else {
            turned.y = static_cast<uint32_t>(frameHeight_) - host.height - host.y;
        }
        scratch.SetBytesPerPixel(bytesPerPixel_);
        if (scratch.Ensure(turned.width, turned.height) != 0)
            return 0;
        turned.data = scratch.Data();
    }

    uint32_t error = 0;
    const int result = ReadByKind(*work, error);
    if (!live && error != 0)
        SetLastError(error);
    if (result) {
        if (rotate)
            PixelConverter::RotateClockwise(scratch.Data(), host.data,
                                            static_cast<int32_t>(host.width),
                                            static_cast<int32_t>(host.height), bytesPerPixel_);
        else if (flip)
            PixelConverter::FlipRows(scratch.Data(), host.data, static_cast<int32_t>(host.width),
                                     static_cast<int32_t>(host.height), bytesPerPixel_);
    }
    return result;
}

int CVidrune::ReadByKind(ReadRequest& request, uint32_t& error) {
    switch (request.kind) {
    case 1:
        return 0;
    case VIDRUNE_READ_CURRENT:
        return ReadCurrentFrame(request, error);
    case VIDRUNE_READ_BY_INDEX:
        if (request.index < 0) {
            error = 12;
            return 0;
        }
        return ReadFrameByIndex(request, error);
    case VIDRUNE_READ_LATEST:
        return ReadLatestFrame(request, error);
    default:
        error = 26;
        return 0;
    }
}

void CVidrune::Deliver(GrabBuffer* buffer, ReadRequest& request, uint32_t xs, uint32_t ys) {
    if (request.copyFlag == 1)
        PixelConverter::ExtractRegion(buffer->data, static_cast<uint32_t>(width_.load()),
                                      bytesPerPixel_, request.x, request.y, request.width,
                                      request.height, xs, ys, request.data);
    else
        request.data = buffer->data;
}

int CVidrune::FinishRead(uint32_t error) {
    if (TakeFgError())
        return 0;
    return error == 0 ? 1 : 0;
}

int CVidrune::ReadCurrentFrame(ReadRequest& request, uint32_t& error) {
    GrabBuffer* buffer = ring_->Current();
    if (buffer == nullptr || !WaitGrabBuffer(buffer, request.timeoutMs))
        error = 16;
    else
        Deliver(buffer, request, static_cast<uint32_t>(xScale_.load()),
                static_cast<uint32_t>(yScale_.load()));
    return FinishRead(error);
}

int CVidrune::ReadFrameByIndex(ReadRequest& request, uint32_t& error) {
    const int32_t index = request.index;
    const int32_t count = ring_->Count();
    if (count == 0 || index < doneCount_ - count) {
        error = 17;
        return FinishRead(error);
    }
    GrabBuffer* buffer = ring_->Slot(index % count);
    if (display_ && index % count == 1) {
        ConvertForDisplay(ring_->Slot(0));
        display_->NewFrame(frameDesc_);
    }
    const int ok = WaitGrabBuffer(buffer, request.timeoutMs);
    if (display_ && requestedCount_ == 1) {
        ConvertForDisplay(ring_->Slot(0));
        display_->NewFrame(frameDesc_);
    }
    if (ok) {
        Deliver(buffer, request, static_cast<uint32_t>(xScale_.load()),
                static_cast<uint32_t>(yScale_.load()));
        // The blank test looks at two bytes near the region's middle, inside the buffer.
        const uint64_t bytes = uint64_t{buffer->width} * buffer->height * bytesPerPixel_;
        uint64_t offset = uint64_t{static_cast<uint32_t>(width_.load())} * request.y + request.x +
                          uint64_t{request.width} * request.height / 2;
        offset = std::min(offset, bytes >= 2 ? bytes - 2 : 0);
        if (bytes >= 2 && buffer->data[offset] == 0 && buffer->data[offset + 1] == 0)
            error = 18;
        if (--buffer->armCount != 0) {
            error = 17;
            buffer->armCount = 0;
        }
        if (missedFrame_)
            error = 21;
    } else {
        error = 16;
    }
    if (request.liveDisplay != 1)
        buffer->frameEvent->Reset();
    return FinishRead(error);
}

int CVidrune::ReadLatestFrame(ReadRequest& request, uint32_t& error) {
    GrabBuffer* buffer = ring_->Last();
    if (buffer == nullptr) {
        error = 16;
        return FinishRead(error);
    }
    const bool openScales = request.liveDisplay == 1 && request.currentScale == 0;
    Deliver(buffer, request, static_cast<uint32_t>(openScales ? xScaleOpen_ : xScale_),
            static_cast<uint32_t>(openScales ? yScaleOpen_ : yScale_));
    return FinishRead(error);
}

} // namespace vidrune
