#include "display/CDispWin.h"

#include "device/CAcqDevice.h"
#include "display/DisplaySettings.h"
#include "display/ImageComposer.h"
#include "display/TiffWriter.h"
#include "platform/Clock.h"
#include "platform/Diagnostics.h"
#include "platform/Thread.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace vidrune {

namespace {

using platform::Clock;

constexpr uint32_t kUpdateThreadEndMs = 1000;
constexpr uint32_t kRenderDoneMs = 1000;
constexpr size_t kTitleBufferSize = 260;
constexpr int32_t kMinimized = 1;
constexpr int32_t kMaximized = 2;
constexpr const char* kDefaultTitle = "Stravik-2 Live";

} // namespace

CDispWin::CDispWin(std::unique_ptr<DisplayView> view) : view_(std::move(view)) {
    metrics_ = view_->Metrics();
    monitors_ =
        MonitorLayout::FromMonitors(view_->Monitors(), metrics_.screenWidth, metrics_.screenHeight);
    maxDisplayWidth_ = monitors_.maxDisplayWidth;
    maxDisplayHeight_ = monitors_.maxDisplayHeight;
    extra_ = WindowGeometry::FrameExtraFor(metrics_);
}

CDispWin::~CDispWin() {
    Close();
    EndLateUpdateThread();
    view_->Destroy();
}

void CDispWin::EndLateUpdateThread() {
    // An update thread that outlived Close's wait (a view held up in drawing) still uses
    // this object: nothing it uses may go, and a new thread must not share its events.
    // One still running, from an open never closed, is told to end first.
    if (updateThread_) {
        stopEvent_.Set();
        updateThread_->Join(platform::kInfinite);
        updateThread_.reset();
    }
}

void CDispWin::SetParamString(const char* text, int32_t index) {
    if (index != 9 || text == nullptr)
        return;
    std::lock_guard lock(titleLock_);
    // The title buffer holds 259 characters and the terminating NUL.
    title_.assign(text, std::min(std::strlen(text), kTitleBufferSize - 1));
}

std::string CDispWin::TitleText() const {
    std::lock_guard lock(titleLock_);
    return title_.empty() ? kDefaultTitle : title_;
}

std::string CDispWin::TitleLine(int32_t zoom) const {
    return WindowGeometry::TitleLine(TitleText(), zoom);
}

void CDispWin::LoadSettings() {
    CAcqDevice* device = device_;
    if (device == nullptr)
        return;
    DisplaySettingsValues values{left_, top_, preferredClientWidth_, windowState_, onTop_};
    const SettingsKey key{device->GetAcqDeviceId(), device->GetCurrentInputDevice(),
                          device->GetCurrentInputMode()};
    DisplaySettings::Load(key, aspect_, monitors_, values);
    left_ = values.left;
    top_ = values.top;
    preferredClientWidth_ = values.preferredClientWidth;
    windowState_ = values.windowState;
    onTop_ = values.onTop;
}

void CDispWin::SaveSettings() {
    CAcqDevice* device = device_;
    if (device == nullptr)
        return;
    const SettingsKey key{device->GetAcqDeviceId(), device->GetCurrentInputDevice(),
                          device->GetCurrentInputMode()};
    DisplaySettings::Save(key, {left_, top_, preferredClientWidth_, windowState_, onTop_});
}

