// The live display on the simulated board, drawing into memory.
#include "board/CVidrune.h"
#include "display/CDispWin.h"
#include "display/HeadlessView.h"
#include "display/Palette.h"
#include "platform/Clock.h"
#include "platform/Profile.h"
#include "support/Environment.h"
#include "support/SimBoardFiles.h"
#include "support/SimDevice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <tuple>

namespace vidrune::test {

using vidrune::platform::Clock;
using vidrune::platform::Profile;

namespace {

// A pixel of camera frame n at (x, y) of the image, as the display converts it to 8 bits.
using PixelOf = std::function<uint8_t(uint32_t x, uint32_t y, uint32_t n)>;

class DisplayWindowTest : public ::testing::Test {
protected:
    void SetUp() override { Environment::SetSettingsFolder(files.Dir().Path()); }

    // A 64 x 48 camera and a display titled "Live".
    void Open(const SimCamera& camera = SimCamera{}, const std::string& display = "") {
        const std::string config =
            files.WriteSingle(camera, SimBoardFiles::ModeOf(camera), "",
                              "[EXTDISPLAY]\nMPX=0\nDISPNAME=Live\n" + display);
        ASSERT_TRUE(SimDevice::Open(device, config));
        window = dynamic_cast<CDispWin*>(device.Display());
        ASSERT_NE(window, nullptr);
        view = dynamic_cast<HeadlessView*>(&window->View());
        ASSERT_NE(view, nullptr);
    }

    void StartContinuous() { ASSERT_EQ(SimDevice::Start(device, VIDRUNE_ACQUIRE_CONTINUOUS), 1); }

    // Draws into the overlay as the host does.
    void Draw(GraphicsCommand command) {
        ASSERT_EQ(device.AcqDeviceSet("GRAPHICS COMMAND", &command, 1), 1);
    }

    // The camera frame whose every pixel the pixels show, through `table`: the image is
    // shown at 1 / `step` of its size (rows and columns 1, 3, 5, ... kept at half size);
    // pixels inside `overlay` are white.
    static std::optional<uint32_t> FrameOf(const std::vector<uint8_t>& pixels, int32_t width,
                                           int32_t height, const PixelOf& pixel,
                                           const Palette::GrayTable* table, uint32_t step = 1,
                                           Rect overlay = {}) {
        if (width == 0 || height == 0)
            return std::nullopt;
        for (uint32_t n = 0; n < 255; ++n) {
            bool all = true;
            for (int32_t y = 0; y < height && all; ++y)
                for (int32_t x = 0; x < width && all; ++x) {
                    const uint8_t value = pixel(step - 1 + step * x, step - 1 + step * y, n);
                    const bool white = x >= overlay.left && x < overlay.right && y >= overlay.top &&
                                       y < overlay.bottom;
                    const uint8_t shown = white ? 255 : table != nullptr ? (*table)[value] : value;
                    all = pixels[static_cast<size_t>(y * width + x)] == shown;
                }
            if (all)
                return n;
        }
        return std::nullopt;
    }

    std::optional<uint32_t> ShownFrame(const PixelOf& pixel, uint32_t step = 1, Rect overlay = {}) {
        int32_t width = 0, height = 0;
        const std::vector<uint8_t> screen = view->Screen(width, height);
        return FrameOf(screen, width, height, pixel, &palette.GrayToPalette(), step, overlay);
    }

    SimBoardFiles files;
    CVidrune device{"STRAVIK2 MONO"};
    CDispWin* window = nullptr;
    HeadlessView* view = nullptr;
    Palette palette;
};

uint8_t TwelveBits(uint32_t x, uint32_t y, uint32_t n) {
    return static_cast<uint8_t>(Pattern16(x, y, n, 12) / 16);
}

// A view whose next state query hangs, as a window busy in the user's hands does.
struct StallingView : HeadlessView {
    int32_t WindowState() const override {
        if (stallNext.exchange(false)) {
            stalled = true;
            Clock::Sleep(1500); // longer than the display's wait for its update thread
        }
        return HeadlessView::WindowState();
    }

