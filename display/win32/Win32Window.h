#pragma once

#include "display/DisplayView.h"
#include "display/WindowGeometry.h"
#include "display/win32/PaletteBitmap.h"
#include "display/win32/Win32Printer.h"
#include "display/win32/Win32SaveDialog.h"
#include "platform/Event.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

struct HDC__;
struct HWND__;

namespace vidrune {

class ResourceLibrary;
class Win32ContrastDialog;

// The live display window: a modeless dialog from template 103 of DispResources whose
// client area is the image. Run() is the window thread: it makes the window, places it
// and pumps the thread's messages until Quit(). The dialog procedure keeps the image's
// proportions, lets the user drag the window by the image, minimizes instead of closing,
// carries out the menu commands and posts every message it does not handle to the thread
// that last placed the window (the host's). The other members may be called from any
// thread once the window is ready.
class Win32Window {
public:
    // Private messages; the range stays clear of what a host might post to the window.
    static constexpr uint32_t kShowContrastMessage = 0x8000 + 0x3A1; // WM_APP + 0x3A1
    static constexpr uint32_t kContrastClosedMessage = 0x8000 + 0x3A2;

    Win32Window(DisplayWindowEvents& events, std::shared_ptr<ResourceLibrary> resources,
                const ScreenMetrics& metrics, int32_t maxDisplayHeight);
    ~Win32Window();
    Win32Window(const Win32Window&) = delete;
    Win32Window& operator=(const Win32Window&) = delete;

    // The window thread's body. Returns when the window could not be made, was abandoned
    // before it was ready, or after Quit().
    void Run(const ViewPlacement& placement, const std::string& title);
    // Waits for the window; false after the time-out, and the window, should it come
    // later, is destroyed at once.
    bool WaitReady(uint32_t timeoutMs);
    // Ends the message loop; the window thread then destroys the window.
    void Quit();
    // The calling thread receives the messages the window does not handle.
    void RememberHostThread();

    HWND__* Handle() const { return hwnd_; }
    void Place(const ViewPlacement& placement);
    void Resize(int32_t windowWidth, int32_t windowHeight);
    void SetTitle(const std::string& title);
    void ClientSize(int32_t& width, int32_t& height) const;
    void Position(int32_t& left, int32_t& top) const;
    int32_t State() const;
    bool IsOnTop() const;
    void Present(const uint8_t* bitmap, int32_t width, int32_t height, size_t stride,
                 const Palette& palette);
    void SetSaveAndPrintEnabled(bool enabled);
    void SetContrastEnabled(bool enabled);
    void ShowContrast(int32_t gain, int32_t offset);

    // Save and Print as the commands do once the user confirmed their dialogs: the shown
    // image, the overlay ORed in when asked, to a TIFF file or one printed page (into
    // outputFile when given). False when nothing was written or printed. Window thread.
    bool SaveTo(const std::string& path, bool includeOverlay);
    bool PrintTo(HDC__* printer, bool includeOverlay, const std::string& outputFile = {});

    // The dialog procedure's work, on the window thread.
    intptr_t HandleMessage(uint32_t message, uintptr_t wParam, intptr_t lParam);
    void Attach(HWND__* hwnd);

private:
    void OnInitDialog();
    void OnSize(uintptr_t kind);
    bool OnWindowPosChanging(void* windowPos);
    void OnSizing(uintptr_t edge, void* rect);
    void OnSizeMove(bool entering);
    void OnMouseMove(uintptr_t keys, intptr_t lParam);
    void OnCommand(uint32_t id);
    void SaveCommand();
    void PrintCommand();
    void ToggleOnTop();
    void OpenContrast();
    void ForwardToHost(uint32_t message, uintptr_t wParam, intptr_t lParam) const;
    void ReadSizes();
    void FitImageArea();
    float Aspect() const;
    void EnableCommand(uint32_t id, bool enabled) const;
    bool CommandEnabled(uint32_t id) const;

    DisplayWindowEvents& events_;
    std::shared_ptr<ResourceLibrary> resources_;
    PaletteBitmap bitmap_;
    FrameExtra extra_;
    int32_t maxDisplayHeight_ = 0;
    std::string titleText_;

    std::atomic<HWND__*> hwnd_{nullptr};
    HWND__* image_ = nullptr;
    std::atomic<uint32_t> windowThread_{0};
    std::atomic<uint32_t> hostThread_{0};
    std::mutex readyLock_;
    bool abandoned_ = false;
    platform::Event ready_{platform::Event::Mode::ManualReset};

    // Window thread only.
    WindowSizes sizes_;
    int32_t anchorLeft_ = 0;
    int32_t anchorTop_ = 0;
    int32_t anchorX_ = 0;
    int32_t anchorY_ = 0;
    std::atomic<bool> contrastEnabled_{true};
    std::atomic<bool> contrastOpen_{false};
    std::unique_ptr<Win32ContrastDialog> contrast_;
    Win32SaveDialog saveDialog_;
    Win32Printer printer_;
    Palette palette_;
    // Shared by both dialogs: each offers the other's last choice.
    bool includeOverlay_ = false;
};

} // namespace vidrune
