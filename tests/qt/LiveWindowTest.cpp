#include "board/BoardHost.h"
#include "qt/QtTestApp.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMetaObject>
#include <QScreen>
#include <QThread>
#include <QWidget>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>

namespace vidrune::test {
namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;
const QRect kOverlay(100, 50, 40, 30);

// The plug-in with its display window on a real X server (run under xvfb-run).
class LiveWindowTest : public BoardHost {
protected:
    void SetUp() override {
        if (std::getenv("DISPLAY") == nullptr)
            GTEST_SKIP() << "needs an X server";
        unsetenv("QT_QPA_PLATFORM");
        unsetenv("VIDRUNE_DISPLAY");
        // Settings of earlier runs must not place the window.
        setenv("XDG_DATA_HOME", files.Dir().Path().c_str(), 1);
    }

    // Runs work on the display's window thread (the module runs Qt there).
    static void OnWindowThread(const std::function<void()>& work) {
        QCoreApplication* app = QCoreApplication::instance();
        ASSERT_NE(app, nullptr);
        ASSERT_NE(app->thread(), QThread::currentThread());
        QMetaObject::invokeMethod(app, work, Qt::BlockingQueuedConnection);
    }

    static QWidget* DisplayWindow() {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (widget->windowTitle().startsWith("Vidrune live"))
                return widget;
        return nullptr;
    }
};

TEST_F(LiveWindowTest, ContinuousAcquisitionShowsThePatternSaturationAndOverlay) {
    const SimCamera camera{.frameRate = 60, .maxWidth = kWidth, .maxHeight = kHeight, .extra = ""};
    const std::string config = files.WriteSingle(camera, SimBoardFiles::ModeOf(camera), "",
                                                 "[EXTDISPLAY]\nMPX=0\nDISPNAME=Vidrune live\n");
    ASSERT_TRUE(Open(config));
    ASSERT_NE(QCoreApplication::instance(), nullptr) << "the Qt window module was not loaded";

    // With one monitor and no saved place the window starts minimized; the user opens it.
    OnWindowThread([] {
        QWidget* window = DisplayWindow();
        ASSERT_NE(window, nullptr);
        window->showNormal();
        window->raise();
    });
    ASSERT_EQ(StartContinuous(), 1);
    GraphicsCommand command =
        Graphics(9, kOverlay.x(), kOverlay.y(), kOverlay.width(), kOverlay.height());
    ASSERT_EQ(plugin.AcqDeviceSet("GRAPHICS COMMAND", &command), 1);
    QString title;
    QImage client;
    QImage whole;
    int restores = 0;
    auto capture = [&] {
        OnWindowThread([&] {
            QWidget* window = DisplayWindow();
            ASSERT_NE(window, nullptr);
            // The window starts minimized, and on a loaded machine the X server's news of
            // that can reach Qt after the restore above and minimize it again.
            if (window->isMinimized()) {
                ++restores;
                window->showNormal();
                window->raise();
            }
            title = window->windowTitle();
            QWidget* image = nullptr;
            for (QWidget* child : window->findChildren<QWidget*>())
                if (child->size() == QSize(kWidth, kHeight))
                    image = child;
            ASSERT_NE(image, nullptr) << "no client area of the image's size";
            QScreen* screen = window->screen();
            const QPoint origin = image->mapToGlobal(QPoint(0, 0));
            client = screen->grabWindow(0, origin.x(), origin.y(), kWidth, kHeight).toImage();
            const QRect frame = window->frameGeometry();
            whole = screen->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height())
                        .toImage();
        });
    };

    // The frame shown is one of the camera's (the pattern repeats every 51 frames): find
    // which and compare every pixel.
    const QRect all(0, 0, kWidth, kHeight);
    auto frame = [](int n) {
        return [n](const QColor& pixel, int x, int y) {
            return pixel ==
                   (kOverlay.contains(x, y) ? QColor(Qt::white) : Shown(Pattern8(x, y, n)));
        };
    };
    auto bestFrame = [&] {
        int best = 0;
        for (int n = 1; n < 51; ++n)
            if (Mismatches(client, all, 5, frame(n)) < Mismatches(client, all, 5, frame(best)))
                best = n;
        return best;
    };
    const QString expectedTitle = "Vidrune live  (100%)";
    auto shown = [&] {
        return title == expectedTitle && client.size() == QSize(kWidth, kHeight) &&
               Mismatches(client, all, 1, frame(bestFrame())) == 0;
    };
    // A loaded machine maps and draws the window late: look again until it shows the
    // frame, for at most 15 s.
    for (int look = 0; look < 60; ++look) {
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
        capture();
        if (HasFatalFailure() || shown())
            break;
    }
    ASSERT_EQ(plugin.AcquireStop(), 1);
    if (const char* shot = std::getenv("VIDRUNE_SCREENSHOT"))
        whole.save(QString::fromLocal8Bit(shot));

    EXPECT_EQ(title, expectedTitle) << "restored again " << restores << " times";
    ASSERT_EQ(client.size(), QSize(kWidth, kHeight));
    const int best = bestFrame();
    EXPECT_EQ(Mismatches(client, all, 1, frame(best)), 0) << "frame " << best;
}

} // namespace
} // namespace vidrune::test
