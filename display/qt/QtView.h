#pragma once

#include "display/DisplayView.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace vidrune {

class DisplayWindow;
class QtApplicationThread;

// The live display's window on Qt. In a process without a Qt application the view runs
// one on the process's Qt thread (QtApplicationThread); in a Qt host the window lives on
// the host's GUI thread.
// Either way every call from another thread is carried out on that window thread.
class QtView : public DisplayView {
public:
    static constexpr uint32_t kThreadEndMs = 1000;
    // How long a host call waits for the window thread. One that does not answer in that
    // time (an event loop held up as it starts, a host's GUI thread that waits for the very
    // thread asking) is not waited for again, and no window is made, until it answers.
    static constexpr uint32_t kAnswerMs = 10000;

    // Whether a window system is there to show a window on: a Qt application already,
    // or a display named in the environment.
    static bool DisplayAvailable();

    explicit QtView(uint32_t answerMs = kAnswerMs);
    ~QtView() override;
    QtView(const QtView&) = delete;
    QtView& operator=(const QtView&) = delete;

    // False when no window thread could be started or it did not answer its first call,
    // while it does not answer, or when Qt fell back to no screen at all although a display
    // was expected.
    bool Usable() const;

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

    // The window, for code running on the window thread (tests); null when none.
    DisplayWindow* Window() const;
    // Runs work on the window thread and waits for it (at once when called there); false
    // when there is no window thread or it did not answer in time. Work that was queued
    // still runs once the thread gets to it, so it must own its state.
    bool RunOnWindowThread(std::function<void()> work) const;
    // Queues work for the window thread without waiting.
    void PostToWindowThread(std::function<void()> work) const;

private:
    // On the window, on its thread; wait = false queues the call and returns.
    void WithWindow(std::function<void(DisplayWindow&)> work, bool wait) const;
    void DestroyWindow();

    std::unique_ptr<QtApplicationThread> appThread_; // null in a Qt host
    const uint32_t answerMs_;
    std::atomic<bool> usable_{false};
    // Set while the window thread has not answered a call in time; its queued calls share
    // it, since they may run after the view is gone.
    std::shared_ptr<std::atomic<bool>> stalled_ = std::make_shared<std::atomic<bool>>(false);
    mutable std::mutex windowLock_;
    DisplayWindow* window_ = nullptr;
};

} // namespace vidrune
