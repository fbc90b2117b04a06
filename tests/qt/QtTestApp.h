#pragma once

#include "display/DisplayView.h"
#include "display/WindowGeometry.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace vidrune::test {

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
