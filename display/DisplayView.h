#pragma once

#include "display/Palette.h"
#include "display/WindowGeometry.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vidrune {

struct ContrastSettings;

// Where the window goes and how it shows.
struct ViewPlacement {
    int32_t left = 0;
    int32_t top = 0;
    int32_t windowWidth = 0;
    int32_t windowHeight = 0;
    int32_t windowState = 1; // 0 normal, 1 minimized, 2 maximized
    bool onTop = true;
};

// What the window asks of the display, on the window's own thread: the menu commands,
// the user's resizing and moving, saving and printing.
class DisplayWindowEvents {
public:
    virtual ~DisplayWindowEvents() = default;

    // Zoom commands (25 to 200 %): resizes the window to fit the image at that zoom.
    virtual void OnZoom(int32_t percent) = 0;
    // "Restart automatic levels" (menu and contrast dialog).
    virtual void OnRestartAutoLevels() = 0;
    // The user resized the window (client size) or changed its state, or moved it.
    virtual void OnResized(int32_t clientWidth, int32_t clientHeight, int32_t windowState) = 0;
    virtual void OnMoved(int32_t left, int32_t top) = 0;
    // The on-top switch of the menu.
    virtual void OnTopChanged(bool onTop) = 0;
    // Drawing pauses while the user drags the window frame.
    virtual void OnRenderEnabled(bool enabled) = 0;
    // Save: the shown 8-bit image, with the overlay ORed in when asked, as a TIFF file.
    // False when the file cannot be written or no frame has been shown yet.
    virtual bool OnSave(const std::string& path, bool includeOverlay) = 0;
    // Print: a copy of the shown 8-bit image (width x height bytes), overlay as asked.
    virtual bool OnSnapshot(bool includeOverlay, std::vector<uint8_t>& pixels, int32_t& width,
                            int32_t& height) = 0;
    // The gain, offset and invert switch the contrast dialog edits.
    virtual ContrastSettings& Contrast() = 0;
    // Significant bits of the frames (8: the contrast commands stay grayed).
    virtual int32_t BitsPerPixel() const = 0;
    // Image width / image height, which the window keeps while the user resizes it; 0 while
    // unknown (the window then keeps its current proportions).
    virtual float Aspect() const { return 0.0f; }
};

// The window system side of the live display: creating and placing the window, putting
// the composed bitmap on the screen, and the screen's metrics. The display calls it from
// the host's thread and from its update thread; an implementation hands the work to its
// window thread.
class DisplayView {
public:
    virtual ~DisplayView() = default;

    virtual ScreenMetrics Metrics() const = 0;
    virtual std::vector<MonitorInfo> Monitors() const = 0;

    // Creates and places the window on the view's window thread. False when the window did
    // not come up within timeoutMs; the display then goes on without it.
    virtual bool Create(DisplayWindowEvents& events, const ViewPlacement& placement,
                        const std::string& title, uint32_t timeoutMs) = 0;
    virtual bool Exists() const = 0;
    virtual void Place(const ViewPlacement& placement) = 0;
    // New outer size, position and z-order unchanged.
    virtual void Resize(int32_t windowWidth, int32_t windowHeight) = 0;
    virtual void SetTitle(const std::string& title) = 0;
    virtual void ClientSize(int32_t& width, int32_t& height) const = 0;
    virtual void Position(int32_t& left, int32_t& top) const = 0;
    virtual int32_t WindowState() const = 0;
    virtual bool OnTop() const = 0;

    // Shows a composed 8-bit bitmap through the palette: scaled nearest-neighbour onto the
    // client area when it is smaller, drawn 1:1 when it already has the client's size.
    virtual void Present(const uint8_t* bitmap, int32_t width, int32_t height, size_t stride,
                         const Palette& palette) = 0;
    virtual void SetSaveAndPrintEnabled(bool enabled) = 0;
    // The contrast commands: enabled for frames of more than 8 bits, set at every Open since
    // the cameras of one process may differ in depth.
    virtual void SetContrastEnabled(bool enabled) = 0;
    // Automatic levels found new values: the contrast dialog, when open, shows them.
    virtual void ShowContrast(int32_t gain, int32_t offset) = 0;
    // Destroys the window and ends the window thread.
    virtual void Destroy() = 0;
};

} // namespace vidrune
