#include "display/DisplaySettings.h"
#include "display/PrintLayout.h"
#include "display/WindowGeometry.h"
#include "support/Environment.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <tuple>
#include <utility>

namespace vidrune::test {

namespace {

constexpr FrameExtra kExtra{8, 50};

MonitorLayout TwoMonitors() {
    return MonitorLayout::FromMonitors(
        {MonitorInfo{Rect{0, 0, 1920, 1080}, true}, MonitorInfo{Rect{1920, 0, 3200, 1024}, false}},
        1920, 1080);
}

constexpr SettingsKey kFirstMode{0x10000, 0x10100, 0x10101};
constexpr SettingsKey kSecondMode{0x10000, 0x10100, 0x10102};
constexpr float kAspect = 4.0f / 3.0f;

WindowSizes Sizes(int clientWidth, int clientHeight) {
    return WindowSizes{clientWidth, clientHeight, clientWidth + kExtra.width,
                       clientHeight + kExtra.height};
}

using Values = DisplaySettingsValues;

// Whether loading `key` over `values` found a usable position, and the values it left.
std::pair<bool, Values> Load(const SettingsKey& key, Values values, const MonitorLayout& monitors) {
    const bool found = DisplaySettings::Load(key, kAspect, monitors, values);
    return {found, values};
}

} // namespace

// The larger change drives the resize, rounded to the nearest multiple of 4; a frame change
// always follows the width; too tall for the display, the width that fits its height. The
// client width goes to the nearest multiple of 4, the height follows.
TEST(WindowGeometryTest, TheLargerChangeDrivesTheResize) {
    const struct {
        int windowWidth, windowHeight;
        bool frameChange;
        int maxHeight;
        float aspect;
        WindowSizes expected;
    } cases[] = {
        {689, 535, false, 4000, kAspect, Sizes(680, 510)}, // wider by 41, taller by 5
        {648, 560, false, 4000, kAspect, Sizes(680, 510)}, // taller by 30: 510 x 4/3 = 680
        {648, 560, true, 4000, kAspect, Sizes(640, 480)},
        {1648, 530, false, 1080, kAspect, Sizes(1372, 1029)},
        {648, 591, false, 4000, 3.0f / 7, Sizes(232, 541)},       // 541 x 3/7 = 231.9
        {551, 530, false, 4000, 1392.0f / 1040, Sizes(544, 406)}, // 543; 544 / 1.3385 = 406.4
    };
    for (const auto& c : cases)
        EXPECT_EQ(WindowGeometry::LockAspect(Sizes(640, 480), c.windowWidth, c.windowHeight,
                                             c.frameChange, c.aspect, kExtra, c.maxHeight),
                  c.expected)
            << c.windowWidth << " x " << c.windowHeight;
    EXPECT_TRUE(WindowGeometry::IgnoresPositionChange(0, 100, false, true, true));
    EXPECT_TRUE(WindowGeometry::IgnoresPositionChange(100, 100, true, true, true));
    EXPECT_TRUE(WindowGeometry::IgnoresPositionChange(100, 100, false, false, false));
    EXPECT_FALSE(WindowGeometry::IgnoresPositionChange(100, 100, false, true, false));
}

// From a 640 x 480 client (window 648 x 530 at 100, 100) the dragged edge follows the mouse
// and the size grows or shrinks by 4 only.
TEST(WindowGeometryTest, SizingStepsFourPixelsTowardsTheDrag) {
    const struct {
        Rect proposed;
        SizingEdge edge;
        Rect expected;
    } cases[] = {
        {Rect{70, 100, 748, 630}, SizingEdge::Left, Rect{70, 100, 70 + 652, 630}},
        {Rect{100, 100, 700, 630}, SizingEdge::BottomRight, Rect{100, 100, 744, 630}},
        {Rect{100, 90, 748, 630}, SizingEdge::Top, Rect{100, 90, 748, 90 + 534}},
        {Rect{100, 100, 748, 600}, SizingEdge::Bottom, Rect{100, 100, 748, 100 + 526}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WindowGeometry::SizingRect(c.proposed, c.edge, Sizes(640, 480), kExtra),
                  c.expected)
            << static_cast<int>(c.edge);
}

TEST(WindowGeometryTest, TitleZoomAndTheDominatingOverflowLoweringIt) {
    EXPECT_EQ(WindowGeometry::TitleLine("Camera 1", 50), "Camera 1  ( 50%)");
    EXPECT_EQ(WindowGeometry::ZoomPercent(639, 640), 99);
    EXPECT_EQ(WindowGeometry::ZoomPercent(320, 0), 0);

    // A zoom that fits the screen is unchanged.
    EXPECT_EQ(WindowGeometry::FitZoom(200, 640, 480, kExtra, 1920, 1080), 200);
    // 1200 x 800 at 200 %: the height overflows more (160050 / 1080 > 240008 / 1920).
    EXPECT_EQ(WindowGeometry::FitZoom(200, 1200, 800, kExtra, 1920, 1080), 128);
    // 1600 x 400: the width overflows more.
    EXPECT_EQ(WindowGeometry::FitZoom(200, 1600, 400, kExtra, 1920, 1080), 119);
    // Equal quotients: the height decides (the width alone would allow 125 %).
    EXPECT_EQ(WindowGeometry::FitZoom(200, 800, 800, FrameExtra{0, 100}, 1000, 1000), 112);
    EXPECT_EQ(WindowGeometry::ZoomedWindow(128, 1200, 800, kExtra), Sizes(1536, 1024));
}

// A first open sits above the task bar of one monitor, minimized until the user restores it,
// or centred on the secondary monitor; an image as wide as that monitor starts at half its
// width. A stored placement is kept; a preferred width that would fill the monitor becomes
// half of it, and without a usable width or a window yet the default width applies rather
// than a 1-pixel window.
TEST(WindowGeometryTest, PlacementOnOpen) {
    // At (100, 50), maximized; a preferred width of 0 keeps the previous client size.
    const WindowPlacement first, stored{100, 50, 0, 2, {}, {}};
    const WindowPlacement wide{100, 50, 1920, 2, {}, {}}, unusable{100, 50, -5, 2, {}, {}};
    const struct {
        const char* name;
        const WindowPlacement& loaded;
        WindowSizes previous;
        int32_t imageWidth, monitors;
        WindowSizes sizes;
        int32_t left, top, state;
    } cases[] = {
        {"first, one monitor", first, {}, 1024, 1, Sizes(320, 240), 1920 - 328, 1080 - 320, 1},
        {"first, two", first, {}, 640, 2, Sizes(640, 480), 1920 + 316, 247, 0},
        {"stored", stored, Sizes(500, 375), 1024, 2, Sizes(500, 375), 100, 50, 2},
        {"stored wide", wide, Sizes(500, 375), 1024, 1, Sizes(960, 720), 100, 50, 2},
        {"stored 0, no window", stored, {}, 1024, 1, Sizes(320, 240), 100, 50, 2},
        {"stored -5, no window", unusable, {}, 1024, 1, Sizes(320, 240), 100, 50, 2},
        {"stored 0, two", stored, {}, 640, 2, Sizes(640, 480), 100, 50, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const MonitorLayout monitors = c.loaded.left < 0 && c.monitors == 2
                                           ? TwoMonitors()
                                           : MonitorLayout::FromMonitors({}, 1920, 1080);
        // 1920 x 1080 with a 30-pixel task bar; frames of 4, a caption of 23 and a menu of 19.
        const WindowPlacement placement = WindowGeometry::PlaceOnOpen(
            c.loaded, c.previous, c.imageWidth, kAspect,
            ScreenMetrics{1920, 1080, 1050, c.monitors, 4, 4, 23, 19}, monitors);
        EXPECT_EQ(std::tie(placement.extra, placement.sizes, placement.left, placement.top,
                           placement.windowState),
                  std::tie(kExtra, c.sizes, c.left, c.top, c.state));
    }
}

// Text without a number leaves the value as it was.
TEST(WindowGeometryTest, ContrastDialogRangesAndParsing) {
    EXPECT_EQ(WindowGeometry::SliderMaximum(12), 409);
    const struct {
        const char* text;
        bool parsed;
        int32_t value;
    } cases[] = {{"abc", false, 77},      {"", false, 77},       {" - 5", false, 77},
                 {"  -420x", true, -420}, {"+4096", true, 4096}, {"99999999999", true, INT32_MAX}};
    for (const auto& c : cases) {
        int32_t value = 77;
        EXPECT_EQ(WindowGeometry::ParseDecimal(c.text, value), c.parsed) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
    }
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

// A fresh account gets its data folder, the user's alone, at the first save. Each mode keeps
// its own placement; a position off the monitors is discarded.
TEST(SettingsTest, ModesKeepTheirPlacementAndOneOffTheMonitorsIsDiscarded) {
    const TempDir home; // the user's own folder is never touched
    const std::string data = home.File("fresh/.local/share");
    Environment::SetSettingsFolder(data);
    const MonitorLayout oneMonitor = MonitorLayout::FromMonitors({}, 1920, 1080);
    ASSERT_TRUE(DisplaySettings::Save(kSecondMode, Values{300, 400, 480, 2, 0}));
    ASSERT_TRUE(DisplaySettings::Save(kFirstMode, Values{2500, 300, 640, 0, 0}));
    // Where the file system keeps owner and group permissions (Windows reports all or
    // read-only).
    const auto permissions = std::filesystem::status(data).permissions();
    if (permissions != std::filesystem::perms::all) {
        EXPECT_EQ(permissions, std::filesystem::perms::owner_all);
    }
    EXPECT_EQ(Load(kSecondMode, {}, oneMonitor), std::pair(true, Values{300, 400, 480, 2, 0}));
    EXPECT_EQ(Load(kFirstMode, {}, TwoMonitors()), std::pair(true, Values{2500, 300, 640, 0, 0}));
    // The secondary monitor has since been unplugged.
    EXPECT_EQ(Load(kFirstMode, {}, oneMonitor), std::pair(false, Values{-1, -1, 640, 0, 0}));

    // Partly off the left and top edges is still reachable: up to a window's size.
    EXPECT_TRUE(DisplaySettings::PositionVisible(-640, -480, 640, kAspect, oneMonitor));
    EXPECT_FALSE(DisplaySettings::PositionVisible(-641, 0, 640, kAspect, oneMonitor));
    EXPECT_FALSE(DisplaySettings::PositionVisible(0, -481, 640, kAspect, oneMonitor));
    EXPECT_FALSE(DisplaySettings::PositionVisible(0, 1081, 640, kAspect, oneMonitor));
    // The tests after this one in the same process must not save into the removed folder.
    Environment::UnsetSettingsFolder();
}

} // namespace vidrune::test
