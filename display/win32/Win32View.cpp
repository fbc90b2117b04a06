#include "display/win32/Win32View.h"

#include "display/win32/ResourceLibrary.h"
#include "display/win32/Win32Window.h"
#include "platform/DynamicLibrary.h"
#include "platform/Thread.h"
#include "platform/win32/WindowsHeaders.h"

namespace vidrune {

namespace {

using EnumMonitors = BOOL(WINAPI*)(HDC, LPCRECT, MONITORENUMPROC, LPARAM);
using GetMonitorInfoFunction = BOOL(WINAPI*)(HMONITOR, LPMONITORINFO);

// The display window's styles, for the frame around its client area.
constexpr DWORD kWindowStyle =
    WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
constexpr DWORD kWindowExStyle = WS_EX_APPWINDOW;

struct Enumeration {
    GetMonitorInfoFunction getInfo = nullptr;
    std::vector<MonitorInfo>* monitors = nullptr;
};

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
    auto* enumeration = reinterpret_cast<Enumeration*>(data);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (enumeration->getInfo(monitor, &info)) {
        const RECT& r = info.rcMonitor;
        enumeration->monitors->push_back(MonitorInfo{Rect{r.left, r.top, r.right, r.bottom},
                                                     (info.dwFlags & MONITORINFOF_PRIMARY) != 0});
    }
    return TRUE; // every monitor counts
}

} // namespace

Win32View::Win32View(const std::string& resourceLibrary)
    : resources_(std::make_shared<ResourceLibrary>(resourceLibrary)) {}

Win32View::~Win32View() {
    Destroy();
}

ScreenMetrics Win32View::Metrics() const {
    ScreenMetrics metrics;
    metrics.screenWidth = ::GetSystemMetrics(SM_CXSCREEN);
    metrics.screenHeight = ::GetSystemMetrics(SM_CYSCREEN);
    metrics.fullScreenHeight = ::GetSystemMetrics(SM_CYFULLSCREEN);
    metrics.monitorCount = ::GetSystemMetrics(SM_CMONITORS);
    // The frame as the system draws it around this window's styles, so that window and
    // client sizes convert exactly.
    RECT frame{0, 0, 0, 0};
    ::AdjustWindowRectEx(&frame, kWindowStyle, TRUE, kWindowExStyle);
    metrics.sizingFrameWidth = -frame.left;
    metrics.sizingFrameHeight = frame.bottom;
    metrics.captionHeight = ::GetSystemMetrics(SM_CYCAPTION);
    metrics.menuHeight = -frame.top - metrics.captionHeight - metrics.sizingFrameHeight;
    return metrics;
}

std::vector<MonitorInfo> Win32View::Monitors() const {
    std::vector<MonitorInfo> monitors;
    // Looked up by name: systems without multi-monitor support count as one screen.
    platform::DynamicLibrary user32("User32");
    auto enumerate = reinterpret_cast<EnumMonitors>(user32.Symbol("EnumDisplayMonitors"));
    Enumeration enumeration{
        reinterpret_cast<GetMonitorInfoFunction>(user32.Symbol("GetMonitorInfoA")), &monitors};
    if (enumerate != nullptr && enumeration.getInfo != nullptr)
        enumerate(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&enumeration));
    return monitors;
}

bool Win32View::Create(DisplayWindowEvents& events, const ViewPlacement& placement,
                       const std::string& title, uint32_t timeoutMs) {
    if (Exists())
        return true;
    const ScreenMetrics metrics = Metrics();
    const MonitorLayout layout =
        MonitorLayout::FromMonitors(Monitors(), metrics.screenWidth, metrics.screenHeight);
    auto window =
        std::make_shared<Win32Window>(events, resources_, metrics, layout.maxDisplayHeight);
    window->RememberHostThread();
    // The thread keeps its window alive: one abandoned after a time-out ends on its own.
    thread_ = std::make_unique<platform::Thread>(
        [window, placement, title] { window->Run(placement, title); });
    if (!thread_->Started() || !window->WaitReady(timeoutMs))
        return false;
    std::lock_guard lock(lock_);
    window_ = std::move(window);
    return true;
}

std::shared_ptr<Win32Window> Win32View::Current() const {
    std::lock_guard lock(lock_);
    return window_;
}

bool Win32View::Exists() const {
    return Current() != nullptr;
}

Win32Window* Win32View::Window() const {
    return Current().get();
}

HWND__* Win32View::WindowHandle() const {
    const auto window = Current();
    return window != nullptr ? window->Handle() : nullptr;
}

void Win32View::Place(const ViewPlacement& placement) {
    if (const auto window = Current())
        window->Place(placement);
}

void Win32View::Resize(int32_t windowWidth, int32_t windowHeight) {
    if (const auto window = Current())
        window->Resize(windowWidth, windowHeight);
}

void Win32View::SetTitle(const std::string& title) {
    if (const auto window = Current())
        window->SetTitle(title);
}

void Win32View::ClientSize(int32_t& width, int32_t& height) const {
    width = 0;
    height = 0;
    if (const auto window = Current())
        window->ClientSize(width, height);
}

void Win32View::Position(int32_t& left, int32_t& top) const {
    left = 0;
    top = 0;
    if (const auto window = Current())
        window->Position(left, top);
}

int32_t Win32View::WindowState() const {
    const auto window = Current();
    return window != nullptr ? window->State() : 1;
}

bool Win32View::OnTop() const {
    const auto window = Current();
    return window != nullptr && window->IsOnTop();
}

void Win32View::Present(const uint8_t* bitmap, int32_t width, int32_t height, size_t stride,
                        const Palette& palette) {
    if (const auto window = Current())
        window->Present(bitmap, width, height, stride, palette);
}

void Win32View::SetSaveAndPrintEnabled(bool enabled) {
    if (const auto window = Current())
        window->SetSaveAndPrintEnabled(enabled);
}

void Win32View::SetContrastEnabled(bool enabled) {
    if (const auto window = Current())
        window->SetContrastEnabled(enabled);
}

void Win32View::ShowContrast(int32_t gain, int32_t offset) {
    if (const auto window = Current())
        window->ShowContrast(gain, offset);
}

void Win32View::Destroy() {
    std::shared_ptr<Win32Window> window;
    {
        std::lock_guard lock(lock_);
        window = std::move(window_);
    }
    if (window != nullptr)
        window->Quit();
    // A window thread that does not end in time runs on with its own share of the window.
    if (thread_ != nullptr)
        thread_->Join(kThreadEndMs);
    thread_.reset();
}

} // namespace vidrune
