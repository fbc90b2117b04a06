#pragma once

#include "display/DisplayView.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

struct HWND__;

namespace vidrune {

namespace platform {
class Thread;
}

class ResourceLibrary;
class Win32Window;

// The live display's window on Win32: a modeless dialog from DispResources.dll on a window
// thread of its own that pumps its messages (Win32Window). Every call may come from any
// thread; the window system hands the work to the window thread. Without the resource
// library no window comes up and Create reports the time-out.
class Win32View : public DisplayView {
public:
    static constexpr uint32_t kThreadEndMs = 1000;

    explicit Win32View(const std::string& resourceLibrary = "DispResources");
    ~Win32View() override;
    Win32View(const Win32View&) = delete;
    Win32View& operator=(const Win32View&) = delete;

    ScreenMetrics Metrics() const override;
    std::vector<MonitorInfo> Monitors() const override;
    bool Create(DisplayWindowEvents& events, const ViewPlacement& placement,
                const std::string& title, uint32_t timeoutMs) override;
    bool Exists() const override;
    void Place(const ViewPlacement& placement) override;
    void Resize(int32_t windowWidth, int32_t windowHeight) override;
    void SetTitle(const std::string& title) override;
    void ClientSize(int32_t& width, int32_t& height) const override;
    void Position(int32_t& left, int32_t& top) const override;
    int32_t WindowState() const override;
    bool OnTop() const override;
    void Present(const uint8_t* bitmap, int32_t width, int32_t height, size_t stride,
                 const Palette& palette) override;
    void SetSaveAndPrintEnabled(bool enabled) override;
    void SetContrastEnabled(bool enabled) override;
    void ShowContrast(int32_t gain, int32_t offset) override;
    void Destroy() override;

    // The display window, null when there is none (tests).
    HWND__* WindowHandle() const;
    Win32Window* Window() const;

private:
    std::shared_ptr<Win32Window> Current() const;

    std::shared_ptr<ResourceLibrary> resources_;
    mutable std::mutex lock_;
    std::shared_ptr<Win32Window> window_; // set while the window exists
    std::unique_ptr<platform::Thread> thread_;
};

} // namespace vidrune
