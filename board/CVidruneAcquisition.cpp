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
#include <functional>
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
constexpr uint32_t kFrameRecheckMs = 50;
constexpr int kNewestAttempts = 3;
constexpr uint32_t kLongestTransfer = 65535;
constexpr uint32_t kTriggeredMode = 8;

uint32_t ClampToWait(double milliseconds) {
    if (!(milliseconds > 0.0)) // NaN as well
        return 0;
    // kInfinite itself would wait for ever.
    return static_cast<uint32_t>(std::min(milliseconds, double{kInfinite - 1}));
}

// Rates beyond any camera give a gap limit of 0 by the integer formula; held below the
// range of int64_t so that the conversion stays defined.
constexpr double kMaxIntegerRate = 1e15;

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
    const std::lock_guard control(controlMutex_);
    const auto& acquire = *static_cast<const AcquireRequest*>(request);
    switch (acquire.kind) {
    case VIDRUNE_ACQUIRE_NORMAL:
        AcqInputDeviceSet("NORM MODE", nullptr, 1);
        return StartNormalAcquisition(acquire);
    case VIDRUNE_ACQUIRE_CONTINUOUS:
        AcqInputDeviceSet("CONT MODE", nullptr, 1);
        return StartContinuousAcquisition();
    default:
        // Refused before anything changes: an unknown kind must not wedge the device.
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
    // The ready flag can be set through the device table; buffers and a grab thread are
    // what a start really needs.
    if (!GetReadyFlag() || !startedFlag_ || !Geometry() || transfer_ == 0) {
        SetLastError(7);
        return 0;
    }
    const bool stopped = AcquireStop() != 0;
    if (!idleEvent_->Wait(kIdleBeforeStartMs)) {
        SetLastError(5);
        platform::Diagnostics::DebugText("Timeout waiting for end of previous acquisition\n");
        return 0;
    }
    if (!stopped && transferLeftRunning_)
        return 0; // its 5 stays: the board goes on filling the ring
    // A stopped earlier acquisition leaves its own code behind; it is not this start's.
    SetLastError(0);
    const int32_t count = request.frameCount;
    if (count < 1 || (request.waitFlag != 0 && count > ring_->Count())) {
        SetLastError(12);
        return 0;
    }
    // The display must be done with the buffers the board is about to refill.
    if (display_)
        display_->Quiesce();
    if (!ResetGrabBufferRing())
        return 0;
    requestedCount_ = count;

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
    if (transferRefused_) {
        // The grab thread ends the acquisition at once with 16, instead of waiting out its
        // time for frames that cannot come.
        idleEvent_->Wait(kInfinite);
        return 0;
    }
    if (request.waitFlag == 0)
        return 1;
    idleEvent_->Wait(kInfinite);
    // The grab thread's own verdict: the last error may since have been set by a read on
    // another thread.
    return complete_ != 0 ? 1 : 0;
}

void CVidrune::GrabThreadProc(ThreadLink& link, const GrabEvents& events) {
    for (;;) {
        events.go->Wait(kInfinite);
        if (events.exit->Wait(0) || !RunNormalAcquisition(link, events))
            return;
        const auto hold = link.Hold();
        if (!link.Attached(hold))
            return;
        acquisitionState_ = kIdle;
        events.go->Reset();
        events.idle->Set();
        // An end asked for while the acquisition finished had its go reset just now.
        if (events.exit->Wait(0))
            return;
    }
}

void CVidrune::UpdateGapLimit(int32_t skip, bool triggered) {
    if (triggered || frameRate_ <= 0.0) {
        // Triggered frames come when triggered, and without a rate nothing is expected.
        gapLimit_ = std::numeric_limits<uint32_t>::max();
    } else if (frameRate_ >= 1.0) {
        gapLimit_ = static_cast<uint32_t>(
            int64_t{skip} * 1500000 / static_cast<int64_t>(std::min(frameRate_, kMaxIntegerRate)));
    } else {
        // Below one frame a second the limit comes from the real rate.
        gapLimit_ = ClampToWait(skip * 1500000.0 / frameRate_);
    }
}

