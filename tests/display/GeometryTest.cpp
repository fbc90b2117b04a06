#include "display/PrintLayout.h"
#include "display/WindowGeometry.h"

#include <gtest/gtest.h>

#include <cmath>

namespace vidrune::test {

namespace {

constexpr FrameExtra kExtra{8, 50};

ScreenMetrics Metrics(int monitors) {
    ScreenMetrics metrics;
    metrics.screenWidth = 1920;
    metrics.screenHeight = 1080;
    metrics.fullScreenHeight = 1050; // a 30-pixel task bar
    metrics.monitorCount = monitors;
    metrics.sizingFrameWidth = 4;
    metrics.sizingFrameHeight = 4;
    metrics.captionHeight = 23;
    metrics.menuHeight = 19;
    return metrics;
}

WindowSizes Sizes(int clientWidth, int clientHeight) {
    return WindowSizes{clientWidth, clientHeight, clientWidth + kExtra.width,
                       clientHeight + kExtra.height};
}

} // namespace

TEST(WindowGeometryTest, TitleAndZoom) {
    EXPECT_EQ(WindowGeometry::TitleLine("Camera 1", 50), "Camera 1  ( 50%)");
    EXPECT_EQ(WindowGeometry::TitleLine("", 150), "  (150%)");
    EXPECT_EQ(WindowGeometry::ZoomPercent(320, 640), 50);
    EXPECT_EQ(WindowGeometry::ZoomPercent(639, 640), 99);
    EXPECT_EQ(WindowGeometry::ZoomPercent(320, 0), 0);
}

TEST(WindowGeometryTest, EveryResizeEndsOnAMultipleOfFourWithTheAspectHeight) {
    const float aspects[] = {640.0f / 480.0f, 1.0f, 2048.0f / 1536.0f, 1392.0f / 1040.0f,
                             3.0f / 7.0f};
    for (const float aspect : aspects) {
        const WindowSizes current = Sizes(640, WindowGeometry::HeightForWidth(640, aspect));
        for (int dw = -97; dw <= 97; dw += 7) {
            for (int dh = -61; dh <= 61; dh += 11) {
                const WindowSizes next = WindowGeometry::LockAspect(
                    current, current.windowWidth + dw, current.windowHeight + dh, false, aspect,
                    kExtra, 4000);
                ASSERT_EQ(next.clientWidth % 4, 0) << dw << "," << dh;
                ASSERT_EQ(next.clientHeight, static_cast<int>(next.clientWidth / aspect + 0.5))
                    << dw << "," << dh;
                ASSERT_EQ(next.windowWidth, next.clientWidth + kExtra.width);
                ASSERT_EQ(next.windowHeight, next.clientHeight + kExtra.height);
            }
        }
    }
}

TEST(WindowGeometryTest, TheLargerChangeDrivesTheResize) {
    const float aspect = 4.0f / 3.0f;
    const WindowSizes current = Sizes(640, 480);
    // Wider by 41, taller by 5: the width leads, rounded to the nearest multiple of 4.
    EXPECT_EQ(WindowGeometry::LockAspect(current, 689, 535, false, aspect, kExtra, 4000),
              Sizes(680, 510));
    // Taller by 30: width follows the height, 510 x 4/3 = 680.
    EXPECT_EQ(WindowGeometry::LockAspect(current, 648, 560, false, aspect, kExtra, 4000),
              Sizes(680, 510));
    // A frame change always follows the width.
    EXPECT_EQ(WindowGeometry::LockAspect(current, 648, 560, true, aspect, kExtra, 4000),
              Sizes(640, 480));
    // Too tall for the display: the width that fits the display's height.
    EXPECT_EQ(WindowGeometry::LockAspect(current, 1648, 530, false, aspect, kExtra, 1080),
              Sizes(1372, 1029));
    EXPECT_TRUE(WindowGeometry::IgnoresPositionChange(0, 100, false, true, true));
    EXPECT_TRUE(WindowGeometry::IgnoresPositionChange(100, 100, true, true, true));
    EXPECT_TRUE(WindowGeometry::IgnoresPositionChange(100, 100, false, false, false));
    EXPECT_FALSE(WindowGeometry::IgnoresPositionChange(100, 100, false, true, false));
}

TEST(WindowGeometryTest, SizingStepsFourPixelsTowardsTheDrag) {
    const WindowSizes current = Sizes(640, 480); // window 648 x 530 at (100, 100)
    // Dragging the left edge 30 pixels outwards: left follows, the width grows by 4 only.
    const Rect grown =
        WindowGeometry::SizingRect(Rect{70, 100, 748, 630}, SizingEdge::Left, current, kExtra);
    EXPECT_EQ(grown, (Rect{70, 100, 70 + 652, 630}));
    EXPECT_LT(grown.right, 748);
    const Rect shrunk = WindowGeometry::SizingRect(Rect{100, 100, 700, 630},
                                                   SizingEdge::BottomRight, current, kExtra);
    EXPECT_EQ(shrunk, (Rect{100, 100, 744, 630}));
    const Rect taller =
        WindowGeometry::SizingRect(Rect{100, 90, 748, 630}, SizingEdge::Top, current, kExtra);
    EXPECT_EQ(taller, (Rect{100, 90, 748, 90 + 534}));
    const Rect lower =
        WindowGeometry::SizingRect(Rect{100, 100, 748, 600}, SizingEdge::Bottom, current, kExtra);
    EXPECT_EQ(lower.bottom, 100 + 526);
}

TEST(WindowGeometryTest, ZoomIsLoweredByTheDominatingOverflow) {
    // Fits: unchanged.
    EXPECT_EQ(WindowGeometry::FitZoom(200, 640, 480, kExtra, 1920, 1080), 200);
    // 1200 x 800 at 200 %: the height overflows more (160050 / 1080 > 240008 / 1920).
    EXPECT_EQ(WindowGeometry::FitZoom(200, 1200, 800, kExtra, 1920, 1080), 128);
    // 1600 x 400: the width overflows more.
    EXPECT_EQ(WindowGeometry::FitZoom(200, 1600, 400, kExtra, 1920, 1080), 119);
    // Equal quotients: the height decides (the width alone would allow 125 %).
    EXPECT_EQ(WindowGeometry::FitZoom(200, 800, 800, FrameExtra{0, 100}, 1000, 1000), 112);
    EXPECT_EQ(WindowGeometry::ZoomedWindow(128, 1200, 800, kExtra), Sizes(1536, 1024));
}

TEST(WindowGeometryTest, FirstOpenOnOneMonitorSitsAboveTheTaskBar) {
    const ScreenMetrics metrics = Metrics(1);
    const MonitorLayout monitors = MonitorLayout::FromMonitors({}, 1920, 1080);
    EXPECT_EQ(monitors.primary, (Rect{0, 0, 1920, 1080}));
    EXPECT_EQ(monitors.secondary, Rect{});
    const WindowPlacement placement = WindowGeometry::PlaceOnOpen(
        WindowPlacement{}, WindowSizes{}, 1024, 4.0f / 3.0f, metrics, monitors);
    EXPECT_EQ(placement.extra, kExtra);
    EXPECT_EQ(placement.preferredClientWidth, 320);
    EXPECT_EQ(placement.sizes, Sizes(320, 240));
    EXPECT_EQ(placement.left, 1920 - 328);
    EXPECT_EQ(placement.top, 1080 - 290 - 30);
    EXPECT_EQ(placement.windowState, 1); // minimized until the user restores it
}

TEST(WindowGeometryTest, FirstOpenOnTwoMonitorsIsCentredOnTheSecondary) {
    const ScreenMetrics metrics = Metrics(2);
    const MonitorLayout monitors = MonitorLayout::FromMonitors(
        {MonitorInfo{Rect{0, 0, 1920, 1080}, true}, MonitorInfo{Rect{1920, 0, 3200, 1024}, false}},
        1920, 1080);
    EXPECT_EQ(monitors.maxDisplayWidth, 1280);
    EXPECT_EQ(monitors.maxDisplayHeight, 1024);
    WindowPlacement placement = WindowGeometry::PlaceOnOpen(WindowPlacement{}, WindowSizes{}, 640,
                                                            4.0f / 3.0f, metrics, monitors);
    EXPECT_EQ(placement.windowState, 0);
    EXPECT_EQ(placement.sizes, Sizes(640, 480));
    EXPECT_EQ(placement.left, 1920 + (1280 - 648) / 2);
    EXPECT_EQ(placement.top, (1024 - 530) / 2);
    // An image as wide as the monitor starts at half the monitor's width.
    placement = WindowGeometry::PlaceOnOpen(WindowPlacement{}, WindowSizes{}, 1280, 4.0f / 3.0f,
                                            metrics, monitors);
    EXPECT_EQ(placement.sizes, Sizes(640, 480));
}

TEST(WindowGeometryTest, StoredPlacementIsKept) {
    const MonitorLayout monitors = MonitorLayout::FromMonitors({}, 1920, 1080);
    WindowPlacement loaded;
    loaded.left = 100;
    loaded.top = 50;
    loaded.preferredClientWidth = 0; // keep the previous client size
    loaded.windowState = 2;
    WindowPlacement placement = WindowGeometry::PlaceOnOpen(loaded, Sizes(500, 375), 1024,
                                                            4.0f / 3.0f, Metrics(2), monitors);
    EXPECT_EQ(placement.left, 100);
    EXPECT_EQ(placement.top, 50);
    EXPECT_EQ(placement.windowState, 2);
    EXPECT_EQ(placement.sizes, Sizes(500, 375));
    // A preferred width that would fill the monitor becomes half of it.
    loaded.preferredClientWidth = 1920;
    placement = WindowGeometry::PlaceOnOpen(loaded, Sizes(500, 375), 1024, 4.0f / 3.0f, Metrics(1),
                                            monitors);
    EXPECT_EQ(placement.sizes, Sizes(960, 720));

    // No usable stored width and no window yet: the default width, not a 1-pixel window.
    for (const int32_t stored : {0, -5}) {
        loaded.preferredClientWidth = stored;
        placement = WindowGeometry::PlaceOnOpen(loaded, WindowSizes{}, 1024, 4.0f / 3.0f,
                                                Metrics(1), monitors);
        EXPECT_EQ(placement.sizes, Sizes(320, 240)) << stored;
        placement = WindowGeometry::PlaceOnOpen(loaded, WindowSizes{}, 640, 4.0f / 3.0f, Metrics(2),
                                                monitors);
        EXPECT_EQ(placement.sizes, Sizes(640, 480)) << stored;
        EXPECT_EQ(placement.left, 100) << stored;
    }
}

TEST(WindowGeometryTest, ContrastDialogRangesAndParsing) {
    EXPECT_EQ(WindowGeometry::SliderMaximum(12), 409);
    EXPECT_EQ(WindowGeometry::SliderMaximum(16), 6553);
    int32_t value = 77;
    EXPECT_FALSE(WindowGeometry::ParseDecimal("abc", value));
    EXPECT_FALSE(WindowGeometry::ParseDecimal("", value));
    EXPECT_FALSE(WindowGeometry::ParseDecimal(" - 5", value));
    EXPECT_EQ(value, 77);
    EXPECT_TRUE(WindowGeometry::ParseDecimal("  -420x", value));
    EXPECT_EQ(value, -420);
    EXPECT_TRUE(WindowGeometry::ParseDecimal("+4096", value));
    EXPECT_EQ(value, 4096);
    EXPECT_TRUE(WindowGeometry::ParseDecimal("99999999999", value));
    EXPECT_EQ(value, 2147483647);
}

TEST(PrintLayoutTest, ImageIsFittedIntoTheMargins) {
    const PageMetrics portrait{4800, 6600, 600, 600};
    // Wide image: full width, centred vertically in the 4200 x 5700 area at (300, 600).
    auto placement = PrintLayout::Place(portrait, 640, 480);
    EXPECT_EQ(placement.bounds, (Rect{300, 600, 4500, 6300}));
    EXPECT_EQ(placement.printArea, (Rect{300, 600, 4500, 6300}));
    EXPECT_EQ(placement.image, (Rect{300, 600 + (5700 - 3150) / 2, 4500, 600 + 1275 + 3150}));
    // Tall image: full height, centred horizontally.
    placement = PrintLayout::Place(portrait, 480, 1280);
    EXPECT_EQ(placement.image, (Rect{300 + (4200 - 2137) / 2, 600, 300 + 1031 + 2137, 6300}));
    placement = PrintLayout::Place(PageMetrics{6600, 4800, 600, 300}, 100, 100);
    EXPECT_EQ(placement.bounds, (Rect{300, 300, 6300, 4650}));
    EXPECT_EQ(placement.image.Width(), placement.image.Height()); // 4350 x 4350
    EXPECT_EQ(PrintLayout::Place(portrait, 0, 480).image.Width(), 0);
}

} // namespace vidrune::test
