// The display with its Qt window on a device of its own: what the user sees after
// maximizing the window, as a screenshot.
#include "device/CAcqDevice.h"
#include "display/CDispWin.h"
#include "display/Palette.h"
#include "display/WindowGeometry.h"
#include "display/qt/DisplayWindow.h"
#include "display/qt/ImageArea.h"
#include "display/qt/QtView.h"
#include "qt/QtTestApp.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QImage>
#include <QThread>
#include <cstdlib>
#include <memory>

namespace vidrune::test {
namespace {

constexpr int32_t kWidth = 240; // a portrait image: the window's width leads a maximize
constexpr int32_t kHeight = 320;

int Value(int32_t x, int32_t y) {
    return 20 + (x + 2 * y) % 200;
}

// Every read delivers the same 8-bit picture.
class PictureDevice : public CAcqDevice {
public:
    PictureDevice() : CAcqDevice("PICTURE", 1) {}
    int LoadInputDevices(const char*) override { return 1; }
    int AcquireStart(const void*) override { return 1; }
    int AcquireStop() override { return 1; }
    int ReadDevice(void* request) override {
        auto* read = static_cast<ReadRequest*>(request);
        auto* pixels = static_cast<uint8_t*>(read->data);
        for (uint32_t y = 0; y < read->height; ++y)
            for (uint32_t x = 0; x < read->width; ++x)
                pixels[y * read->width + x] = static_cast<uint8_t>(Value(x, y));
        return 1;
    }
};

class MaximizedWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        TestApp();
        setenv("XDG_DATA_HOME", home.Path().c_str(), 1);
        display = std::make_unique<CDispWin>(std::make_unique<QtView>());
        display->SetParamString("Cam", 9);
        display->Open(DisplayFrameDesc{nullptr, kWidth, kHeight, 0, &device});
        display->SetDisplayMode(4);
        window = dynamic_cast<QtView&>(display->View()).Window();
        ASSERT_NE(window, nullptr);
    }
    void TearDown() override {
        display.reset();
        Settle();
    }

    // Lets the window, the display's resizes and a few draws run.
    static void Run(int ms) {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < ms) {
            Settle();
            QThread::msleep(5);
        }
    }

    TempDir home;
    PictureDevice device;
    std::unique_ptr<CDispWin> display;
    DisplayWindow* window = nullptr;
};

TEST_F(MaximizedWindowTest, ShowsTheWholeImageInProportion) {
    window->showMaximized();
    Run(400);
    ASSERT_TRUE(window->isMaximized());
    const QImage shot = window->grab().toImage();
    if (const char* path = std::getenv("VIDRUNE_SCREENSHOT"))
        shot.save(QString::fromLocal8Bit(path));

    // The image area takes the zoom that fits the screen, in the image's proportions.
    const QRect area = window->Area()->geometry();
    int32_t clientWidth = 0;
    int32_t clientHeight = 0;
    display->View().ClientSize(clientWidth, clientHeight);
    EXPECT_EQ(QSize(clientWidth, clientHeight), area.size()); // what frames are drawn for
    const float aspect = static_cast<float>(kWidth) / kHeight;
    EXPECT_GT(area.width(), kWidth);
    EXPECT_EQ(area.width() % 4, 0);
    EXPECT_EQ(area.height(), WindowGeometry::HeightForWidth(area.width(), aspect));
    EXPECT_EQ(window->windowTitle().toStdString(),
              WindowGeometry::TitleLine("Cam", area.width() * 100 / kWidth));
    const QRect client = window->centralWidget()->geometry();
    EXPECT_LE(area.height(), client.height());
    EXPECT_LT(area.width(), client.width());

    // Every pixel of the area shows the image scaled by one factor (nearest source pixel,
    // give or take one); beside it the window is black.
    const QPoint origin = window->centralWidget()->mapTo(window, area.topLeft());
    const Palette palette;
    int wrong = 0;
    for (int32_t y = 0; y < area.height(); y += 3) {
        for (int32_t x = 0; x < area.width(); x += 3) {
            const QColor shown = shot.pixelColor(origin + QPoint(x, y));
            const int32_t sx = x * kWidth / area.width();
            const int32_t sy = y * kHeight / area.height();
            bool near = false;
            for (int32_t dy = -1; dy <= 1 && !near; ++dy)
                for (int32_t dx = -1; dx <= 1 && !near; ++dx) {
                    const int32_t v = Value(std::clamp(sx + dx, 0, kWidth - 1),
                                            std::clamp(sy + dy, 0, kHeight - 1));
                    const PaletteEntry& entry = palette[palette.GrayToPalette()[v]];
                    near = shown == QColor(entry.red, entry.green, entry.blue);
                }
            wrong += near ? 0 : 1;
        }
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(shot.pixelColor(origin + QPoint(area.width() + 2, area.height() / 2)),
              QColor(Qt::black));

    // Restored, the window is in proportion around the image again.
    window->showNormal();
    Run(200);
    EXPECT_EQ(window->Area()->height(),
              WindowGeometry::HeightForWidth(window->Area()->width(), aspect));
    EXPECT_EQ(window->Area()->size(), window->centralWidget()->size());
}

} // namespace
} // namespace vidrune::test