bool CVidrune::RunNormalAcquisition(ThreadLink& link, const GrabEvents& events) {
    // The device is touched only while the link is held; library calls and waits, which
    // can hold the thread up, run without it on copies of what they need.
    auto hold = link.Hold();
    if (!link.Attached(hold))
        return false;
    const uint32_t priority = platform::ProcessPriority::GetClass();
    platform::ProcessPriority::SetClass(platform::ProcessPriority::kHigh);
    previousStamp_ = 0;
    const int32_t count = requestedCount_;
    const int32_t skip = FramesPerKept();
    const double rate = EffectiveRate();
    const double expectedMs = std::trunc(static_cast<double>(count) * skip / rate * 1000.0);
    const uint32_t timeout = ClampToWait(expectedMs + std::trunc(expectedMs / 7) + 1000.0);
    const int64_t length = int64_t{count - 1} * skip + 1;
    const FgHandle transfer = transfer_;
    const FgHandle acquisition = acquisition_;
    const std::shared_ptr<GrabBufferRing> ring = ring_;
    hold.unlock();

    uint32_t triggerMode = 0;
    RecordFgStatus(FgAcqGetPrm(acquisition, FG_ACQ_PRM_TRIGGER_MODE, &triggerMode));
    const bool triggered = triggerMode == kTriggeredMode;
    const bool counted = triggered || length <= kLongestTransfer;
    GrabBuffer* current = ring->Current();
    // A transfer that ended a moment ago may still be winding down.
    FgXferAbort(transfer);
    // Frames are announced for the ring's current buffer: a transfer that starts filling
    // another one would hand the host the wrong pixels.
    const bool selected =
        RecordFgStatus(FgXferSelect(transfer, acquisition, current->buffer, 0)) == FG_OK;
    current->armCount = 1;
    hold.lock();
    if (!link.Attached(hold))
        return false;
    UpdateGapLimit(skip, triggered);
    hold.unlock();
    const bool running =
        selected && RecordFgStatus(FgXferStart(transfer, counted ? static_cast<uint32_t>(length)
                                                                 : FG_XFER_ENDLESS)) == FG_OK;
    hold.lock();
    if (!link.Attached(hold))
        return false;
    transferRefused_ = !running;
    hold.unlock();

    events.started->Set();
    const bool done = running && events.done->Wait(timeout);
    platform::ProcessPriority::SetClass(priority);
    hold.lock();
    if (!link.Attached(hold))
        return false;
    const bool complete = complete_ != 0;
    if (!complete)
        SetLastError(done ? 19 : 16);
    hold.unlock();
    // Also after the last frame: its end callback may still be running (a stop can wake
    // this thread after the callback marked the acquisition complete but before it set
    // its events), and the abort waits for it. Its events would otherwise land in the next
    // acquisition. An endless transfer would go on filling the ring as well.
    const bool aborted = FgXferAbort(transfer) == FG_OK;
    hold.lock();
    if (!link.Attached(hold))
        return false;
    if (!aborted)
        transferLeftRunning_ = true;
    return true;
}

int CVidrune::StartContinuousAcquisition() {
    SetLastError(0);
    // The outcome is kept here: reads on other host threads may set the last error at
    // any moment, so reading it back would not tell this start's own result.
    const bool ready = GetReadyFlag() && startedFlag_ && Geometry() && transfer_ != 0;
    if (!ready)
        SetLastError(7);
    const bool stopped = AcquireStop() != 0;
    // A stopped earlier acquisition leaves its own code behind; it is not this start's.
    if (stopped && ready)
        SetLastError(0);
    const bool started = ready && stopped;
    if (started) {
        acquisitionState_ = kContinuous;
        liveStopEvent_->Reset();
        liveStartedEvent_->Reset();
        if (display_)
            display_->Quiesce();
        ResetGrabBufferRing();
        liveLink_ = std::make_shared<ThreadLink>();
        auto refused = std::make_shared<std::atomic<bool>>(false);
        liveThread_ = std::make_unique<platform::Thread>(
            [this, link = liveLink_, stop = liveStopEvent_, started = liveStartedEvent_, refused] {
                LiveThreadProc(*link, stop, started, *refused);
            });
        if (!liveThread_->Started()) {
            // Nothing fills the ring: a start without its thread is no acquisition.
            liveThread_.reset();
            acquisitionState_ = kIdle;
            SetLastError(9);
            return 0;
        }
        liveStartedEvent_->Wait(kLiveStartMs);
        if (*refused) {
            // The library did not start the transfer: nothing will fill the ring.
            const bool stopped = StopContinuousAcquisition() != 0;
            acquisitionState_ = stopped ? kIdle : kFault;
            if (stopped)
                SetLastError(16);
            return 0;
        }
        // The display switches to continuous update once the first frame is in, here on the
        // host's thread, so that the device's attributes are only changed by host calls.
        ring_->Slot(0)->frameEvent->Wait(kFirstLiveFrameMs);
        SetDisplayModeAttr(4);
        if (display_)
            display_->ResumeUpdate(frameDesc_);
    }
    return started ? 1 : 0;
}

