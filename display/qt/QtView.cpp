#include "display/qt/QtView.h"

#include "display/qt/DisplayWindow.h"
#include "display/qt/ImageArea.h"
#include "display/qt/PaletteImage.h"
#include "display/qt/QtApplicationThread.h"
#include "platform/Diagnostics.h"
#include "platform/Event.h"

#include <QApplication>
#include <QMenuBar>
#include <QMetaObject>
#include <QPointer>
#include <QScreen>
#include <QStyle>
#include <QThread>
#include <cstdlib>

namespace vidrune {

namespace {

constexpr const char* kOffscreen = "offscreen";

bool HasEnv(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

// The platforms to try when the environment names none. The last resort is no screen at
// all, which the view then refuses instead of letting Qt end the process.
std::string PlatformList() {
    if (HasEnv("QT_QPA_PLATFORM"))
        return {};
    return HasEnv("WAYLAND_DISPLAY") ? "wayland;xcb;offscreen" : "xcb;offscreen";
}

Rect ToRect(const QRect& rect) {
    return Rect{rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()};
}

ScreenMetrics ComputeMetrics() {
    ScreenMetrics metrics;
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (primary == nullptr)
        return metrics;
    const QRect screen = primary->geometry();
    const QRect available = primary->availableGeometry();
    QStyle* style = QApplication::style();
    metrics.screenWidth = screen.width();
    metrics.screenHeight = screen.height();
    metrics.captionHeight = style->pixelMetric(QStyle::PM_TitleBarHeight);
    metrics.fullScreenHeight = available.height() - metrics.captionHeight;
    metrics.monitorCount = static_cast<int32_t>(QGuiApplication::screens().size());
    // The window manager's frame is unknown until a window is shown; the style's frame
    // stands in for it so that window and client sizes always convert the same way.
    metrics.sizingFrameWidth = style->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth);
    metrics.sizingFrameHeight = metrics.sizingFrameWidth;
    // An empty menu bar has no height; one menu gives the height the window's bar has.
    QMenuBar menu;
    menu.addMenu(QStringLiteral("Image"));
    metrics.menuHeight = menu.sizeHint().height();
    return metrics;
}

std::vector<MonitorInfo> ComputeMonitors() {
    std::vector<MonitorInfo> monitors;
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (primary != nullptr)
        monitors.push_back(MonitorInfo{ToRect(primary->geometry()), true});
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (screen != primary)
            monitors.push_back(MonitorInfo{ToRect(screen->geometry()), false});
    }
    return monitors;
}

bool OnApplicationThread() {
    const QCoreApplication* app = QCoreApplication::instance();
    return app != nullptr && QThread::currentThread() == app->thread();
}

// Sets its event when the last copy of the call that holds it goes, run or not.
class DoneSignal {
public:
    explicit DoneSignal(std::shared_ptr<platform::Event> event) : event_(std::move(event)) {}
    ~DoneSignal() { event_->Set(); }
    DoneSignal(const DoneSignal&) = delete;
    DoneSignal& operator=(const DoneSignal&) = delete;

private:
    std::shared_ptr<platform::Event> event_;
};

// Creation hands its window over only while the caller still waits for it.
struct CreateRequest {
    std::mutex lock;
    bool abandoned = false;
    DisplayWindow* window = nullptr;
    platform::Event done{platform::Event::Mode::ManualReset};
};

} // namespace

bool QtView::DisplayAvailable() {
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr)
        return true;
    return HasEnv("QT_QPA_PLATFORM") || HasEnv("DISPLAY") || HasEnv("WAYLAND_DISPLAY");
}

QtView::QtView(uint32_t answerMs) : answerMs_(answerMs) {
    if (QCoreApplication::instance() != nullptr) {
        usable_ = qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
    } else {
        const std::string platforms = PlatformList();
        appThread_ = std::make_unique<QtApplicationThread>(platforms);
        usable_ = appThread_->Running() &&
                  (platforms.empty() || appThread_->PlatformName() != kOffscreen);
    }
    // The application may be there and its loop still not run: on X11, Qt's accessibility
    // bridge waits for the session bus as the loop starts, 25 s a call when the bus is hung.
    if (usable_ && !RunOnWindowThread([] {}))
        usable_ = false;
}

QtView::~QtView() {
    Destroy();
}

bool QtView::Usable() const {
    return usable_ && !stalled_->load();
}

bool QtView::RunOnWindowThread(std::function<void()> work) const {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr || !usable_)
        return false;
    if (OnApplicationThread()) {
        work();
        return true;
    }
    // Waiting on an event of our own rather than Qt's blocking connection keeps the hand-over
    // visible to the thread checker, and lets the wait end. The event is set when the call
    // ran or was dropped (an application that ended before it got to the call).
    auto done = std::make_shared<platform::Event>(platform::Event::Mode::ManualReset);
    auto signal = std::make_shared<DoneSignal>(done);
    QMetaObject::invokeMethod(
        app,
        [work = std::move(work), signal, stalled = stalled_] {
            work();
            // The thread answers again: later calls wait for it as before.
            stalled->store(false);
        },
        Qt::QueuedConnection);
    signal.reset();
    if (stalled_->load())
        return false;
    if (done->Wait(answerMs_))
        return true;
    const bool wasStalled = stalled_->exchange(true);
    // It may have answered just after the wait ended, before it was marked.
    if (done->Wait(0)) {
        stalled_->store(false);
        return true;
    }
    if (!wasStalled)
        platform::Diagnostics::DebugText("The display window's thread does not answer; calls go "
                                         "on without it until it does\n");
    return false;
}