void CDispWin::Open(const DisplayFrameDesc& desc) {
    busy_ = 1;
    contrast_.RestartAutoLevels(ContrastSettings::kOpenCountdown);
    const auto frameWidth = static_cast<int32_t>(desc.frameWidth);
    const auto frameHeight = static_cast<int32_t>(desc.frameHeight);
    if (rotateFlag_) {
        imageWidth_ = frameHeight;
        imageHeight_ = frameWidth;
    } else if (doubleWidthFlag_) {
        imageWidth_ = 2 * frameHeight;
        imageHeight_ = frameWidth / 2;
    } else {
        imageWidth_ = frameWidth;
        imageHeight_ = frameHeight;
    }
    device_ = desc.device;
    frameShown_ = false;
    aspect_ = imageHeight_ > 0 ? static_cast<float>(imageWidth_) / static_cast<float>(imageHeight_)
                               : 1.0f;
    const int32_t previousState = windowState_;
    LoadSettings();

    if (!AllocateImage()) {
        // Frames larger than the memory left: the acquisition goes on, the window stays empty.
        platform::Diagnostics::DebugText("The display's image could not be allocated\n");
    }
    PlaceWindow(previousState);

    EndLateUpdateThread();
    stopEvent_.Reset();
    // Cleared here rather than by the new thread, so that a continuous update asked for
    // before the thread gets to run is not lost.
    continuousFlag_ = 0;
    updateThread_ = std::make_unique<platform::Thread>([this] { UpdateThreadProc(); });
    if (!updateThread_->Started()) {
        // The acquisition goes on; only the window stays without frames.
        updateThread_.reset();
        platform::Diagnostics::DebugText("The display's update thread could not be started\n");
    }
    if (view_->Exists()) {
        view_->SetSaveAndPrintEnabled(true);
        view_->SetContrastEnabled(bitsPerPixel_ > 8);
        const int32_t zoom = WindowGeometry::ZoomPercent(clientWidth_, imageWidth_);
        if (windowState_ != kMinimized)
            view_->SetTitle(TitleLine(zoom));
        ApplyZoom(zoom);
    }
    busy_ = 0;
}

void CDispWin::PlaceWindow(int32_t previousState) {
    WindowPlacement loaded;
    loaded.left = left_;
    loaded.top = top_;
    loaded.preferredClientWidth = preferredClientWidth_;
    loaded.windowState = windowState_;
    const WindowSizes previous{clientWidth_, clientHeight_, 0, 0};
    const WindowPlacement placement =
        WindowGeometry::PlaceOnOpen(loaded, previous, imageWidth_, aspect_, metrics_, monitors_);
    left_ = placement.left;
    top_ = placement.top;
    preferredClientWidth_ = placement.preferredClientWidth;
    windowState_ = placement.windowState;
    clientWidth_ = placement.sizes.clientWidth;
    clientHeight_ = placement.sizes.clientHeight;

    const ViewPlacement where{placement.left,
                              placement.top,
                              placement.sizes.windowWidth,
                              placement.sizes.windowHeight,
                              placement.windowState,
                              onTop_ != 0};
    if (view_->Exists()) {
        (void)previousState; // the view restores or minimizes as the new state asks
        view_->Place(where);
    } else if (!view_->Create(*this, where, TitleText(), kWindowReadyMs)) {
        platform::Diagnostics::DebugText("Timeout on window creation message processing ready\n");
    }
}

bool CDispWin::AllocateImage() {
    std::lock_guard lock(imageLock_);
    framePending_ = false;
    // The old images go first, so that a reopen never holds two sets.
    FreeImage();
    try {
        const size_t pixels = static_cast<size_t>(std::max(imageWidth_, 0)) *
                              static_cast<size_t>(std::max(imageHeight_, 0));
        const size_t bytesPerPixel = (static_cast<size_t>(bitsPerPixel_) + 7) / 8;
        image_ = PixelBuffer(pixels * std::max<size_t>(bytesPerPixel, 1));
        reducedImage_ = PixelBuffer(pixels);
        reducedFrame_ = PixelBuffer(bitsPerPixel_ > 8 ? 2 * pixels : 0);
        reducedOverlay_ = PixelBuffer(pixels);
        bitmap_ = PixelBuffer(ImageComposer::BitmapStride(imageWidth_) *
                              static_cast<size_t>(std::max(imageHeight_, 0)));
        overlay_.Allocate(imageWidth_, imageHeight_);
        pixelCount_ = pixels;
        imageBlank_ = true;
        return true;
    } catch (const std::bad_alloc&) {
        FreeImage();
        return false;
    }
}

void CDispWin::FreeImage() {
    // Given back, not only emptied: a closed display holds no frame-sized memory.
    for (PixelBuffer* buffer :
         {&image_, &reducedImage_, &reducedFrame_, &reducedOverlay_, &bitmap_})
        buffer->Free();
    framePending_ = false;
    overlay_.Free();
    pixelCount_ = 0;
}

