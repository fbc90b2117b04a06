#pragma once

#include "board/GrabBufferRing.h"
#include "board/ScratchImage.h"
#include "device/CAcqDevice.h"
#include "display/CDispLive.h"
#include "fgcore.h"
#include "vidrune.h"

#include <atomic>
#include <cstdint>
#include <memory>
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

    // The latest library status, overwritten by every recorded call.
    uint32_t RecordFgStatus(uint32_t status);
    // 0 when no failure is pending; otherwise clears it and gives 1.
    int TakeFgError();

    // What tests and tools may look at.
    const GrabBufferRing* Ring() const { return ring_.get(); }
    CDispLive* Display() const { return display_.get(); }
    uint32_t AcquisitionState() const { return acquisitionState_; }
    int32_t DoneCount() const { return doneCount_; }
    uint32_t GapLimit() const { return gapLimit_; }
    uint32_t MissedFrameFlag() const { return missedFrame_; }
    FgHandle Transfer() const { return transfer_; }
    FgHandle Acquisition() const { return acquisition_; }
    FgHandle Vic() const { return vic_; }
    FgHandle Camera() const { return camera_; }
    const ScratchImage& Scratch() const { return scratch_; }
    uint32_t LiveConversions() const { return liveConversions_; }
    // Replaces the display (tests run the display without a window this way).
    void SetDisplay(std::unique_ptr<CDispLive> display);

private:
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
    void EndGrabThread();
    void ReleaseDisplay();
    void FreeBoardObjects();

    // Frame buffers and transfer.
    void ClearGrabBufferRing();
    int BuildGrabBuffers(uint32_t width, uint32_t height);
    std::unique_ptr<GrabBuffer> CreateGrabBuffer(uint32_t width, uint32_t height);
    int InitGrabBuffer(GrabBuffer& buffer);
    void ReleaseGrabBuffer(std::unique_ptr<GrabBuffer> buffer);
    int ReleaseGrabBuffers();
    int ResetGrabBufferRing();
    int BuildTransfer();
    void FreeTransfer();
    FgStatus AppendDiscardEntries();
    static FgStatus OnTransferEnd(void* context, uint32_t eventType, FgHandle buffer);
    void HandleTransferEnd();

    // Acquisition and reading.
    int StartNormalAcquisition(const AcquireRequest& request);
    int StartContinuousAcquisition();
    int StopNormalAcquisition();
    int StopContinuousAcquisition();
    bool WaitForCameraSignal();
    void GrabThreadProc();
    void RunNormalAcquisition();
    void LiveThreadProc();
    void ConvertForDisplay(GrabBuffer* buffer);
    int WaitGrabBuffer(GrabBuffer* buffer, int32_t timeoutMs);
    // The readers put their error code into error; only the host's reads make it the
    // device's last error.
    int ReadCurrentFrame(ReadRequest& request, uint32_t& error);
    int ReadFrameByIndex(ReadRequest& request, uint32_t& error);
    int ReadLatestFrame(ReadRequest& request, uint32_t& error);
    int ReadByKind(ReadRequest& request, uint32_t& error);
    void Deliver(GrabBuffer* buffer, ReadRequest& request, uint32_t xs, uint32_t ys);
    int FinishRead(uint32_t error);
    bool RegionInsideFrame(const ReadRequest& request) const;
    // Frames per second, never zero or negative in the arithmetic.
    double EffectiveRate() const;
    // Camera frames per kept frame: the kept one and the discard entries after it.
    int32_t FramesPerKept() const;

    // Board attributes.
    int ReadBoardSettings();
    int ApplyBoardSettings();
    int RebuildBuffers();
    int UpdateDataSetSize();
    void SetDisplayModeAttr(int32_t mode);
    void ForwardGraphicsCommand(GraphicsCommand& command);
    // What an attribute set leads to once its value was checked.
    enum class SetOutcome { Rejected, Unchanged, Store, Apply, Rebuild };
    SetOutcome SetBoardAttribute(const char* name, double number);
    int SetTriggerMode(double mode);
    int SetTriggerLevel(double level);
    bool IsUnchanged(const char* name, double value) const;
    double NumericOr(const char* name, double fallback) const;
    double ModeNumericOr(const char* name, double fallback);
    void StopContinuousForRebuild();

    ScratchImage scratch_;
    // Live-display reads turn their frames here, apart from the host's reads.
    ScratchImage liveScratch_;
    std::atomic<uint32_t> flipFlag_{0};
    DisplayFrameDesc frameDesc_;
    std::unique_ptr<CDispLive> display_;

    FgHandle localServer_ = 0;
    FgHandle boardServer_ = 0;
    FgHandle camera_ = 0;
    FgHandle acquisition_ = 0;
    FgHandle vic_ = 0;
    FgHandle transfer_ = 0;
    FgHandle discardBuffer_ = 0;
    std::unique_ptr<uint8_t[]> displayFrameBuffer_;

    std::atomic<uint32_t> startedFlag_{0};
    std::atomic<uint32_t> complete_{0};
    std::atomic<uint32_t> missedFrame_{0};
    std::unique_ptr<platform::Thread> grabThread_;
    std::unique_ptr<platform::Thread> liveThread_;
    std::unique_ptr<platform::Event> doneEvent_;
    std::unique_ptr<platform::Event> startedEvent_;
    std::unique_ptr<platform::Event> exitEvent_;
    std::unique_ptr<platform::Event> idleEvent_;
    std::unique_ptr<platform::Event> goEvent_;
    std::unique_ptr<platform::Event> liveStopEvent_;
    std::unique_ptr<platform::Event> liveStartedEvent_;

    double frameRate_ = -1.0;
    double frameSkip_ = 1.0;
    std::atomic<uint32_t> lastFgStatus_{0};
    std::atomic<uint32_t> acquisitionState_{kIdle};
    std::atomic<int32_t> doneCount_{0};
    std::atomic<int32_t> requestedCount_{0};
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

    std::unique_ptr<GrabBufferRing> ring_;
};

} // namespace vidrune