    mutable std::atomic<bool> stallNext{false}, stalled{false};
};

} // namespace

// Saving what is shown, and refusing to save what was never drawn, are the tool's tests.
TEST_F(DisplayWindowTest, DrawsTheNewestFrameUntilTheStopAndNotWhileMinimized) {
    Open(SimCamera{.frameRate = 60, .extra = ""});
    // No saved placement and two monitors: the client as wide as the image.
    EXPECT_EQ(view->Title(), "Live  (100%)");
    EXPECT_TRUE(view->SaveAndPrintEnabled());
    StartContinuous();
    Draw(Graphics(9, 10, 5, 8, 4));
    Clock::Sleep(1000);
    const auto frame = ShownFrame(Pattern8, 1, Rect{10, 5, 18, 9});
    ASSERT_EQ(device.AcquireStop(), 1);
    ASSERT_TRUE(frame.has_value()) << "not the pattern with a white rectangle";
    EXPECT_GT(*frame, 0u); // the newest frame, not the first

    // Drawing ends with the stop and never starts while minimized: no draw from the stop
    // until the restore. Overlay drawn meanwhile shows once the window is restored; below full
    // size each shown pixel ORs the 2 x 2 block of overlay pixels it stands for.
    const uint32_t stopped = window->Draws();
    window->ApplyZoom(50);
    view->SetWindowState(1);
    EXPECT_EQ(view->Title(), "Live");
    StartContinuous();
    Draw(Graphics(1, 31, 21));
    Clock::Sleep(200);
    EXPECT_EQ(window->Draws(), stopped);
    view->SetWindowState(0);
    Draw(Graphics(1, 40, 20));
    Clock::Sleep(300);
    int32_t width = 0, height = 0;
    const std::vector<uint8_t> screen = view->Screen(width, height);
    ASSERT_EQ(device.AcquireStop(), 1);
    ASSERT_EQ(width, 32);
    EXPECT_EQ(screen[10 * 32 + 15], 255);
    EXPECT_EQ(screen[10 * 32 + 20], 255);

    // The stop cleared the frame and the overlay drawn on it. A save with the overlay draws a
    // new mark into the image; the close clears that too and shows a uniform image.
    std::vector<uint8_t> pixels;
    ASSERT_TRUE(window->WindowEvents().OnSnapshot(true, pixels, width, height));
    EXPECT_EQ(std::count(pixels.begin(), pixels.end(), 0), 64 * 48);
    Draw(Graphics(1, 8, 8));
    std::string saved = files.Dir().File("marked.tif");
    ASSERT_EQ(device.AcqDeviceSet("SAVE DISPLAY IMAGE WITH OVERLAY", saved.data(), 1), 1);
    window->ApplyZoom(100);
    device.CloseDevice();
    const std::vector<uint8_t> closed = view->Screen(width, height);
    ASSERT_EQ(width, 64);
    EXPECT_EQ(std::count(closed.begin(), closed.end(), closed[0]), 64 * 48);
}

// The placement of the mode is read at the open and saved at the close; one stored without a
// width opens at the default width (as wide as the image on two monitors). Then each camera
// shows its frames' high bits on the screen and in a snapshot, and the contrast commands follow
// its depth. Below full size the image is decimated, and a deeper frame is converted only where
// it is shown; a snapshot taken meanwhile still gets the whole frame converted.
TEST_F(DisplayWindowTest, SettingsAreRestoredPerModeAndEachCameraShowsItsConvertedFrames) {
    const char* section = "Mode65536_65792_65793"; // this camera's mode
    const std::string file =
        files.Dir().Write("Vorn/Quorvane/LiveDisplay.ini",
                          "[" + std::string(section) + "]\nXoffset=2000\nYoffset=100\nState=0\n");
    // An 8-bit camera file with a 12-bit sensor: the buffers hold 16-bit pixels, and the
    // display must take them as such (it read two bytes a pixel into one before). The board
    // puts the 8-bit pattern in the low byte under a high byte of 1, which the screen gets.
    const SimCamera deep{.file = "deep.cam", .depth = 12, .extra = ""};
    const SimCamera mixed{.file = "mixed.cam", .vicDepth = 12, .extra = ""};
    files.WriteCamera(deep);
    files.WriteCamera(mixed);
    Open(SimCamera{},
         SimBoardFiles::CameraSection("CAMERA2", "Deep") +
             SimBoardFiles::ModeSection("CAMERA2_MODE1", SimBoardFiles::ModeOf(deep)) +
             SimBoardFiles::CameraSection("CAMERA3", "Mixed") +
             SimBoardFiles::ModeSection("CAMERA3_MODE1", SimBoardFiles::ModeOf(mixed)));
    std::vector<int32_t> values(4);
    view->Position(values[0], values[1]);
    view->ClientSize(values[2], values[3]);
    EXPECT_EQ(values, (std::vector<int32_t>{2000, 100, 64, 48}));
    EXPECT_EQ(device.CloseDevice(), 0u);
    EXPECT_FALSE(view->SaveAndPrintEnabled());
    EXPECT_EQ(Profile::GetInt(file, section, "Xpixels", -99), 64);

    const struct {
        const char* camera;
        bool contrast;
        uint32_t step;
        PixelOf pixel;
    } cases[] = {
        {"Deep", true, 2, TwelveBits},
        {"Mixed", true, 1, [](uint32_t, uint32_t, uint32_t) { return uint8_t{1}; }},
        {"Cam", false, 1, Pattern8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.camera);
        ASSERT_EQ(device.SetCurrentInputDevice(device.GetInputDeviceId(c.camera)), 1);
        ASSERT_EQ(device.OpenDevice(), 0u);
        EXPECT_EQ(view->ContrastEnabled(), c.contrast);
        window->ApplyZoom(static_cast<int32_t>(100 / c.step));
        StartContinuous();
        Clock::Sleep(300);
        std::vector<uint8_t> pixels;
        int32_t width = 0, height = 0;
        const bool taken = window->WindowEvents().OnSnapshot(false, pixels, width, height);
        ASSERT_EQ(device.AcquireStop(), 1);
        EXPECT_TRUE(ShownFrame(c.pixel, c.step).has_value());
        ASSERT_EQ(std::tuple(taken, width, height), std::tuple(true, 64, 48));
        EXPECT_TRUE(FrameOf(pixels, width, height, c.pixel, nullptr).has_value())
            << "the snapshot is no whole converted frame";
        ASSERT_EQ(device.CloseDevice(), 0u);
    }
}

// Sub-sampled, then a narrower sensor window: each time the window, still 64 wide, shows whole
// frames of the new geometry while the acquisition goes on.
TEST_F(DisplayWindowTest, TheDisplayFollowsEveryGeometryChangeOfARunningAcquisition) {
    Open();
    StartContinuous();
    const struct {
        const char* name;
        double value;
        uint32_t width, xs, ys, left;
    } changes[] = {
        {"DATA SCALE", 2, 32, 2, 2, 0},
        {"WIDTH", 48, 24, 2, 2, 8},
        {"X DATA SCALE", 1, 48, 1, 2, 8},
    };
    for (auto c : changes) {
        ASSERT_EQ(device.AcqDeviceSet(c.name, &c.value, 1), 1) << c.name;
        EXPECT_EQ(window->ImageWidth(), static_cast<int32_t>(c.width)) << c.name;
        std::optional<uint32_t> shown;
        for (int i = 0; i < 40 && !shown; ++i, Clock::Sleep(50))
            shown = ShownFrame([&](uint32_t x, uint32_t y, uint32_t n) {
                return Pattern8(c.left + c.xs * (x * c.width / 64), c.ys * (y * c.width / 64), n);
            });
        EXPECT_TRUE(shown.has_value()) << c.name;
    }
    EXPECT_EQ(device.AcquisitionState(), CVidrune::kContinuous);
    EXPECT_EQ(device.AcquireStop(), 1);
}

TEST_F(DisplayWindowTest, ADisplayDestroyedWhileItsUpdateThreadIsHeldUp) {
    ASSERT_EQ(device.InitializeDevice(files.WriteSingle(SimCamera{}, SimMode{}).c_str()), 1);
    auto owned = std::make_unique<StallingView>();
    StallingView* stalling = owned.get();
    device.SetDisplay(std::make_unique<CDispWin>(std::move(owned)));
    device.SetCurrentInputDevice(device.GetInputDeviceId("Cam"));
    ASSERT_EQ(device.OpenDevice(), 0u);
    ASSERT_EQ(SimDevice::Start(device, VIDRUNE_ACQUIRE_CONTINUOUS), 1);
    stalling->stallNext = true;
    for (int i = 0; i < 100 && !stalling->stalled; ++i)
        Clock::Sleep(10);
    ASSERT_TRUE(stalling->stalled);
    // Frees the display while its update thread is inside the view.
    EXPECT_EQ(device.FreeDeviceResources(), 0);
    Clock::Sleep(2000); // whatever the thread does next happens now
}

} // namespace vidrune::test
