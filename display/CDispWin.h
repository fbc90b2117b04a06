#pragma once

#include "display/CDispLive.h"
#include "display/ContrastSettings.h"
#include "display/DisplayView.h"
#include "display/ImageConverter.h"
#include "display/ImageScaler.h"
#include "display/OverlayPlane.h"
#include "display/Palette.h"
#include "display/PixelBuffer.h"
#include "platform/Event.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace vidrune {

namespace platform {
class Thread;
}

// The live display: reads the newest frame from the device at most every 50 ms, maps it to
// 8 bits, composes it with the overlay and hands it to its view (a window, or memory).
class CDispWin : public CDispLive, private DisplayWindowEvents {
public:
    static constexpr uint32_t kWindowReadyMs = 2000;
    static constexpr uint32_t kUpdatePeriodMs = 50;

    explicit CDispWin(std::unique_ptr<DisplayView> view);
    ~CDispWin() override;

    void Open(const DisplayFrameDesc& desc) override;
    void Close() override;
    void ClearImage() override;
    void SetDisplayMode(int32_t mode) override;
    void SetParamString(const char* text, int32_t index) override;
    int32_t Reserved() override { return 0; }
    void NewFrame(const DisplayFrameDesc& desc) override;
    void ResumeUpdate(const DisplayFrameDesc& desc) override;
    void DrawGraphic(GraphicsCommand& command) override;
    void Quiesce() override;
    // False, writing nothing, while no frame was drawn since Open: the window starts
    // minimized on one monitor and draws nothing, and a blank file would pass for a picture.
    bool SaveImage(const std::string& path, bool includeOverlay) override {
        return OnSave(path, includeOverlay);
    }
    bool ReadsOwnFrames() const override { return true; }

    // Resizes the window for a zoom percentage, limited to what fits the monitor.
    void ApplyZoom(int32_t zoom);

    DisplayView& View() const { return *view_; }
    DisplayWindowEvents& WindowEvents() { return *this; }
    uint32_t Draws() const { return draws_; }
    int32_t ImageWidth() const { return imageWidth_; }
    int32_t ImageHeight() const { return imageHeight_; }
    std::string TitleText() const;

private:
    // What the window asks for, on its own thread.
    void OnZoom(int32_t percent) override { ApplyZoom(percent); }
    void OnRestartAutoLevels() override { contrast_.RestartAutoLevels(); }
    void OnResized(int32_t clientWidth, int32_t clientHeight, int32_t windowState) override;
    void OnMoved(int32_t left, int32_t top) override;
    void OnTopChanged(bool onTop) override { onTop_ = onTop ? 1 : 0; }
    void OnRenderEnabled(bool enabled) override { renderEnabled_ = enabled ? 1 : 0; }
    bool OnSave(const std::string& path, bool includeOverlay) override;
    bool OnSnapshot(bool includeOverlay, std::vector<uint8_t>& pixels, int32_t& width,
                    int32_t& height) override;
    ContrastSettings& Contrast() override { return contrast_; }
    int32_t BitsPerPixel() const override { return bitsPerPixel_; }
    float Aspect() const override { return aspect_; }

    // Image buffers for the image size; false, with none, when memory is short.
    bool AllocateImage();
    void FreeImage(); // under imageLock_
    void UpdateThreadProc();
    void UpdateOnce(ReadRequest& request);
    void RenderImage();
    void EndLateUpdateThread();
    void RefreshReducedOverlay();
    // The 8-bit image as shown (the frame converted in place for deeper pixels): call
    // ConvertPendingFrame first, under the image lock.
    const uint8_t* Image8() const { return image_.data(); }
    // A deeper frame is converted as it is drawn, and only the pixels drawn; the whole frame
    // is converted when the 8-bit image itself is wanted (saving, snapshots).
    void ConvertPendingFrame();
    // Draws a frame still waiting for its conversion: converts and composes in one pass.
    void RenderPendingFrame(int32_t clientWidth, int32_t clientHeight,
                            const Palette::GrayTable& table);
    // Pauses drawing and waits for the draw under way, for saving and printing.
    void PauseRendering();
    void PlaceWindow(int32_t previousState);
    void LoadSettings();
    void SaveSettings();
    std::string TitleLine(int32_t zoom) const;

    std::unique_ptr<DisplayView> view_;
    Palette palette_;
    ContrastSettings contrast_;
    ImageConverter converter_{contrast_};
    ImageScaler renderScaler_;
    ImageScaler overlayScaler_;

    // Image and overlay are written by the host's thread (clear, overlay commands) and the
    // window's thread (save), and read by the update thread: one lock guards them.
    mutable std::mutex imageLock_;
    PixelBuffer image_;
    PixelBuffer reducedImage_;
    PixelBuffer reducedFrame_;  // the shown pixels of a deeper frame, unconverted
    bool framePending_ = false; // image_ holds a deeper frame not yet converted
    bool imageBlank_ = true;    // image_ is all zeros: not written since allocated or cleared
    PixelBuffer reducedOverlay_;
    PixelBuffer bitmap_;
    OverlayPlane overlay_;
    size_t pixelCount_ = 0;

    platform::Event stopEvent_{platform::Event::Mode::ManualReset};
    platform::Event frameEvent_{platform::Event::Mode::AutoReset};
    platform::Event renderDoneEvent_{platform::Event::Mode::ManualReset};
    std::unique_ptr<platform::Thread> updateThread_;
    std::atomic<CAcqDevice*> device_{nullptr};
    std::atomic<uint32_t> draws_{0};
    // A frame was read and drawn since Open: until then the image is blank.
    std::atomic<bool> frameShown_{false};

    mutable std::mutex titleLock_;
    std::string title_;
    std::atomic<int32_t> renderEnabled_{1};
    std::atomic<int32_t> busy_{0};
    std::atomic<int32_t> frameReady_{0};
    std::atomic<int32_t> left_{-1};
    std::atomic<int32_t> top_{-1};
    std::atomic<int32_t> windowState_{1};
    std::atomic<int32_t> onTop_{1};
    std::atomic<int32_t> preferredClientWidth_{320};
    std::atomic<int32_t> clientWidth_{0};
    std::atomic<int32_t> clientHeight_{0};
    std::atomic<float> aspect_{1.0f};
    ScreenMetrics metrics_;
    MonitorLayout monitors_;
    FrameExtra extra_;
};

} // namespace vidrune
