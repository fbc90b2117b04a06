#pragma once

#include "display/DisplayView.h"

#include <atomic>
#include <mutex>
#include <vector>

namespace vidrune {

// A window that exists only in memory: the display works without a window system, and
// tests see exactly what would be on the screen.
class HeadlessView : public DisplayView {
public:
    // One monitor of 1920 x 1080 unless told otherwise.
    explicit HeadlessView(std::vector<MonitorInfo> monitors = {});

    ScreenMetrics Metrics() const override { return metrics_; }
    std::vector<MonitorInfo> Monitors() const override { return monitors_; }
    bool Create(DisplayWindowEvents& events, const ViewPlacement& placement,
                const std::string& title, uint32_t timeoutMs) override;
    bool Exists() const override { return exists_; }
    void Place(const ViewPlacement& placement) override;
    void Resize(int32_t windowWidth, int32_t windowHeight) override;
    void SetTitle(const std::string& title) override;
    void ClientSize(int32_t& width, int32_t& height) const override;
    void Position(int32_t& left, int32_t& top) const override;
    int32_t WindowState() const override { return state_; }
    bool OnTop() const override { return onTop_; }
    void Present(const uint8_t* bitmap, int32_t width, int32_t height, size_t stride,
                 const Palette& palette) override;
    void SetSaveAndPrintEnabled(bool enabled) override { saveAndPrint_ = enabled; }
    void SetContrastEnabled(bool enabled) override { contrast_ = enabled; }
    void ShowContrast(int32_t, int32_t) override {}
    void Destroy() override { exists_ = false; }

    // What a user would do and see.
    DisplayWindowEvents* Events() const { return events_; }
    void SetWindowState(int32_t state);
    std::string Title() const;
    bool SaveAndPrintEnabled() const { return saveAndPrint_; }
    bool ContrastEnabled() const { return contrast_; }
    uint32_t Presents() const { return presents_; }
    // The client area as last drawn, row after row, as palette indices.
    std::vector<uint8_t> Screen(int32_t& width, int32_t& height) const;

private:
    ScreenMetrics metrics_;
    std::vector<MonitorInfo> monitors_;
    DisplayWindowEvents* events_ = nullptr;
    std::atomic<bool> exists_{false};
    std::atomic<bool> saveAndPrint_{false};
    std::atomic<bool> contrast_{false};
    std::atomic<int32_t> state_{1};
    std::atomic<bool> onTop_{true};
    std::atomic<uint32_t> presents_{0};
    mutable std::mutex lock_;
    int32_t left_ = 0;
    int32_t top_ = 0;
    int32_t windowWidth_ = 0;
    int32_t windowHeight_ = 0;
    std::string title_;
    std::vector<uint8_t> screen_;
    int32_t screenWidth_ = 0;
    int32_t screenHeight_ = 0;
};

} // namespace vidrune