int CVidrune::RestartContinuous(bool wasContinuous) {
    // A host's live view goes on at the new geometry.
    if (!wasContinuous || acquisitionState_ == kContinuous)
        return 1;
    return StartContinuousAcquisition();
}

void CVidrune::ConvertForDisplay(const FrameGeometry& geometry, GrabBuffer* buffer) {
    if (buffer == nullptr || !geometry.displayFrame)
        return;
    PixelConverter::ExtractRegion(buffer->data, geometry.rowWidth, geometry.bytesPerPixel, 0, 0,
                                  geometry.FrameWidth(geometry.xScale),
                                  geometry.FrameHeight(geometry.yScale), geometry.xScale,
                                  geometry.yScale, geometry.displayFrame.get());
}

void CVidrune::AnnounceDisplayFrame(const FrameGeometry& geometry) {
    // Reads run on host threads, beside a free or an initialisation that replaces the
    // display.
    const std::lock_guard lock(displayMutex_);
    if (!display_)
        return;
    ConvertForDisplay(geometry, geometry.ring->Slot(0));
    display_->NewFrame(frameDesc_);
}

void CVidrune::LiveThreadProc(ThreadLink& link, const std::shared_ptr<platform::Event>& stopEvent,
                              const std::shared_ptr<platform::Event>& startedEvent,
                              std::atomic<bool>& refused) {
    auto hold = link.Hold();
    if (!link.Attached(hold))
        return;
    const FgHandle transfer = transfer_;
    const FgHandle acquisition = acquisition_;
    const std::shared_ptr<GrabBufferRing> ring = ring_;
    hold.unlock();

    FgXferAbort(transfer);
    GrabBuffer* first = ring->Slot(0);
    refused = RecordFgStatus(FgXferSelect(transfer, acquisition, first->buffer, 0)) != FG_OK ||
              RecordFgStatus(FgXferStart(transfer, FG_XFER_ENDLESS)) != FG_OK;
    startedEvent->Set();
    if (refused)
        return;
    first->frameEvent->Wait(kFirstLiveFrameMs);

    bool stop = stopEvent->Wait(kLivePeriodMs);
    while (!stop) {
        const uint32_t start = Clock::TickCount();
        hold.lock();
        if (!link.Attached(hold))
            return;
        // Scales can change while the acquisition runs; the snapshot keeps one consistent.
        const auto geometry = Geometry();
        if (geometry && geometry->ring == ring)
            ConvertForDisplay(*geometry, ring->Last());
        ++liveConversions_;
        hold.unlock();
        const uint32_t took = Clock::TickCount() - start;
        stop = stopEvent->Wait(took <= kLivePeriodMs ? kLivePeriodMs - took : 1);
    }
    const bool aborted = RecordFgStatus(FgXferAbort(transfer)) == FG_OK;
    hold.lock();
    if (link.Attached(hold) && !aborted)
        transferLeftRunning_ = true;
}

int CVidrune::AcquireStop() {
    const std::lock_guard control(controlMutex_);
    int result = 0;
    switch (acquisitionState_) {
    case kIdle:
        result = 1;
        break;
    case kNormal:
        result = StopNormalAcquisition();
        break;
    case kContinuous:
        result = StopContinuousAcquisition();
        break;
    default:
        // A stop that failed is tried again: the thread it waited for may have ended since,
        // and the device could not be closed otherwise.
        result = liveThread_ ? StopContinuousAcquisition() : StopNormalAcquisition();
        break;
    }
    // Stopped only once the board no longer fills the ring: its late frames would land in
    // the next acquisition's counts.
    if (result && !EndTransferLeftRunning()) {
        SetLastError(5);
        result = 0;
    }
    if (!result) {
        acquisitionState_ = kFault;
        return 0;
    }
    acquisitionState_ = kIdle;
    return result;
}

