#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vidrune {

struct Rect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }
    bool operator==(const Rect&) const = default;
};

// Window size beyond the client area: 2 x sizing frame wide, caption + 2 x sizing frame
// + menu high.
struct FrameExtra {
    int32_t width = 0;
    int32_t height = 0;
    bool operator==(const FrameExtra&) const = default;
};

struct WindowSizes {
    int32_t clientWidth = 0;
    int32_t clientHeight = 0;
    int32_t windowWidth = 0;
    int32_t windowHeight = 0;
    bool operator==(const WindowSizes&) const = default;
};

// What the window system reports about the screen, in pixels.
struct ScreenMetrics {
    int32_t screenWidth = 0; // primary screen
    int32_t screenHeight = 0;
    int32_t fullScreenHeight = 0; // client height of a full-screen window (no task bar)
    int32_t monitorCount = 1;
    int32_t sizingFrameWidth = 0;
    int32_t sizingFrameHeight = 0;
    int32_t captionHeight = 0;
    int32_t menuHeight = 0;
};

struct MonitorInfo {
    Rect bounds;
    bool primary = false;
};

// The monitors as the display sees them: the primary one, the last other one, and the
// size of the monitor the window is meant for.
struct MonitorLayout {
    Rect primary;
    Rect secondary; // all zero without a second monitor
    int32_t maxDisplayWidth = 0;
    int32_t maxDisplayHeight = 0;

    // From the enumerated monitors; with none known, one monitor of screen size.
    static MonitorLayout FromMonitors(const std::vector<MonitorInfo>& monitors, int32_t screenWidth,
                                      int32_t screenHeight);
};

// Where and how large Open places the window.
struct WindowPlacement {
    int32_t left = -1; // -1 with top -1: no known position
    int32_t top = -1;
    int32_t preferredClientWidth = 320;
    int32_t windowState = 1; // 0 normal, 1 minimized, 2 maximized
    WindowSizes sizes;
    FrameExtra extra;
};

// Size of the window the window system proposes while the user drags its frame.
enum class SizingEdge { Left, Right, Top, Bottom, TopLeft, TopRight, BottomLeft, BottomRight };

// The display window's arithmetic, free of any window system: the caller supplies the
// metrics and applies the results.
class WindowGeometry {
public:
    static constexpr int32_t kDefaultClientWidth = 320;

    // "title  ( zz%)".
    static std::string TitleLine(const std::string& title, int32_t zoom);
    // clientWidth x 100 / imageWidth; 0 without an image.
    static int32_t ZoomPercent(int32_t clientWidth, int32_t imageWidth);
    // value / aspect, rounded: single-precision quotient, + 0.5 in double, truncated.
    static int32_t HeightForWidth(int32_t width, float aspect);
    // value x aspect, rounded the same way.
    static int32_t WidthForHeight(int32_t height, float aspect);

    // The zoom that ApplyZoom uses: lowered to fit the maximum display size when the
    // window would not fit, by whichever side overflows more (ties: the height).
    static int32_t FitZoom(int32_t zoom, int32_t imageWidth, int32_t imageHeight, FrameExtra extra,
                           int32_t maxDisplayWidth, int32_t maxDisplayHeight);
    // The window size ApplyZoom asks for at a (fitted) zoom.
    static WindowSizes ZoomedWindow(int32_t zoom, int32_t imageWidth, int32_t imageHeight,
                                    FrameExtra extra);

    // Whether a position change is left to the default handling: a zero width or height,
    // a change of the window state, or neither a move nor a size.
    static bool IgnoresPositionChange(int32_t newWidth, int32_t newHeight, bool stateChange,
                                      bool moves, bool sizes);
    // The aspect-locked sizes for a proposed window size: the client width follows the
    // dominating change and becomes a multiple of 4, the height follows the aspect.
    static WindowSizes LockAspect(const WindowSizes& current, int32_t newWindowWidth,
                                  int32_t newWindowHeight, bool frameChanged, float aspect,
                                  FrameExtra extra, int32_t maxDisplayHeight);
    // The rectangle that a sizing message leaves: 4 pixels larger or smaller than now in
    // the direction of the drag, measured from the proposed left and top.
    static Rect SizingRect(const Rect& proposed, SizingEdge edge, const WindowSizes& current,
                           FrameExtra extra);

    static FrameExtra FrameExtraFor(const ScreenMetrics& metrics);
    // Open's placement from the settings just loaded (left, top, preferred width, state)
    // and the previous client size: the client size, and a default position when none
    // is known (lower right corner above the task bar, or centred on the secondary
    // monitor, which also shows the window normal).
    static WindowPlacement PlaceOnOpen(const WindowPlacement& loaded, const WindowSizes& previous,
                                       int32_t imageWidth, float aspect,
                                       const ScreenMetrics& metrics, const MonitorLayout& monitors);

    // The contrast sliders run from 0 to 2^bits / 10 and show gain / 10 and offset / 10.
    static int32_t SliderMaximum(int32_t bitsPerPixel);
    // A decimal integer as "%d" reads it (leading blanks, sign, digits); text without one
    // leaves value unchanged and gives false.
    static bool ParseDecimal(const std::string& text, int32_t& value);
};

} // namespace vidrune
