#pragma once

#include "board/FrameGeometry.h"
#include "board/GrabBufferRing.h"
#include "board/ScratchImage.h"
#include "board/ThreadLink.h"
#include "device/CAcqDevice.h"
#include "display/CDispLive.h"
#include "fgcore.h"
#include "vidrune.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace vidrune {

namespace platform {
class Event;
class Thread;
} // namespace platform

class CAcqCameraDevice;

// The Stravik-2 board device: reads its configuration into cameras and modes, connects
// to the board library, opens a mode's camera and VIC files, grabs into a ring of frame
// buffers and delivers frames to the host, converted into its memory.
class CVidrune : public CAcqDevice {
    VIDRUNE_DECLARE_RUNTIME_CLASS()

public:
    // Acquisition states.
    static constexpr uint32_t kIdle = 0;
    static constexpr uint32_t kNormal = 1;
    static constexpr uint32_t kContinuous = 2;
    static constexpr uint32_t kFault = 5;

    explicit CVidrune(const char* name);
    ~CVidrune() override;

    int InitializeDevice(const char* path) override;
    uint32_t OpenDevice() override;
    uint32_t CloseDevice() override;
    int FreeDeviceResources() override;
    int IsValid() const override;
    int LoadInputDevices(const char* path) override;
    int AcquireStart(const void* request) override;
    int AcquireStop() override;
    int ReadDevice(void* request) override;
    int SetCurrentInputMode(uint32_t modeId) override;
    int SetCurrentInputDevice(uint32_t id) override;
    int AcqDeviceSet(const char* name, void* value, int translate) override;
    // Also kept as this thread's own code; see OwnLastError.
    void SetLastError(uint32_t code) override;

    // The latest library status of the calling thread, overwritten by every recorded call.
    // Kept per thread so that the display's and the board's own threads never hand their
    // statuses to (or take them from) a host call.
    static uint32_t RecordFgStatus(uint32_t status);
    // 0 when no failure is pending on this thread; otherwise clears it and gives 1.
    static int TakeFgError();

    // Internal state, for tests and diagnostics.
    const GrabBufferRing* Ring() const { return ring_.get(); }
    // The frame layout reads work with now; null while the device has no buffers.
    std::shared_ptr<const FrameGeometry> Geometry() const;
    CDispLive* Display() const { return display_.get(); }
    uint32_t AcquisitionState() const { return acquisitionState_; }
    int32_t DoneCount() const { return doneCount_; }
    uint32_t GapLimit() const { return gapLimit_; }
    uint32_t MissedFrameFlag() const { return missedFrame_; }
    FgHandle Acquisition() const { return acquisition_; }
    uint32_t LiveConversions() const { return liveConversions_; }
    // Replaces the display (tests run the display without a window this way).
    void SetDisplay(std::unique_ptr<CDispLive> display);

private:
    // Puts the display in place and hands back the one it replaces, to be destroyed
    // outside the lock.
    std::unique_ptr<CDispLive> SwapDisplay(std::unique_ptr<CDispLive> display);

    // Configuration file.
    void ReadDeviceSection(const char* path);
    int ReadCameraSection(const char* path, const char* section, CAcqCameraDevice& camera);
    int ReadModeSection(const char* path, const char* section, CAcqCameraDevice& camera);
    int ReadDisplaySection(const char* path);
    int ResolveConfigPath(const char* configPath);
    // Empty when there is no file name.
    std::string BuildControlFilePath(const char* attribute, const char* file) const;

    // Connection lifecycle.
    void ConnectServers();
    void ReleaseServers();
    bool CreateEvents();
    void CloseEvents();
    void StartGrabThread();
    // False when the thread did not end in time; it then keeps what it uses.
    bool EndGrabThread();
    // Ends the live and grab threads whatever the device's flags say.
    bool StopThreads();
    void ReleaseDisplay();
    // The code this thread set last, which another thread's failures do not change.
    uint32_t OwnLastError() const;
    // The board objects, settings and buffers of an open; 0, or the code it failed with.
    uint32_t OpenBoardAndBuffers();
    void FreeBoardObjects();

    // Frame buffers and transfer.
    void ClearGrabBufferRing();
    int BuildGrabBuffers(uint32_t width, uint32_t height);
    std::unique_ptr<GrabBuffer> CreateGrabBuffer(uint32_t width, uint32_t height);
    int InitGrabBuffer(GrabBuffer& buffer);
    int ReleaseGrabBuffers();
    int ResetGrabBufferRing();
    int BuildTransfer();
    void FreeTransfer();
    FgStatus AppendDiscardEntries();
    // Readers see the buffers and scales in force from here on.
    void PublishGeometry();
    static FgStatus OnTransferEnd(void* context, uint32_t eventType, FgHandle buffer);
    void HandleTransferEnd();