bool CVidrune::EndTransferLeftRunning() {
    if (!transferLeftRunning_)
        return true;
    // The abort also waits for a frame callback still running.
    if (transfer_ != 0 && RecordFgStatus(FgXferAbort(transfer_)) != FG_OK) {
        TakeFgError();
        return false;
    }
    transferLeftRunning_ = false;
    return true;
}

int CVidrune::StopNormalAcquisition() {
    if (!GetReadyFlag())
        SetLastError(7);
    doneEvent_->Set();
    if (idleEvent_->Wait(kStopNormalMs))
        return 1;
    // Said, so that a close that cannot stop the acquisition does not pass for a success.
    SetLastError(5);
    return 0;
}

int CVidrune::StopContinuousAcquisition() {
    if (!GetReadyFlag())
        SetLastError(7);
    liveStopEvent_->Set();
    if (liveThread_) {
        // A live thread that does not end still uses the transfer and the ring: the stop
        // failed, and nothing it uses may be released.
        if (!liveThread_->Join(kLiveStopMs)) {
            SetLastError(5);
            return 0;
        }
        liveThread_.reset();
    }
    SetDisplayModeAttr(1);
    if (display_)
        display_->ClearImage();
    TakeFgError();
    return 1;
}

bool CVidrune::RegionInsideFrame(const FrameGeometry& geometry, const ReadRequest& request,
                                 uint32_t xs, uint32_t ys) {
    uint64_t frameWidth = geometry.FrameWidth(xs);
    uint64_t frameHeight = geometry.FrameHeight(ys);
    if (geometry.rotate)
        std::swap(frameWidth, frameHeight);
    return request.width > 0 && request.height > 0 &&
           uint64_t{request.x} + request.width <= frameWidth &&
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
    // One snapshot for the whole read: a geometry change during it neither frees what it
    // reads nor mixes two layouts.
    const std::shared_ptr<const FrameGeometry> geometry = Geometry();
    if (!GetReadyFlag() || !geometry)
        return fail(7);
    if (host.timeoutMs < 0)
        return fail(12);
    if (!live)
        SetLastError(0);
    if (host.kind == 1)
        return 0;
    if (host.kind < VIDRUNE_READ_CURRENT || host.kind > VIDRUNE_READ_LATEST)
        return fail(26);
    if (host.copyFlag == 1 && host.data == nullptr)
        return fail(12);
    // A pointer into the board's buffer can be neither turned nor flipped.
    if ((geometry->rotate || geometry->flip) && host.copyFlag != 1)
        return fail(12);
    const bool displayScales = live && host.kind == VIDRUNE_READ_LATEST && host.currentScale == 0;
    const uint32_t xs = displayScales ? geometry->xScaleDisplay : geometry->xScale;
    const uint32_t ys = displayScales ? geometry->yScaleDisplay : geometry->yScale;
    if (!RegionInsideFrame(*geometry, host, xs, ys))
        return fail(12);

    std::unique_lock scratchLock(live ? liveScratchMutex_ : scratchMutex_, std::defer_lock);
    ScratchImage temporary;
    ReadRequest turned = host;
    ReadRequest* work = &host;
    // Whole source rows (no column sub-sampling) are turned straight out of the board's
    // buffer; other turns and flips pass through a scratch image.
    const bool turnOnDelivery = geometry->rotate && xs == 1;
    const bool viaScratch = (geometry->rotate || geometry->flip) && !turnOnDelivery;
    if (viaScratch)
        scratchLock.try_lock();
    ScratchImage& scratch = !scratchLock.owns_lock() ? temporary : live ? liveScratch_ : scratch_;
    if (geometry->rotate || geometry->flip) {
        work = &turned;
        const uint32_t frameHeight = geometry->FrameHeight(ys);
        if (geometry->rotate) {
            turned.x = host.y;
            turned.y = frameHeight - host.x - host.width;
            turned.width = host.height;
            turned.height = host.width;
        } else {
            turned.y = frameHeight - host.height - host.y;
        }
    }
    if (viaScratch) {
        scratch.SetBytesPerPixel(geometry->bytesPerPixel);
        if (scratch.Ensure(turned.width, turned.height) != 0)
            return 0;
        turned.data = scratch.Data();
    }

    Read read{*geometry, *work, xs, ys, live};
    if (turnOnDelivery)
        read.turnInto = &host;
    const int result = ReadByKind(read);
    if (!live && read.error != 0)
        SetLastError(read.error);
    if (result && viaScratch) {
        const auto width = static_cast<int32_t>(host.width);
        const auto height = static_cast<int32_t>(host.height);
        if (geometry->rotate)
            PixelConverter::RotateClockwise(scratch.Data(), host.data, width, height,
                                            geometry->bytesPerPixel);
        else if (geometry->flip)
            PixelConverter::FlipRows(scratch.Data(), host.data, width, height,
                                     geometry->bytesPerPixel);
    }
    return result;
}