void CDispWin::Close() {
    if (image_.empty() && !updateThread_)
        return;
    busy_ = 1;
    // A window that never got a size must not store a zero width for every later run.
    if (clientWidth_ >= 1)
        preferredClientWidth_ = clientWidth_.load();
    SaveSettings();
    stopEvent_.Set();
    // A thread that does not end in time is kept; it finds no image and no device, and
    // is waited for before anything it uses goes.
    if (updateThread_ && updateThread_->Join(kUpdateThreadEndMs))
        updateThread_.reset();
    if (view_->Exists()) {
        ClearImage();
        RenderImage(); // the window keeps showing a uniform near-black image
    }
    {
        std::lock_guard lock(imageLock_);
        FreeImage();
    }
    device_ = nullptr;
    if (view_->Exists())
        view_->SetSaveAndPrintEnabled(false);
    busy_ = 0;
}

void CDispWin::ClearImage() {
    std::lock_guard lock(imageLock_);
    // What is still blank is left alone: filling a large frame that was never drawn would
    // map every page of it.
    if (!imageBlank_)
        image_.Zero();
    imageBlank_ = true;
    framePending_ = false; // zeros, shown as they are
    if (!overlay_.Blank()) {
        overlay_.Clear();
        reducedOverlay_.Zero();
    }
}

void CDispWin::SetDisplayMode(int32_t mode) {
    if (mode == 4) {
        continuousFlag_ = 1;
        return;
    }
    if (mode != 1 && mode != 5)
        return;
    frameReady_ = 0;
    if (continuousFlag_.exchange(0) != 0)
        renderDoneEvent_.Wait(kRenderDoneMs);
}

void CDispWin::NewFrame(const DisplayFrameDesc&) {
    frameReady_ = 1;
    frameEvent_.Set();
}

void CDispWin::ResumeUpdate(const DisplayFrameDesc&) {
    // The update thread is never created suspended: nothing to resume.
}

void CDispWin::DrawGraphic(GraphicsCommand& command) {
    OverlayRefresh refresh = OverlayRefresh::None;
    {
        std::lock_guard lock(imageLock_);
        if (overlay_.Empty())
            return;
        refresh = overlay_.Execute(command);
    }
    // Only a reduced image shows the reduced overlay; at 100 % and above rebuilding it
    // would cost a pass over the whole overlay per command for nothing. Resizing below
    // 100 % or restoring the window rebuilds it anyway.
    if (refresh == OverlayRefresh::None || view_->WindowState() == kMinimized)
        return;
    int32_t clientWidth = 0;
    int32_t clientHeight = 0;
    view_->ClientSize(clientWidth, clientHeight);
    if (clientWidth < imageWidth_)
        RefreshReducedOverlay();
}

void CDispWin::RefreshReducedOverlay() {
    // The live client size, as RenderImage decimates the image to it.
    int32_t clientWidth = 0;
    int32_t clientHeight = 0;
    view_->ClientSize(clientWidth, clientHeight);
    std::lock_guard lock(imageLock_);
    // The reduced overlay of a blank plane is all zeros already.
    if (image_.empty() || overlay_.Blank())
        return;
    const int32_t width = std::min<int32_t>(clientWidth, imageWidth_);
    const int32_t height = std::min<int32_t>(clientHeight, imageHeight_);
    overlayScaler_.RefreshReducedOverlay(renderEnabled_, overlay_.Data(), imageWidth_, imageHeight_,
                                         width, height, reducedOverlay_.data());
}

void CDispWin::ApplyZoom(int32_t zoom) {
    const int32_t fitted = WindowGeometry::FitZoom(zoom, imageWidth_, imageHeight_, extra_,
                                                   maxDisplayWidth_, maxDisplayHeight_);
    const WindowSizes asked =
        WindowGeometry::ZoomedWindow(fitted, imageWidth_, imageHeight_, extra_);
    const WindowSizes current{clientWidth_, clientHeight_, clientWidth_ + extra_.width,
                              clientHeight_ + extra_.height};
    // The window's aspect rule rounds the client width to a multiple of 4.
    const WindowSizes locked = WindowGeometry::LockAspect(
        current, asked.windowWidth, asked.windowHeight, false, aspect_, extra_, maxDisplayHeight_);
    clientWidth_ = locked.clientWidth;
    clientHeight_ = locked.clientHeight;
    view_->Resize(locked.windowWidth, locked.windowHeight);
    if (windowState_ != kMinimized)
        view_->SetTitle(TitleLine(WindowGeometry::ZoomPercent(clientWidth_, imageWidth_)));
    if (fitted < 100)
        RefreshReducedOverlay();
}

