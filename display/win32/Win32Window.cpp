#include "display/win32/Win32Window.h"

#include "display/win32/DialogProc.h"
#include "display/win32/DispResourceIds.h"
#include "display/win32/ResourceLibrary.h"
#include "display/win32/Win32ContrastDialog.h"
#include "platform/win32/WindowsHeaders.h"

#include <algorithm>

namespace vidrune {

namespace {

constexpr uint32_t kCommandMask = 0xFFFF;
// The position flag that marks a change of the window state (minimize, maximize, restore).
constexpr UINT kStateChangeFlag = 0x8000;
constexpr int32_t kMinimized = 1;
constexpr int32_t kMaximized = 2;

int32_t ZoomOf(uint32_t command) {
    switch (command) {
    case IDM_ZOOM25:
        return 25;
    case IDM_ZOOM50:
        return 50;
    case IDM_ZOOM75:
        return 75;
    case IDM_ZOOM100:
        return 100;
    case IDM_ZOOM150:
        return 150;
    case IDM_ZOOM200:
        return 200;
    default:
        return 0;
    }
}

SizingEdge EdgeOf(uintptr_t edge) {
    switch (edge) {
    case WMSZ_LEFT:
        return SizingEdge::Left;
    case WMSZ_TOP:
        return SizingEdge::Top;
    case WMSZ_TOPLEFT:
        return SizingEdge::TopLeft;
    case WMSZ_TOPRIGHT:
        return SizingEdge::TopRight;
    case WMSZ_BOTTOM:
        return SizingEdge::Bottom;
    case WMSZ_BOTTOMLEFT:
        return SizingEdge::BottomLeft;
    case WMSZ_BOTTOMRIGHT:
        return SizingEdge::BottomRight;
    default:
        return SizingEdge::Right;
    }
}

// Mouse buttons other than the left one, and the frame's buttons: the system's handling
// only, nothing for the host.
bool IsQuietMouseMessage(UINT message) {
    return (message >= WM_RBUTTONDOWN && message <= WM_MBUTTONDBLCLK) ||
           (message >= WM_NCLBUTTONDOWN && message <= WM_NCMBUTTONDBLCLK);
}

} // namespace

Win32Window::Win32Window(DisplayWindowEvents& events, std::shared_ptr<ResourceLibrary> resources,
                         const ScreenMetrics& metrics, int32_t maxDisplayHeight)
    : events_(events), resources_(std::move(resources)),
      extra_(WindowGeometry::FrameExtraFor(metrics)), maxDisplayHeight_(maxDisplayHeight),
      saveDialog_(resources_->Handle()), printer_(resources_->Handle()) {}

Win32Window::~Win32Window() = default;

void Win32Window::RememberHostThread() {
    const DWORD caller = ::GetCurrentThreadId();
    if (caller != windowThread_)
        hostThread_ = caller;
}

void Win32Window::Run(const ViewPlacement& placement, const std::string& title) {
    windowThread_ = ::GetCurrentThreadId();
    titleText_ = title;
    HWND hwnd = ::CreateDialogParamA(resources_->Handle(), MAKEINTRESOURCEA(IDD_DISPLAY), nullptr,
                                     DialogProc<Win32Window>, reinterpret_cast<LPARAM>(this));
    if (hwnd == nullptr)
        return; // no resources: the creator's wait times out
    Place(placement);
    {
        std::lock_guard lock(readyLock_);
        if (abandoned_) {
            ::DestroyWindow(hwnd);
            hwnd_ = nullptr;
            return;
        }
        ready_.Set();
    }
    MSG message;
    while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
        HWND contrast = contrast_ != nullptr ? contrast_->Handle() : nullptr;
        if (contrast != nullptr && ::IsDialogMessageA(contrast, &message))
            continue;
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
    contrast_.reset();
    ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    hwnd_ = nullptr;
    ::DestroyWindow(hwnd);
}

bool Win32Window::WaitReady(uint32_t timeoutMs) {
    if (ready_.Wait(timeoutMs))
        return true;
    std::lock_guard lock(readyLock_);
    if (ready_.Wait(0))
        return true;
    abandoned_ = true;
    return false;
}

void Win32Window::Quit() {
    if (windowThread_ != 0)
        ::PostThreadMessageA(windowThread_, WM_QUIT, 0, 0);
}

void Win32Window::Attach(HWND__* hwnd) {
    hwnd_ = hwnd;
    image_ = ::GetDlgItem(hwnd, IDC_IMAGE);
}

void Win32Window::Place(const ViewPlacement& placement) {
    RememberHostThread();
    HWND hwnd = hwnd_;
    if (hwnd == nullptr)
        return;
    // The placement sets the restored rectangle and the state in one go, whatever the
    // state was before.
    WINDOWPLACEMENT where{};
    where.length = sizeof where;
    ::GetWindowPlacement(hwnd, &where);
    where.flags = 0;
    where.rcNormalPosition =
        RECT{placement.left, placement.top, placement.left + placement.windowWidth,
             placement.top + placement.windowHeight};
    where.showCmd = placement.windowState == kMinimized   ? SW_SHOWMINNOACTIVE
                    : placement.windowState == kMaximized ? SW_SHOWMAXIMIZED
                                                          : SW_SHOWNORMAL;
    ::SetWindowPlacement(hwnd, &where);
    ::SetWindowPos(hwnd, placement.onTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ::CheckMenuItem(::GetMenu(hwnd), IDM_ONTOP,
                    MF_BYCOMMAND | (placement.onTop ? MF_CHECKED : MF_UNCHECKED));
}

void Win32Window::Resize(int32_t windowWidth, int32_t windowHeight) {
    HWND hwnd = hwnd_;
    if (hwnd == nullptr)
        return;
    if (::IsIconic(hwnd)) {
        // A minimized window takes the new size when it is restored.
        WINDOWPLACEMENT where{};
        where.length = sizeof where;
        ::GetWindowPlacement(hwnd, &where);
        where.flags = 0;
        where.rcNormalPosition.right = where.rcNormalPosition.left + windowWidth;
        where.rcNormalPosition.bottom = where.rcNormalPosition.top + windowHeight;
        ::SetWindowPlacement(hwnd, &where);
        return;
    }
    ::SetWindowPos(hwnd, nullptr, 0, 0, windowWidth, windowHeight,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Window::SetTitle(const std::string& title) {
    if (HWND hwnd = hwnd_)
        ::SetWindowTextA(hwnd, title.c_str());
}

void Win32Window::ClientSize(int32_t& width, int32_t& height) const {
    RECT client{};
    if (HWND hwnd = hwnd_)
        ::GetClientRect(hwnd, &client);
    width = client.right;
    height = client.bottom;
}

void Win32Window::Position(int32_t& left, int32_t& top) const {
    RECT frame{};
    if (HWND hwnd = hwnd_)
        ::GetWindowRect(hwnd, &frame);
    left = frame.left;
    top = frame.top;
}

int32_t Win32Window::State() const {
    HWND hwnd = hwnd_;
    if (hwnd == nullptr || ::IsIconic(hwnd))
        return kMinimized;
    return ::IsZoomed(hwnd) ? kMaximized : 0;
}

bool Win32Window::IsOnTop() const {
    HWND hwnd = hwnd_;
    return hwnd != nullptr && (::GetWindowLongPtrA(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

void Win32Window::Present(const uint8_t* bitmap, int32_t width, int32_t height, size_t stride,
                          const Palette& palette) {
    bitmap_.Store(bitmap, width, height, stride, palette);
    // Painted by the window thread; invalidating never waits for it.
    if (image_ != nullptr)
        ::InvalidateRect(image_, nullptr, FALSE);
}

void Win32Window::SetSaveAndPrintEnabled(bool enabled) {
    EnableCommand(IDM_SAVE, enabled);
    EnableCommand(IDM_PRINT, enabled);
}

void Win32Window::SetContrastEnabled(bool enabled) {
    contrastEnabled_ = enabled;
    EnableCommand(IDM_RESTART_LEVELS, enabled);
    // While the dialog is open its command stays grayed.
    EnableCommand(IDM_CONTRAST, enabled && !contrastOpen_);
}

void Win32Window::ShowContrast(int32_t gain, int32_t offset) {
    // From the update thread: posted, so that it never waits for the window thread.
    if (HWND hwnd = hwnd_)
        ::PostMessageA(hwnd, kShowContrastMessage, static_cast<WPARAM>(gain),
                       static_cast<LPARAM>(offset));
}

void Win32Window::EnableCommand(uint32_t id, bool enabled) const {
    HWND hwnd = hwnd_;
    if (hwnd == nullptr)
        return;
    ::EnableMenuItem(::GetMenu(hwnd), id, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
    ::DrawMenuBar(hwnd);
}

bool Win32Window::CommandEnabled(uint32_t id) const {
    const UINT state = ::GetMenuState(::GetMenu(hwnd_), id, MF_BYCOMMAND);
    return state != static_cast<UINT>(-1) && (state & (MF_GRAYED | MF_DISABLED)) == 0;
}

intptr_t Win32Window::HandleMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog();
        return TRUE;
    case WM_SIZE:
        OnSize(wParam);
        return FALSE;
    case WM_CLOSE:
        // The user never closes the live display; it only goes out of the way.
        ::ShowWindow(hwnd_, SW_MINIMIZE);
        return TRUE;
    case WM_WINDOWPOSCHANGING:
        OnWindowPosChanging(reinterpret_cast<void*>(lParam));
        return FALSE;
    case WM_SIZING:
        OnSizing(wParam, reinterpret_cast<void*>(lParam));
        return TRUE;
    case WM_GETMINMAXINFO: {
        // Zooms down to 25 % of small images need windows smaller than the system's
        // default minimum; the frame and a few pixels of image are the least.
        auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
        limits->ptMinTrackSize = POINT{extra_.width + 4, extra_.height + 4};
        return TRUE;
    }
    case WM_ENTERSIZEMOVE:
    case WM_EXITSIZEMOVE:
        OnSizeMove(message == WM_ENTERSIZEMOVE);
        return FALSE;
    case WM_MOVE:
        if (!::IsIconic(hwnd_)) {
            int32_t left = 0;
            int32_t top = 0;
            Position(left, top);
            events_.OnMoved(left, top);
        }
        break; // told to the host as well
    case WM_LBUTTONDOWN:
        Position(anchorLeft_, anchorTop_);
        anchorX_ = LOWORD(lParam);
        anchorY_ = HIWORD(lParam);
        return FALSE;
    case WM_MOUSEMOVE:
        OnMouseMove(wParam, lParam);
        return FALSE;
    case WM_LBUTTONUP:
        ::ReleaseCapture();
        return FALSE;
    case WM_LBUTTONDBLCLK:
        ::ShowWindow(hwnd_, SW_MINIMIZE);
        // Handled: the default handling restores a window double-clicked while iconic.
        return TRUE;
    case WM_COMMAND:
        OnCommand(static_cast<uint32_t>(wParam & kCommandMask));
        return TRUE;
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item->CtlID != IDC_IMAGE)
            return FALSE;
        bitmap_.Draw(item->hDC, item->rcItem.right - item->rcItem.left,
                     item->rcItem.bottom - item->rcItem.top);
        return TRUE;
    }
    case kShowContrastMessage:
        if (contrast_ != nullptr)
            contrast_->ShowValues(static_cast<int32_t>(wParam), static_cast<int32_t>(lParam));
        return TRUE;
    case kContrastClosedMessage:
        contrast_.reset();
        contrastOpen_ = false;
        EnableCommand(IDM_CONTRAST, contrastEnabled_);
        return TRUE;
    default:
        if (IsQuietMouseMessage(message))
            return FALSE;
        break;
    }
    ForwardToHost(message, wParam, lParam);
    return FALSE;
}

void Win32Window::ForwardToHost(uint32_t message, uintptr_t wParam, intptr_t lParam) const {
    if (const DWORD host = hostThread_)
        ::PostThreadMessageA(host, message, wParam, lParam);
}

void Win32Window::OnInitDialog() {
    if (titleText_.empty()) {
        char caption[260] = {};
        ::GetWindowTextA(hwnd_, caption, sizeof caption);
        titleText_ = caption;
    }
    ::SetWindowTextA(hwnd_, titleText_.c_str());
    HINSTANCE resources = resources_->Handle();
    for (const auto& [kind, size] : {std::pair{ICON_BIG, SM_CXICON}, {ICON_SMALL, SM_CXSMICON}}) {
        const int side = ::GetSystemMetrics(size);
        HANDLE icon = ::LoadImageA(resources, MAKEINTRESOURCEA(IDI_DISPLAY), IMAGE_ICON, side, side,
                                   LR_SHARED);
        ::SendMessageA(hwnd_, WM_SETICON, kind, reinterpret_cast<LPARAM>(icon));
    }
    SetSaveAndPrintEnabled(false);
    SetContrastEnabled(events_.BitsPerPixel() > 8);
    ReadSizes();
    FitImageArea();
}

void Win32Window::OnSize(uintptr_t kind) {
    if (kind == SIZE_MINIMIZED) {
        events_.OnResized(0, 0, kMinimized);
        return;
    }
    if (kind != SIZE_RESTORED && kind != SIZE_MAXIMIZED)
        return;
    ReadSizes();
    FitImageArea();
    events_.OnResized(sizes_.clientWidth, sizes_.clientHeight,
                      kind == SIZE_MAXIMIZED ? kMaximized : 0);
}

bool Win32Window::OnWindowPosChanging(void* windowPos) {
    auto* pos = static_cast<WINDOWPOS*>(windowPos);
    const bool moves = (pos->flags & SWP_NOMOVE) == 0;
    const bool sizes = (pos->flags & SWP_NOSIZE) == 0;
    const float aspect = Aspect();
    if (!sizes || aspect <= 0.0f ||
        WindowGeometry::IgnoresPositionChange(pos->cx, pos->cy,
                                              (pos->flags & kStateChangeFlag) != 0, moves, sizes))
        return false;
    const WindowSizes locked =
        WindowGeometry::LockAspect(sizes_, pos->cx, pos->cy, (pos->flags & SWP_FRAMECHANGED) != 0,
                                   aspect, extra_, maxDisplayHeight_);
    sizes_ = locked;
    pos->cx = locked.windowWidth;
    pos->cy = locked.windowHeight;
    return true;
}

void Win32Window::OnSizing(uintptr_t edge, void* rect) {
    auto* proposed = static_cast<RECT*>(rect);
    const Rect sized = WindowGeometry::SizingRect(
        Rect{proposed->left, proposed->top, proposed->right, proposed->bottom}, EdgeOf(edge),
        sizes_, extra_);
    *proposed = RECT{sized.left, sized.top, sized.right, sized.bottom};
}

void Win32Window::OnSizeMove(bool entering) {
    events_.OnRenderEnabled(!entering);
    ReadSizes();
    if (entering)
        return;
    int32_t left = 0;
    int32_t top = 0;
    Position(left, top);
    events_.OnMoved(left, top);
    events_.OnResized(sizes_.clientWidth, sizes_.clientHeight, State());
}

void Win32Window::OnMouseMove(uintptr_t keys, intptr_t lParam) {
    if (!::IsIconic(hwnd_)) {
        int32_t left = 0;
        int32_t top = 0;
        Position(left, top);
        events_.OnMoved(left, top);
    }
    if ((keys & MK_LBUTTON) == 0)
        return;
    ::SetCapture(hwnd_);
    // Client coordinates: the window moved under the mouse by what the mouse moved since
    // the press, so the press point stays under it.
    anchorLeft_ += static_cast<int16_t>(LOWORD(lParam)) - anchorX_;
    anchorTop_ += static_cast<int16_t>(HIWORD(lParam)) - anchorY_;
    ::SetWindowPos(hwnd_, nullptr, anchorLeft_, anchorTop_, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Window::OnCommand(uint32_t id) {
    if (id < IDM_ZOOM25 || id > IDM_CONTRAST || !CommandEnabled(id))
        return;
    if (const int32_t zoom = ZoomOf(id); zoom != 0) {
        events_.OnZoom(zoom);
        return;
    }
    switch (id) {
    case IDM_SAVE:
        SaveCommand();
        break;
    case IDM_PRINT:
        PrintCommand();
        break;
    case IDM_MINIMIZE:
    case IDM_HIDE:
        ::ShowWindow(hwnd_, SW_MINIMIZE);
        break;
    case IDM_ONTOP:
        ToggleOnTop();
        break;
    case IDM_RESTART_LEVELS:
        events_.OnRestartAutoLevels();
        break;
    case IDM_CONTRAST:
        OpenContrast();
        break;
    default:
        break;
    }
}

void Win32Window::SaveCommand() {
    bool includeOverlay = includeOverlay_;
    if (!saveDialog_.Ask(hwnd_, includeOverlay))
        return;
    includeOverlay_ = includeOverlay;
    // A file that cannot be written is left unwritten, without a word: the display never
    // stops the host with a message.
    SaveTo(saveDialog_.FileName(), includeOverlay);
}

void Win32Window::PrintCommand() {
    bool includeOverlay = includeOverlay_;
    HDC printer = printer_.Ask(hwnd_, includeOverlay);
    if (printer == nullptr)
        return;
    includeOverlay_ = includeOverlay;
    PrintTo(printer, includeOverlay);
    ::DeleteDC(printer);
}

bool Win32Window::SaveTo(const std::string& path, bool includeOverlay) {
    return events_.OnSave(path, includeOverlay);
}

bool Win32Window::PrintTo(HDC__* printer, bool includeOverlay, const std::string& outputFile) {
    std::vector<uint8_t> pixels;
    int32_t width = 0;
    int32_t height = 0;
    if (!events_.OnSnapshot(includeOverlay, pixels, width, height))
        return false;
    return Win32Printer::Print(printer, hwnd_, pixels, width, height, palette_, outputFile);
}

void Win32Window::ToggleOnTop() {
    const bool onTop = !IsOnTop();
    ::CheckMenuItem(::GetMenu(hwnd_), IDM_ONTOP,
                    MF_BYCOMMAND | (onTop ? MF_CHECKED : MF_UNCHECKED));
    ::SetWindowPos(hwnd_, onTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW | SWP_NOACTIVATE);
    events_.OnTopChanged(onTop);
}

void Win32Window::OpenContrast() {
    if (contrast_ != nullptr)
        return;
    contrast_ = std::make_unique<Win32ContrastDialog>(events_, resources_->Handle(), hwnd_,
                                                      kContrastClosedMessage);
    if (contrast_->Handle() == nullptr) {
        contrast_.reset();
        return;
    }
    contrastOpen_ = true;
    EnableCommand(IDM_CONTRAST, false);
}

void Win32Window::ReadSizes() {
    RECT client{};
    ::GetClientRect(hwnd_, &client);
    sizes_.clientWidth = client.right;
    sizes_.clientHeight = client.bottom;
    sizes_.windowWidth = client.right + extra_.width;
    sizes_.windowHeight = client.bottom + extra_.height;
}

void Win32Window::FitImageArea() {
    if (image_ != nullptr)
        ::MoveWindow(image_, 0, 0, sizes_.clientWidth, sizes_.clientHeight, TRUE);
}

float Win32Window::Aspect() const {
    const float aspect = events_.Aspect();
    if (aspect > 0.0f)
        return aspect;
    if (sizes_.clientWidth > 0 && sizes_.clientHeight > 0)
        return static_cast<float>(sizes_.clientWidth) / static_cast<float>(sizes_.clientHeight);
    return 0.0f;
}

} // namespace vidrune