int CVidrune::ReadByKind(Read& read) {
    switch (read.request.kind) {
    case VIDRUNE_READ_CURRENT:
        return ReadCurrentFrame(read);
    case VIDRUNE_READ_BY_INDEX:
        return ReadFrameByIndex(read);
    default:
        return ReadLatestFrame(read);
    }
}

void CVidrune::Deliver(const Read& read, const GrabBuffer& buffer) {
    ReadRequest& request = read.request;
    if (read.turnInto != nullptr) {
        const FrameGeometry& g = read.geometry;
        const uint64_t stride = uint64_t{read.ys} * g.rowWidth;
        const uint8_t* corner = buffer.data + (request.y * stride + request.x) * g.bytesPerPixel;
        PixelConverter::RotateClockwise(corner, static_cast<uint32_t>(stride), read.turnInto->data,
                                        static_cast<int32_t>(request.height),
                                        static_cast<int32_t>(request.width), g.bytesPerPixel,
                                        SimdDispatch::Active());
    } else if (request.copyFlag == 1) {
        PixelConverter::ExtractRegion(
            buffer.data, read.geometry.rowWidth, read.geometry.bytesPerPixel, request.x, request.y,
            request.width, request.height, read.xs, read.ys, request.data);
    } else {
        request.data = buffer.data;
    }
}

int CVidrune::FinishRead(const Read& read) {
    // A read makes no library call: a status still pending on this thread is an earlier
    // call's, which that call has answered for.
    return read.error == 0 ? 1 : 0;
}

CVidrune::FrameWait CVidrune::AwaitSlot(const GrabBufferRing& ring, GrabBuffer& buffer,
                                        int32_t timeoutMs,
                                        const std::function<FrameWait(int64_t)>& judge) {
    const uint32_t limit = timeoutMs == 0 ? kDefaultFrameWaitMs : static_cast<uint32_t>(timeoutMs);
    const uint32_t start = Clock::TickCount();
    for (;;) {
        if (ring.Retired())
            return FrameWait::Gone;
        const FrameWait verdict = judge(buffer.frameNumber);
        if (verdict != FrameWait::TimedOut)
            return verdict;
        const uint32_t elapsed = Clock::TickCount() - start;
        if (elapsed >= limit)
            return FrameWait::TimedOut;
        // The event may still be set for the slot's earlier frame; then look again shortly.
        // Waits are short so that a reset by another reader cannot hide the frame for long.
        if (buffer.frameEvent->Wait(0))
            Clock::Sleep(1);
        else
            buffer.frameEvent->Wait(std::min<uint32_t>(limit - elapsed, kFrameRecheckMs));
    }
}

int CVidrune::ReadCurrentFrame(Read& read) {
    const GrabBufferRing& ring = *read.geometry.ring;
    GrabBuffer* buffer = ring.Current();
    if (buffer == nullptr) {
        read.error = 16;
        return FinishRead(read);
    }
    // While frames come, the frame being filled is the next one to land in the current
    // slot, not what an earlier lap left there; once a counted acquisition is complete it
    // is its last frame.
    const int64_t held = buffer->frameNumber;
    const bool filling = Filling();
    const FrameWait wait = AwaitSlot(ring, *buffer, read.request.timeoutMs, [&](int64_t now) {
        const bool landed = filling ? now != held && now >= 0 : now >= 0;
        return landed ? FrameWait::Arrived : FrameWait::TimedOut;
    });
    if (wait == FrameWait::TimedOut) {
        read.error = 16;
    } else if (wait == FrameWait::Gone) {
        read.error = 17;
    } else {
        const uint64_t fills = buffer->fills;
        Deliver(read, *buffer);
        if (read.request.copyFlag == 1 && !CopiedWhole(ring, *buffer, fills))
            read.error = 17;
    }
    return FinishRead(read);
}