void CDispWin::OnResized(int32_t clientWidth, int32_t clientHeight, int32_t windowState) {
    if (windowState == kMinimized) {
        windowState_ = kMinimized;
        view_->SetTitle(TitleText());
        return;
    }
    const int32_t state = windowState == kMaximized ? kMaximized : 0;
    // A maximize or a restore, or the window manager resizing a maximized window, applies
    // the zoom of the new client width: the image keeps its proportions instead of being
    // stretched over the whole window. The display's own resizes give back the size it
    // set, and end there.
    const bool rezoom =
        state != windowState_ ||
        (state == kMaximized && (clientWidth != clientWidth_ || clientHeight != clientHeight_));
    if (!busy_) {
        clientWidth_ = clientWidth;
        clientHeight_ = clientHeight;
        if (clientWidth < imageWidth_)
            RefreshReducedOverlay();
        view_->SetTitle(TitleLine(WindowGeometry::ZoomPercent(clientWidth, imageWidth_)));
        int32_t left = 0;
        int32_t top = 0;
        view_->Position(left, top);
        left_ = left;
        top_ = top;
    }
    windowState_ = state;
    if (rezoom && !busy_ && renderEnabled_)
        ApplyZoom(WindowGeometry::ZoomPercent(clientWidth, imageWidth_));
}

void CDispWin::OnMoved(int32_t left, int32_t top) {
    left_ = left;
    top_ = top;
}

void CDispWin::PauseRendering() {
    renderEnabled_ = 0;
    renderDoneEvent_.Wait(kRenderDoneMs);
}

bool CDispWin::OnSave(const std::string& path, bool includeOverlay) {
    PauseRendering();
    bool written = false;
    {
        std::lock_guard lock(imageLock_);
        if (!image_.empty() && frameShown_) {
            ConvertPendingFrame();
            if (includeOverlay && !overlay_.Blank()) {
                ImageComposer::IncludeOverlay(image_.data(), overlay_.Data(), pixelCount_);
                imageBlank_ = false;
            }
            written = TiffWriter::WriteTiff(path, imageWidth_, imageHeight_, Image8(), palette_);
        }
    }
    renderEnabled_ = 1;
    return written;
}

bool CDispWin::OnSnapshot(bool includeOverlay, std::vector<uint8_t>& pixels, int32_t& width,
                          int32_t& height) {
    PauseRendering();
    bool taken = false;
    {
        std::lock_guard lock(imageLock_);
        if (!image_.empty()) {
            ConvertPendingFrame();
            try {
                pixels.assign(Image8(), Image8() + pixelCount_);
                if (includeOverlay)
                    ImageComposer::IncludeOverlay(pixels.data(), overlay_.Data(), pixelCount_);
                width = imageWidth_;
                height = imageHeight_;
                taken = true;
            } catch (const std::bad_alloc&) {
                pixels.clear(); // nothing to print
            }
        }
    }
    renderEnabled_ = 1;
    return taken;
}

void CDispWin::UpdateThreadProc() {
    ReadRequest request{};
    request.kind = VIDRUNE_READ_LATEST;
    request.liveDisplay = 1;
    request.timeoutMs = 2000;
    request.width = static_cast<uint32_t>(imageWidth_);
    request.height = static_cast<uint32_t>(imageHeight_);
    request.currentScale = 0;
    request.copyFlag = 1;

    platform::Event* wakers[] = {&stopEvent_, &frameEvent_};
    for (;;) {
        const uint32_t start = Clock::TickCount();
        UpdateOnce(request);
        const uint32_t elapsed = Clock::TickCount() - start;
        const uint32_t timeout = elapsed <= kUpdatePeriodMs ? kUpdatePeriodMs - elapsed : 1;
        renderDoneEvent_.Pulse();
        if (platform::Event::WaitAny(wakers, timeout) == 0)
            return;
    }
}