    // Acquisition and reading.
    int StartNormalAcquisition(const AcquireRequest& request);
    int StartContinuousAcquisition();
    int StopNormalAcquisition();
    int StopContinuousAcquisition();
    // Aborts a transfer whose ending abort was refused; false when the library refuses again.
    bool EndTransferLeftRunning();
    bool WaitForCameraSignal();
    // The events the grab thread waits on and signals, shared with it so that they outlive
    // a device that stopped waiting for the thread.
    struct GrabEvents {
        std::shared_ptr<platform::Event> go, exit, idle, started, done;
    };
    void GrabThreadProc(ThreadLink& link, const GrabEvents& events);
    // False when the device was detached from the thread meanwhile.
    bool RunNormalAcquisition(ThreadLink& link, const GrabEvents& events);
    void UpdateGapLimit(int32_t skip, bool triggered);
    // Sets refused, before it signals started, when the library does not start the transfer.
    void LiveThreadProc(ThreadLink& link, const std::shared_ptr<platform::Event>& stop,
                        const std::shared_ptr<platform::Event>& started,
                        std::atomic<bool>& refused);
    // Restarts the continuous acquisition a geometry change stopped; 1 when none was stopped.
    int RestartContinuous(bool wasContinuous);
    void ConvertForDisplay(const FrameGeometry& geometry, GrabBuffer* buffer);
    void AnnounceDisplayFrame(const FrameGeometry& geometry);
    // How a wait for one frame of a slot ended.
    enum class FrameWait { Arrived, Gone, TimedOut };
    // Waits until judge, given the number of the frame the slot holds, says Arrived or Gone;
    // TimedOut from judge means "not yet".
    static FrameWait AwaitSlot(const GrabBufferRing& ring, GrabBuffer& buffer, int32_t timeoutMs,
                               const std::function<FrameWait(int64_t)>& judge);
    // One read on one geometry snapshot. The readers put their error code into error; only
    // the host's reads make it the device's last error.
    struct Read {
        const FrameGeometry& geometry;
        ReadRequest& request;
        uint32_t xs;
        uint32_t ys;
        bool live;
        uint32_t error = 0;
        // The request is in the unturned frame and its data is the caller's: the delivery
        // turns the region straight out of the board's buffer.
        const ReadRequest* turnInto = nullptr;
    };
    int ReadCurrentFrame(Read& read);
    int ReadFrameByIndex(Read& read);
    int ReadLatestFrame(Read& read);
    int ReadByKind(Read& read);
    static void Deliver(const Read& read, const GrabBuffer& buffer);
    // True when the slot was neither refilled nor reset since its fill count was taken and
    // is not being refilled now.
    bool CopiedWhole(const GrabBufferRing& ring, const GrabBuffer& buffer, uint64_t fills) const;
    // Frames are still coming: a continuous acquisition, or a counted one not complete.
    bool Filling() const;
    int FinishRead(const Read& read);
    static bool RegionInsideFrame(const FrameGeometry& geometry, const ReadRequest& request,
                                  uint32_t xs, uint32_t ys);
    // Frames per second, never zero or negative in the arithmetic.
    double EffectiveRate() const;
    // Camera frames per kept frame: the kept one and the discard entries after it.
    int32_t FramesPerKept() const;

    // Board attributes.
    int ReadBoardSettings();
    // The bit depth the display converts from: the camera's, unless the buffers hold pixels
    // of another size (a camera and VIC file that disagree), whose size then decides.
    int32_t DisplayDepth() const;
    int ApplyBoardSettings();
    int RebuildBuffers();
    bool BuildBuffersAndTransfer(uint32_t width, uint32_t height);
    int UpdateDataSetSize();
    void SetDisplayModeAttr(int32_t mode);
    void ForwardGraphicsCommand(GraphicsCommand& command);
    // What an attribute set leads to once its value was checked.
    // Failed: the set was tried and failed with its own code.
    enum class SetOutcome { Rejected, Failed, Unchanged, Store, Apply, Rebuild };
    SetOutcome SetBoardAttribute(const char* name, double number);
    int SetTriggerMode(double mode);
    int SetTriggerLevel(double level);
    bool IsUnchanged(const char* name, double value) const;
    // Whether the board, buffers and transfer hold the stored settings. False after a set
    // they could not take: a set of the value in force then carries it out anew instead of
    // answering "unchanged".
    bool SettingsInForce() const;
    int RefusedByBoard();
    double NumericOr(const char* name, double fallback) const;
    double ModeNumericOr(const char* name, double fallback);
    // False when a continuous acquisition would not stop (5): its thread still uses the
    // transfer and the ring. wasContinuous tells whether one ran and has been stopped.
    bool StopContinuousForRebuild(bool& wasContinuous);
    void ReopenDisplay();

