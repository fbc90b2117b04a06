#include "display/HeadlessView.h"

#include "display/ImageScaler.h"

#include <new>

namespace vidrune {

namespace {

constexpr int32_t kScreenWidth = 1920;
constexpr int32_t kScreenHeight = 1080;

} // namespace

HeadlessView::HeadlessView(std::vector<MonitorInfo> monitors) : monitors_(std::move(monitors)) {
    if (monitors_.empty())
        monitors_.push_back(MonitorInfo{Rect{0, 0, kScreenWidth, kScreenHeight}, true});
    const Rect& primary = monitors_.front().bounds;
    metrics_.screenWidth = primary.Width();
    metrics_.screenHeight = primary.Height();
    metrics_.fullScreenHeight = primary.Height() - 40; // a task bar
    metrics_.monitorCount = static_cast<int32_t>(monitors_.size());
    metrics_.sizingFrameWidth = 4;
    metrics_.sizingFrameHeight = 4;
    metrics_.captionHeight = 23;
    metrics_.menuHeight = 20;
}

bool HeadlessView::Create(DisplayWindowEvents& events, const ViewPlacement& placement,
                          const std::string& title, uint32_t) {
    events_ = &events;
    SetTitle(title);
    Place(placement);
    exists_ = true;
    return true;
}

void HeadlessView::Place(const ViewPlacement& placement) {
    std::lock_guard lock(lock_);
    left_ = placement.left;
    top_ = placement.top;
    windowWidth_ = placement.windowWidth;
    windowHeight_ = placement.windowHeight;
    state_ = placement.windowState;
    onTop_ = placement.onTop;
}

void HeadlessView::Resize(int32_t windowWidth, int32_t windowHeight) {
    std::lock_guard lock(lock_);
    windowWidth_ = windowWidth;
    windowHeight_ = windowHeight;
}

void HeadlessView::SetTitle(const std::string& title) {
    std::lock_guard lock(lock_);
    title_ = title;
}

std::string HeadlessView::Title() const {
    std::lock_guard lock(lock_);
    return title_;
}

void HeadlessView::ClientSize(int32_t& width, int32_t& height) const {
    std::lock_guard lock(lock_);
    const FrameExtra extra = WindowGeometry::FrameExtraFor(metrics_);
    width = std::max(0, windowWidth_ - extra.width);
    height = std::max(0, windowHeight_ - extra.height);
}

void HeadlessView::Position(int32_t& left, int32_t& top) const {
    std::lock_guard lock(lock_);
    left = left_;
    top = top_;
}

void HeadlessView::SetWindowState(int32_t state) {
    state_ = state;
    int32_t width = 0;
    int32_t height = 0;
    ClientSize(width, height);
    if (events_ != nullptr)
        events_->OnResized(width, height, state);
}

void HeadlessView::Present(const uint8_t* bitmap, int32_t width, int32_t height, size_t stride,
                           const Palette&) {
    int32_t clientWidth = 0;
    int32_t clientHeight = 0;
    ClientSize(clientWidth, clientHeight);
    std::lock_guard lock(lock_);
    try {
        screen_.assign(static_cast<size_t>(clientWidth) * static_cast<size_t>(clientHeight), 0);
        ImageScaler scaler;
        scaler.Stretch(bitmap, width, height, stride, screen_.data(), clientWidth, clientHeight,
                       static_cast<size_t>(clientWidth));
    } catch (const std::bad_alloc&) {
        // A window as large as the image is a frame-sized block: without it nothing is shown.
        std::vector<uint8_t>().swap(screen_);
        screenWidth_ = 0;
        screenHeight_ = 0;
        return;
    }
    screenWidth_ = clientWidth;
    screenHeight_ = clientHeight;
    ++presents_;
}

std::vector<uint8_t> HeadlessView::Screen(int32_t& width, int32_t& height) const {
    std::lock_guard lock(lock_);
    width = screenWidth_;
    height = screenHeight_;
    return screen_;
}

} // namespace vidrune