void CDispWin::UpdateOnce(ReadRequest& request) {
    if (view_->WindowState() == kMinimized || !renderEnabled_)
        return;
    CAcqDevice* device = device_;
    if (device == nullptr)
        return;
    {
        std::lock_guard lock(imageLock_);
        if (image_.empty())
            return;
        // Checked under the lock: once Quiesce has returned, no read starts before the next
        // frame is announced.
        const bool announced = frameReady_.exchange(0) != 0;
        if (!continuousFlag_ && !announced)
            return;
        request.data = image_.data();
        imageBlank_ = false; // a failed read may have written part of a frame
        if (!device->ReadDevice(&request))
            return;
        if (bitsPerPixel_ > 8) {
            framePending_ = true;
            if (converter_.Prepare(image_.data(), pixelCount_, bitsPerPixel_, autoLevelFlag_ != 0))
                view_->ShowContrast(contrast_.gain, contrast_.offset);
        }
    }
    RenderImage();
    frameShown_ = true;
}

void CDispWin::ConvertPendingFrame() {
    if (!framePending_)
        return;
    converter_.Map().Convert(image_.data(), image_.data(), pixelCount_, SimdDispatch::Active());
    framePending_ = false;
}

void CDispWin::RenderPendingFrame(int32_t clientWidth, int32_t clientHeight,
                                  const Palette::GrayTable& table) {
    const ContrastMap& map = converter_.Map();
    const SimdLevel level = SimdDispatch::Active();
    if (clientWidth >= imageWidth_) {
        // Row by row into the padded bitmap; the frame becomes the 8-bit image in place.
        const auto width = static_cast<size_t>(imageWidth_);
        const size_t stride = ImageComposer::BitmapStride(imageWidth_);
        for (size_t y = 0; y < static_cast<size_t>(imageHeight_); ++y) {
            uint8_t* row = bitmap_.data() + y * stride;
            map.ConvertAndCompose(image_.data() + 2 * y * width, image_.data() + y * width,
                                  overlay_.Data() + y * width, table.data(), row, width, level);
            std::fill(row + width, row + stride, 0);
        }
        framePending_ = false;
        view_->Present(bitmap_.data(), imageWidth_, imageHeight_, stride, palette_);
        return;
    }
    // Below 100 %: only the pixels shown are converted; the frame stays as it came.
    const int32_t height = std::min(clientHeight, imageHeight_);
    renderScaler_.Decimate16(clientWidth, height, imageWidth_, imageHeight_, image_.data(),
                             reducedFrame_.data());
    const size_t count = static_cast<size_t>(clientWidth) * static_cast<size_t>(height);
    map.ConvertAndCompose(reducedFrame_.data(), reducedImage_.data(), reducedOverlay_.data(),
                          table.data(), bitmap_.data(), count, level);
    if (renderEnabled_)
        view_->Present(bitmap_.data(), clientWidth, height, static_cast<size_t>(clientWidth),
                       palette_);
}

void CDispWin::Quiesce() {
    std::lock_guard lock(imageLock_);
    frameReady_ = 0;
}

void CDispWin::RenderImage() {
    int32_t clientWidth = 0;
    int32_t clientHeight = 0;
    view_->ClientSize(clientWidth, clientHeight);
    if (clientWidth <= 0 || clientHeight <= 0 || !view_->Exists())
        return;
    std::lock_guard lock(imageLock_);
    if (image_.empty())
        return;
    const Palette::GrayTable& table = palette_.GrayToPalette();
    if (framePending_) {
        RenderPendingFrame(clientWidth, clientHeight, table);
    } else if (clientWidth >= imageWidth_) {
        const size_t stride = ImageComposer::BitmapStride(imageWidth_);
        ImageComposer::ComposeRows(Image8(), overlay_.Data(), imageWidth_, imageHeight_, table,
                                   bitmap_.data(), stride);
        view_->Present(bitmap_.data(), imageWidth_, imageHeight_, stride, palette_);
    } else {
        // Below 100 % the image is decimated here and drawn 1:1, so thin lines survive.
        const int32_t height = std::min(clientHeight, imageHeight_);
        renderScaler_.Decimate(clientWidth, height, imageWidth_, imageHeight_, Image8(),
                               reducedImage_.data());
        const size_t count = static_cast<size_t>(clientWidth) * static_cast<size_t>(height);
        ImageComposer::Compose(reducedImage_.data(), reducedOverlay_.data(), count, table,
                               bitmap_.data());
        if (renderEnabled_)
            view_->Present(bitmap_.data(), clientWidth, height, static_cast<size_t>(clientWidth),
                           palette_);
    }
    ++draws_;
}

} // namespace vidrune
