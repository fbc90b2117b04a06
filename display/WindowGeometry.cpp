#include "display/WindowGeometry.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace vidrune {

namespace {

// Rounds as the display always has: + 0.5 in double, truncated toward zero.
int32_t Round(double value) {
    const double rounded = value + 0.5;
    if (std::isnan(rounded))
        return 0;
    if (rounded >= static_cast<double>(std::numeric_limits<int32_t>::max()))
        return std::numeric_limits<int32_t>::max();
    if (rounded <= static_cast<double>(std::numeric_limits<int32_t>::min()))
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(rounded);
}

int32_t ToInt32(int64_t value) {
    if (value > std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    if (value < std::numeric_limits<int32_t>::min())
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

bool TopOrBottom(SizingEdge edge) {
    return edge == SizingEdge::Top || edge == SizingEdge::Bottom;
}

} // namespace

MonitorLayout MonitorLayout::FromMonitors(const std::vector<MonitorInfo>& monitors,
                                          int32_t screenWidth, int32_t screenHeight) {
    MonitorLayout layout;
    layout.maxDisplayWidth = screenWidth;
    layout.maxDisplayHeight = screenHeight;
    if (monitors.empty()) {
        layout.primary = Rect{0, 0, screenWidth, screenHeight};
        return layout;
    }
    // The last non-primary monitor is the one the window is meant for.
    for (const MonitorInfo& monitor : monitors) {
        if (monitor.primary) {
            layout.primary = monitor.bounds;
            continue;
        }
        layout.secondary = monitor.bounds;
        layout.maxDisplayWidth = std::abs(monitor.bounds.left - monitor.bounds.right);
        layout.maxDisplayHeight = std::abs(monitor.bounds.top - monitor.bounds.bottom);
    }
    return layout;
}

std::string WindowGeometry::TitleLine(const std::string& title, int32_t zoom) {
    char percent[32];
    std::snprintf(percent, sizeof percent, "  (%3d%%)", zoom);
    return title + percent;
}

int32_t WindowGeometry::ZoomPercent(int32_t clientWidth, int32_t imageWidth) {
    if (imageWidth == 0)
        return 0;
    return ToInt32(int64_t{clientWidth} * 100 / imageWidth);
}

int32_t WindowGeometry::HeightForWidth(int32_t width, float aspect) {
    if (aspect == 0.0f)
        return 0;
    return Round(static_cast<double>(static_cast<float>(width) / aspect));
}

int32_t WindowGeometry::WidthForHeight(int32_t height, float aspect) {
    return Round(static_cast<double>(static_cast<float>(height) * aspect));
}

int32_t WindowGeometry::FitZoom(int32_t zoom, int32_t imageWidth, int32_t imageHeight,
                                FrameExtra extra, int32_t maxDisplayWidth,
                                int32_t maxDisplayHeight) {
    if (imageWidth <= 0 || imageHeight <= 0 || maxDisplayWidth <= 0 || maxDisplayHeight <= 0)
        return zoom;
    const int64_t iw = imageWidth;
    const int64_t ih = imageHeight;
    if (iw * zoom / 100 + extra.width <= maxDisplayWidth &&
        ih * zoom / 100 + extra.height <= maxDisplayHeight)
        return zoom;
    const int64_t qx = (iw * zoom + extra.width) / maxDisplayWidth;
    const int64_t qy = (ih * zoom + extra.height) / maxDisplayHeight;
    if (qx > qy)
        return ToInt32((int64_t{maxDisplayWidth} - extra.width) * 100 / iw);
    return ToInt32((int64_t{maxDisplayHeight} - extra.height) * 100 / ih);
}

WindowSizes WindowGeometry::ZoomedWindow(int32_t zoom, int32_t imageWidth, int32_t imageHeight,
                                         FrameExtra extra) {
    WindowSizes sizes;
    sizes.clientWidth = ToInt32(int64_t{imageWidth} * zoom / 100);
    sizes.clientHeight = ToInt32(int64_t{imageHeight} * zoom / 100);
    sizes.windowWidth = ToInt32(int64_t{sizes.clientWidth} + extra.width);
    sizes.windowHeight = ToInt32(int64_t{sizes.clientHeight} + extra.height);
    return sizes;
}

bool WindowGeometry::IgnoresPositionChange(int32_t newWidth, int32_t newHeight, bool stateChange,
                                           bool moves, bool sizes) {
    return newWidth == 0 || newHeight == 0 || stateChange || (!moves && !sizes);
}

WindowSizes WindowGeometry::LockAspect(const WindowSizes& current, int32_t newWindowWidth,
                                       int32_t newWindowHeight, bool frameChanged, float aspect,
                                       FrameExtra extra, int32_t maxDisplayHeight) {
    const int64_t dw = int64_t{newWindowWidth} - current.windowWidth;
    const int64_t dh = int64_t{newWindowHeight} - current.windowHeight;
    int32_t clientWidth;
    if (std::llabs(dw) >= std::llabs(dh) || frameChanged) {
        clientWidth = ToInt32(current.clientWidth + dw);
        if (int64_t{HeightForWidth(clientWidth, aspect)} + extra.height > maxDisplayHeight)
            clientWidth = WidthForHeight(maxDisplayHeight - extra.height, aspect);
    } else {
        clientWidth = WidthForHeight(ToInt32(current.clientHeight + dh), aspect);
    }
    // The bitmap rows are drawn as one run, which the system reads with rows aligned to
    // 4 bytes: keep the client width a multiple of 4 (the nearest one).
    clientWidth = static_cast<int32_t>((static_cast<uint32_t>(clientWidth) + 2u) & ~3u);

    WindowSizes sizes;
    sizes.clientWidth = clientWidth;
    sizes.windowWidth = ToInt32(int64_t{clientWidth} + extra.width);
    sizes.clientHeight = HeightForWidth(clientWidth, aspect);
    sizes.windowHeight = ToInt32(int64_t{extra.height} + sizes.clientHeight);
    return sizes;
}

Rect WindowGeometry::SizingRect(const Rect& proposed, SizingEdge edge, const WindowSizes& current,
                                FrameExtra extra) {
    Rect result = proposed;
    if (TopOrBottom(edge)) {
        const int32_t step = current.windowHeight >= std::abs(proposed.Height()) ? -4 : 4;
        result.bottom = proposed.top + extra.height + current.clientHeight + step;
        result.right = proposed.left + extra.width + current.clientWidth;
    } else {
        const int32_t step = current.windowWidth >= std::abs(proposed.Width()) ? -4 : 4;
        result.right = proposed.left + extra.width + current.clientWidth + step;
        result.bottom = proposed.top + extra.height + current.clientHeight;
    }
    return result;
}

FrameExtra WindowGeometry::FrameExtraFor(const ScreenMetrics& metrics) {
    return FrameExtra{2 * metrics.sizingFrameWidth,
                      metrics.captionHeight + 2 * metrics.sizingFrameHeight + metrics.menuHeight};
}

WindowPlacement WindowGeometry::PlaceOnOpen(const WindowPlacement& loaded,
                                            const WindowSizes& previous, int32_t imageWidth,
                                            float aspect, const ScreenMetrics& metrics,
                                            const MonitorLayout& monitors) {
    WindowPlacement placement = loaded;
    const bool noPosition = loaded.left == -1 && loaded.top == -1;
    const int32_t defaultWidth = metrics.monitorCount >= 2 ? imageWidth : kDefaultClientWidth;
    // Without a stored width the previous client size stays; before the first window
    // there is none, and a zero width would give a window of one pixel.
    if (noPosition || (placement.preferredClientWidth < 1 && previous.clientWidth < 1))
        placement.preferredClientWidth = defaultWidth;

    WindowSizes& sizes = placement.sizes;
    sizes.clientWidth = previous.clientWidth;
    sizes.clientHeight = previous.clientHeight;
    if (placement.preferredClientWidth >= 1) {
        sizes.clientWidth = placement.preferredClientWidth;
        sizes.clientHeight = HeightForWidth(sizes.clientWidth, aspect);
    }
    const int32_t maxWidth = monitors.maxDisplayWidth;
    const int32_t maxHeight = monitors.maxDisplayHeight;
    if (maxWidth <= sizes.clientWidth || maxHeight <= sizes.clientHeight) {
        sizes.clientWidth = maxWidth / 2;
        sizes.clientHeight = HeightForWidth(sizes.clientWidth, aspect);
    }
    placement.extra = FrameExtraFor(metrics);
    sizes.windowWidth = sizes.clientWidth + placement.extra.width;
    sizes.windowHeight = sizes.clientHeight + placement.extra.height;

    if (noPosition) {
        if (metrics.monitorCount < 2) {
            placement.left = maxWidth - sizes.windowWidth;
            placement.top =
                maxHeight - sizes.windowHeight - metrics.screenHeight + metrics.fullScreenHeight;
        } else {
            placement.windowState = 0;
            placement.left = monitors.secondary.left + (maxWidth - sizes.windowWidth) / 2;
            placement.top = monitors.secondary.top + (maxHeight - sizes.windowHeight) / 2;
        }
    }
    return placement;
}

int32_t WindowGeometry::SliderMaximum(int32_t bitsPerPixel) {
    if (bitsPerPixel < 0)
        return 0;
    if (bitsPerPixel >= 31)
        return std::numeric_limits<int32_t>::max() / 10;
    return (int32_t{1} << bitsPerPixel) / 10;
}

bool WindowGeometry::ParseDecimal(const std::string& text, int32_t& value) {
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i >= text.size() || !std::isdigit(static_cast<unsigned char>(text[i])))
        return false;
    // Out-of-range numbers saturate instead of wrapping into a nonsense gain.
    int64_t magnitude = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i)
        magnitude = std::min<int64_t>(magnitude * 10 + (text[i] - '0'), int64_t{1} << 32);
    value = ToInt32(negative ? -magnitude : magnitude);
    return true;
}

} // namespace vidrune
