#pragma once

#include "display/ContrastSettings.h"
#include "display/DisplayView.h"
#include "display/WindowGeometry.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace vidrune::test {

// The display's side of the window, recording what the window asks for (of the resizes and
// moves, the last).
class FakeWindowEvents : public DisplayWindowEvents {
public:
    void OnZoom(int32_t percent) override { zooms.push_back(percent); }
    void OnRestartAutoLevels() override { ++restarts; }
    void OnResized(int32_t width, int32_t height, int32_t state) override {
        resized = {width, height, state};
    }
    void OnMoved(int32_t left, int32_t top) override { moved = {left, top}; }
    void OnTopChanged(bool onTop) override { onTopChanges.push_back(onTop); }
    void OnRenderEnabled(bool) override {}
    bool OnSave(const std::string& path, bool includeOverlay) override {
        saves.emplace_back(path, includeOverlay);
        return imageWidth > 0; // writing is the display's, tested with it
    }
    bool OnSnapshot(bool includeOverlay, std::vector<uint8_t>& pixels, int32_t& width,
                    int32_t& height) override {
        // Which choice came is recorded; the pixels are the display's to compose.
        snapshots.push_back(includeOverlay);
        pixels = image;
        width = imageWidth;
        height = imageHeight;
        return !pixels.empty();
    }
    ContrastSettings& Contrast() override { return contrast; }
    int32_t BitsPerPixel() const override { return bits; }
    float Aspect() const override { return 4.0f / 3.0f; }

    int32_t bits = 12;
    ContrastSettings contrast;
    int32_t imageWidth = 0;
    int32_t imageHeight = 0;
    std::vector<uint8_t> image;

    std::vector<int32_t> zooms;
    int restarts = 0;
    std::tuple<int32_t, int32_t, int32_t> resized{-1, -1, -1}; // client width, height, state
    std::pair<int32_t, int32_t> moved{-1, -1};
    std::vector<bool> onTopChanges;
    std::vector<std::pair<std::string, bool>> saves;
    std::vector<bool> snapshots;
};

// The tests' own Qt application on the offscreen platform: the window lives on the test's
// thread, as in a host that runs Qt itself.
inline QApplication& TestApp() {
    static int argc = 1;
    static char name[] = "qt_window_tests";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Never destroyed: its helpers (file system watchers, print support) would otherwise
    // be torn down after the globals they use at exit.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

// Lets queued calls and timers run.
inline void Settle() {
    for (int i = 0; i < 10; ++i)
        QCoreApplication::processEvents();
}

// Keeps settling for `ms` milliseconds: for work of other threads that posts to this one.
inline void SettleFor(int ms) {
    QElapsedTimer timer;
    for (timer.start(); timer.elapsed() < ms; QThread::msleep(5))
        Settle();
}

// Acts on the next modal dialog once it is up (dialogs run their own loop), looking for it
// for up to five seconds; a dialog that is still open a few seconds after the act is rejected
// so that a failing test cannot hang.
inline void WhenModal(std::function<void(QWidget*)> act, int tries = 500) {
    QTimer::singleShot(10, [act = std::move(act), tries]() mutable {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr) {
            if (tries > 0)
                WhenModal(std::move(act), tries - 1);
            return;
        }
        act(modal);
        // An act that failed half-way must not leave the dialog's loop running.
        QTimer::singleShot(3000, [] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
                dialog->reject();
        });
    });
}

// A normal window on top whose client area is clientWidth x clientHeight.
inline ViewPlacement PlacementFor(const DisplayView& view, int32_t clientWidth,
                                  int32_t clientHeight) {
    const FrameExtra extra = WindowGeometry::FrameExtraFor(view.Metrics());
    return ViewPlacement{40, 30, clientWidth + extra.width, clientHeight + extra.height, 0, true};
}

} // namespace vidrune::test