void QtView::PostToWindowThread(std::function<void()> work) const {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr || !usable_)
        return;
    QMetaObject::invokeMethod(app, std::move(work), Qt::QueuedConnection);
}

void QtView::WithWindow(std::function<void(DisplayWindow&)> work, bool wait) const {
    QPointer<DisplayWindow> window;
    {
        std::lock_guard lock(windowLock_);
        if (window_ == nullptr)
            return;
        window = window_;
    }
    auto call = [window, work = std::move(work)] {
        if (window != nullptr)
            work(*window);
    };
    if (wait)
        RunOnWindowThread(call);
    else
        PostToWindowThread(std::move(call));
}

ScreenMetrics QtView::Metrics() const {
    auto metrics = std::make_shared<ScreenMetrics>();
    if (!RunOnWindowThread([metrics] { *metrics = ComputeMetrics(); }))
        return {};
    return *metrics;
}

std::vector<MonitorInfo> QtView::Monitors() const {
    auto monitors = std::make_shared<std::vector<MonitorInfo>>();
    if (!RunOnWindowThread([monitors] { *monitors = ComputeMonitors(); }))
        return {};
    return *monitors;
}

bool QtView::Create(DisplayWindowEvents& events, const ViewPlacement& placement,
                    const std::string& title, uint32_t timeoutMs) {
    if (!Usable())
        return false;
    DestroyWindow();
    auto request = std::make_shared<CreateRequest>();
    auto create = [request, &events, placement, title] {
        std::lock_guard lock(request->lock);
        if (request->abandoned)
            return;
        const ScreenMetrics metrics = ComputeMetrics();
        const MonitorLayout layout = MonitorLayout::FromMonitors(
            ComputeMonitors(), metrics.screenWidth, metrics.screenHeight);
        auto* window = new DisplayWindow(events, title, metrics, layout.maxDisplayHeight);
        window->Place(placement);
        request->window = window;
        request->done.Set();
    };
    if (OnApplicationThread())
        create();
    else
        PostToWindowThread(create);
    request->done.Wait(timeoutMs);

    std::lock_guard lock(request->lock);
    if (request->window == nullptr) {
        // Too late: when the window thread gets to it, it creates nothing.
        request->abandoned = true;
        return false;
    }
    std::lock_guard windowLock(windowLock_);
    window_ = request->window;
    return true;
}

bool QtView::Exists() const {
    std::lock_guard lock(windowLock_);
    return window_ != nullptr;
}

DisplayWindow* QtView::Window() const {
    std::lock_guard lock(windowLock_);
    return window_;
}

void QtView::Place(const ViewPlacement& placement) {
    WithWindow([placement](DisplayWindow& window) { window.Place(placement); }, true);
}

void QtView::Resize(int32_t windowWidth, int32_t windowHeight) {
    WithWindow([windowWidth, windowHeight](
                   DisplayWindow& window) { window.ResizeWindow(windowWidth, windowHeight); },
               true);
}

void QtView::SetTitle(const std::string& title) {
    WithWindow([title](DisplayWindow& window) { window.SetTitleLine(title); }, true);
}

void QtView::ClientSize(int32_t& width, int32_t& height) const {
    std::lock_guard lock(windowLock_);
    width = window_ != nullptr ? window_->ClientWidth() : 0;
    height = window_ != nullptr ? window_->ClientHeight() : 0;
}

void QtView::Position(int32_t& left, int32_t& top) const {
    std::lock_guard lock(windowLock_);
    left = window_ != nullptr ? window_->Left() : 0;
    top = window_ != nullptr ? window_->Top() : 0;
}

int32_t QtView::WindowState() const {
    std::lock_guard lock(windowLock_);
    return window_ != nullptr ? window_->State() : 1;
}

bool QtView::OnTop() const {
    std::lock_guard lock(windowLock_);
    return window_ != nullptr && window_->IsOnTop();
}

void QtView::Present(const uint8_t* bitmap, int32_t width, int32_t height, size_t stride,
                     const Palette& palette) {
    QImage frame = PaletteImage::Make(bitmap, width, height, stride, palette);
    std::lock_guard lock(windowLock_);
    // The window goes only after it left window_, so it is alive while the lock is held.
    if (window_ != nullptr)
        window_->Area()->SetFrame(std::move(frame));
}

void QtView::SetSaveAndPrintEnabled(bool enabled) {
    WithWindow([enabled](DisplayWindow& window) { window.SetSaveAndPrintEnabled(enabled); }, true);
}

void QtView::SetContrastEnabled(bool enabled) {
    WithWindow([enabled](DisplayWindow& window) { window.SetContrastEnabled(enabled); }, true);
}

void QtView::ShowContrast(int32_t gain, int32_t offset) {
    // From the update thread: never wait for the window thread, which may wait for it.
    WithWindow([gain, offset](DisplayWindow& window) { window.ShowContrast(gain, offset); }, false);
}

void QtView::Destroy() {
    DestroyWindow();
    if (appThread_ != nullptr) {
        appThread_->Stop(kThreadEndMs);
        usable_ = false;
    }
}

void QtView::DestroyWindow() {
    DisplayWindow* window = nullptr;
    {
        std::lock_guard lock(windowLock_);
        window = window_;
        window_ = nullptr;
    }
    if (window != nullptr)
        RunOnWindowThread([window] { window->Retire(); });
}

} // namespace vidrune