    // Turned and flipped reads pass through a scratch image: one for the host's reads, one
    // for the display's; a read that finds its scratch busy uses a temporary one.
    ScratchImage scratch_;
    ScratchImage liveScratch_;
    std::mutex scratchMutex_;
    std::mutex liveScratchMutex_;
    std::atomic<uint32_t> flipFlag_{0};
    DisplayFrameDesc frameDesc_;
    std::unique_ptr<CDispLive> display_;
    // Guards the display's replacement against reads on host threads that announce a
    // frame to it; every other use is a host call under the control lock.
    std::mutex displayMutex_;

    FgHandle localServer_ = 0;
    FgHandle boardServer_ = 0;
    FgHandle camera_ = 0;
    FgHandle acquisition_ = 0;
    FgHandle vic_ = 0;
    FgHandle transfer_ = 0;
    FgHandle discardBuffer_ = 0;
    std::shared_ptr<uint8_t[]> displayFrameBuffer_;

    std::atomic<uint32_t> startedFlag_{0};
    // The last ApplyBoardSettings succeeded; written under the control lock.
    bool boardSettingsApplied_ = false;
    std::atomic<uint32_t> complete_{0};
    std::atomic<uint32_t> missedFrame_{0};
    // Set by the grab thread before it signals the start: the library did not start the
    // transfer, so no frame will come.
    std::atomic<bool> transferRefused_{false};
    // The library refused the abort that ends an acquisition: the transfer may still be
    // filling the ring. Set by the device's threads, cleared by the abort of a host call.
    std::atomic<bool> transferLeftRunning_{false};
    std::unique_ptr<platform::Thread> grabThread_;
    std::unique_ptr<platform::Thread> liveThread_;
    std::shared_ptr<ThreadLink> grabLink_;
    std::shared_ptr<ThreadLink> liveLink_;
    std::shared_ptr<platform::Event> doneEvent_;
    std::shared_ptr<platform::Event> startedEvent_;
    std::shared_ptr<platform::Event> exitEvent_;
    std::shared_ptr<platform::Event> idleEvent_;
    std::shared_ptr<platform::Event> goEvent_;
    std::shared_ptr<platform::Event> liveStopEvent_;
    std::shared_ptr<platform::Event> liveStartedEvent_;

    double frameRate_ = -1.0;
    double frameSkip_ = 1.0;
    std::atomic<uint32_t> acquisitionState_{kIdle};
    std::atomic<int32_t> doneCount_{0};
    std::atomic<int32_t> requestedCount_{0};
    // Frames filled since the continuous acquisition started.
    std::atomic<int64_t> liveFrames_{0};
    int32_t grabBufferCount_ = 4;

    // Geometry, read by the readers on the host's and the display's threads.
    std::atomic<int32_t> frameWidth_{0};
    std::atomic<int32_t> frameHeight_{0};
    std::atomic<int32_t> width_{0};
    std::atomic<int32_t> xScale_{1};
    std::atomic<int32_t> xScaleOpen_{1};
    std::atomic<int32_t> height_{0};
    std::atomic<int32_t> yScale_{1};
    std::atomic<int32_t> yScaleOpen_{1};
    int32_t maxDisplayWidth_ = 0;
    int32_t maxDisplayHeight_ = 0;
    uint32_t pixelFormat_ = 0;
    std::atomic<uint32_t> bytesPerPixel_{1};
    uint32_t pixelDepth_ = 8;

    // Time-stamp bookkeeping of the transfer callback.
    std::atomic<uint32_t> previousStamp_{0};
    std::atomic<uint32_t> gapLimit_{0};
    std::atomic<uint32_t> liveConversions_{0};

    // The ring the board fills, used on the device's own threads; readers go through the
    // published geometry, which shares ownership of it.
    std::shared_ptr<GrabBufferRing> ring_;
    mutable std::mutex geometryMutex_;
    // Host calls that build, change or release what the board threads and the readers
    // use (initialise, open, close, free, start, stop, set) run one at a time, whichever
    // host thread makes them. Recursive: an open closes, a start stops. Reads and queries
    // do not take it; the board threads never do.
    std::recursive_mutex controlMutex_;
    std::shared_ptr<const FrameGeometry> geometry_;
};

} // namespace vidrune