int CVidrune::ReadFrameByIndex(Read& read) {
    const GrabBufferRing& ring = *read.geometry.ring;
    const int32_t index = read.request.index;
    const int32_t count = ring.Count();
    // Only the frames the latest counted acquisition asked for can be read by index.
    if (index < 0 || index >= requestedCount_ || acquisitionState_ == kContinuous) {
        read.error = 12;
        return FinishRead(read);
    }
    if (index < doneCount_ - count) {
        read.error = 17;
        return FinishRead(read);
    }
    GrabBuffer& buffer = *ring.Slot(index % count);
    if (index % count == 1)
        AnnounceDisplayFrame(read.geometry);
    const FrameWait wait = AwaitSlot(ring, buffer, read.request.timeoutMs, [index](int64_t now) {
        return now == index  ? FrameWait::Arrived
               : now > index ? FrameWait::Gone
                             : FrameWait::TimedOut;
    });
    if (requestedCount_ == 1)
        AnnounceDisplayFrame(read.geometry);
    if (wait == FrameWait::TimedOut) {
        read.error = 16;
        return FinishRead(read);
    }
    if (wait == FrameWait::Gone || buffer.takenFrame == index) {
        read.error = 17;
        return FinishRead(read);
    }
    Deliver(read, buffer);
    const ReadRequest& request = read.request;
    // The blank test looks at two bytes near the region's middle, inside the buffer.
    const uint64_t bytes = uint64_t{buffer.width} * buffer.height * read.geometry.bytesPerPixel;
    uint64_t offset = uint64_t{read.geometry.rowWidth} * request.y + request.x +
                      uint64_t{request.width} * request.height / 2;
    offset = std::min(offset, bytes >= 2 ? bytes - 2 : 0);
    if (bytes >= 2 && buffer.data[offset] == 0 && buffer.data[offset + 1] == 0)
        read.error = 18;
    // Once the frame before the slot's next lap is in, the board refills the slot: the
    // copy may mix two frames.
    const int64_t nextLap = int64_t{index} + count;
    if ((nextLap < requestedCount_ && doneCount_ >= nextLap) || buffer.frameNumber != index)
        read.error = 17;
    buffer.armCount = 0;
    if (!read.live)
        buffer.takenFrame = index;
    if (missedFrame_)
        read.error = 21;
    if (!read.live)
        buffer.frameEvent->Reset();
    return FinishRead(read);
}

bool CVidrune::Filling() const {
    return acquisitionState_ == kContinuous || doneCount_ < requestedCount_;
}

bool CVidrune::CopiedWhole(const GrabBufferRing& ring, const GrabBuffer& buffer,
                           uint64_t fills) const {
    // The board refills a slot only while it is the transfer's current target, and a refill
    // that ended, or a reset for a new acquisition, counted a fill: either means the copy
    // may mix two frames.
    return buffer.fills == fills && !(Filling() && ring.Current() == &buffer);
}

int CVidrune::ReadLatestFrame(Read& read) {
    const GrabBufferRing& ring = *read.geometry.ring;
    // The newest slot is refilled one lap later; a reader held up that long tries again.
    for (int attempt = 0; attempt < kNewestAttempts; ++attempt) {
        GrabBuffer* buffer = ring.Last();
        const uint64_t fills = buffer != nullptr ? buffer->fills.load() : 0;
        const int64_t frame = buffer != nullptr ? buffer->frameNumber.load() : GrabBuffer::kNoFrame;
        // Nothing has landed since the buffers were reset: there is no newest frame yet.
        if (frame < 0) {
            read.error = 16;
            return FinishRead(read);
        }
        Deliver(read, *buffer);
        if (read.request.copyFlag != 1 || CopiedWhole(ring, *buffer, fills))
            return FinishRead(read);
    }
    read.error = 17;
    return FinishRead(read);
}

} // namespace vidrune
