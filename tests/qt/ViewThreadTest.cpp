#include "display/DisplayView.h"
#include "display/qt/DisplayWindow.h"
#include "display/qt/QtView.h"
#include "platform/DynamicLibrary.h"
#include "platform/Event.h"
#include "qt/QtTestApp.h"
#include "support/ScopedLocale.h"
#include "support/ThreadRefusal.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QThread>
#include <chrono>
#include <clocale>
#include <cstdlib>
#include <functional>
#include <memory>
#include <thread>
#include <utility>

namespace vidrune::test {
namespace {

using Factory = DisplayView* (*)();

// Set by a test: the next application Qt makes has its loop held up before it serves any
// call, as Qt's accessibility bridge is when the session bus does not answer.
std::shared_ptr<platform::Event> holdNextLoop;

void HoldTheLoopAtItsStart() {
    if (auto release = std::exchange(holdNextLoop, nullptr))
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [release] { release->Wait(30000); },
            Qt::QueuedConnection);
}

// Each case runs in a process without a Qt application of its own: the view starts one.
class ViewThreadTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(QCoreApplication::instance(), nullptr);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        unsetenv("VIDRUNE_DISPLAY");
        ASSERT_TRUE(module.IsLoaded()) << module.Error();
        create = reinterpret_cast<Factory>(module.Symbol("VidruneCreateDisplayView"));
        ASSERT_NE(create, nullptr);
    }

    platform::DynamicLibrary module{VIDRUNE_QTVIEW_PATH};
    Factory create = nullptr;
    FakeWindowEvents events;
};

// Polls for a few seconds until the condition holds.
bool WaitUntil(const std::function<bool()>& condition) {
    int tries = 500;
    while (!condition() && --tries > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return tries > 0;
}

// A window thread the system refuses is declined, instead of ending the process; the view
// comes up once threads can be had again. Qt applies the environment's locale to the process
// it starts in: a host that kept the "C" locale must still write and read its own numbers
// with a decimal point. An unreachable display is declined too.
TEST_F(ViewThreadTest, OwnWindowThreadServesCallsFromOtherThreadsOutlivesTheViewOrIsDeclined) {
    if (const ThreadRefusal refusal; refusal.Active()) {
        EXPECT_EQ(create(), nullptr);
    }
    const ScopedLocale host("C");
    if (ScopedLocale(ScopedLocale::kGerman).Available())
        setenv("LC_ALL", ScopedLocale::kGerman, 1);
    std::unique_ptr<DisplayView> view(create());
    auto* qtView = dynamic_cast<QtView*>(view.get());
    ASSERT_NE(qtView, nullptr);
    EXPECT_NE(QCoreApplication::instance()->thread(), QThread::currentThread());
    EXPECT_FALSE(view->Monitors().empty());

    // A creation that misses its time-out leaves no window, not even once the window thread
    // got to the late request.
    const ViewPlacement placement = PlacementFor(*view, 320, 240);
    qtView->PostToWindowThread([] { std::this_thread::sleep_for(std::chrono::milliseconds(300)); });
    EXPECT_FALSE(view->Create(events, placement, "Cam", 20));
    EXPECT_FALSE(view->Exists());
    qsizetype windows = -1;
    qtView->RunOnWindowThread([&] { windows = QApplication::topLevelWidgets().size(); });
    EXPECT_EQ(windows, 0);
    // A later attempt with time to spare succeeds.
    ASSERT_TRUE(view->Create(events, placement, "Cam", 2000));
    // The application started and showed its window: every category of the host's locale
    // is still its own, so numbers read with a decimal point.
    qtView->RunOnWindowThread([] {});
    EXPECT_STREQ(std::setlocale(LC_ALL, nullptr), "C");
    EXPECT_EQ(std::strtod("29.97", nullptr), 29.97);

    // A host thread ends this view (as freeing the device does) while the user has the
    // window's Save dialog open on the window thread: the call returns, the dialog ends
    // without saving, and the application ends with the view.
    view->SetSaveAndPrintEnabled(true);
    qtView->PostToWindowThread(
        [qtView] { qtView->Window()->ExecuteCommand(DisplayWindow::kSave); });
    bool dialogUp = false;
    ASSERT_TRUE(WaitUntil([&] {
        qtView->RunOnWindowThread([&] { dialogUp = QApplication::activeModalWidget() != nullptr; });
        return dialogUp;
    }));
    view->Destroy();
    EXPECT_FALSE(view->Exists());
    view.reset();
    EXPECT_EQ(QCoreApplication::instance(), nullptr);
    EXPECT_TRUE(events.saves.empty());
    unsetenv("LC_ALL");

    setenv("VIDRUNE_DISPLAY", "headless", 1);
    EXPECT_EQ(create(), nullptr);
    for (const char* name : {"VIDRUNE_DISPLAY", "QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        unsetenv(name);
    EXPECT_EQ(create(), nullptr);
    setenv("DISPLAY", ":97", 1);
    EXPECT_EQ(create(), nullptr);
    EXPECT_EQ(QCoreApplication::instance(), nullptr);
}

// A window thread that does not answer holds a host call up for the view's time limit, not
// for ever, and later calls do not wait for it; once it runs again, the queued calls find
// their state and the view serves as before.
TEST_F(ViewThreadTest, AWindowThreadThatDoesNotAnswerHoldsNoHostCallForEver) {
    constexpr uint32_t kAnswerMs = 200;
    auto release = std::make_shared<platform::Event>(platform::Event::Mode::ManualReset);
    holdNextLoop = release;
    qAddPreRoutine(HoldTheLoopAtItsStart);
    EXPECT_FALSE(QtView(kAnswerMs).Usable());
    release->Set();
    // The held application ends as soon as its loop runs; a view then gets one of its own.
    std::unique_ptr<QtView> view;
    ASSERT_TRUE(WaitUntil([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        view = std::make_unique<QtView>(kAnswerMs);
        return view->Usable();
    }));
    const ViewPlacement placement = PlacementFor(*view, 320, 240);
    ASSERT_TRUE(view->Create(events, placement, "Cam", 2000));

    release = std::make_shared<platform::Event>(platform::Event::Mode::ManualReset);
    view->PostToWindowThread([release] { release->Wait(30000); });
    EXPECT_EQ(view->Metrics().screenWidth, 0);
    EXPECT_TRUE(view->Monitors().empty());
    EXPECT_FALSE(view->Usable());
    EXPECT_FALSE(view->Create(events, placement, "Cam", 2000));
    release->Set();
    // Once it answers again, calls wait for it as before.
    ASSERT_TRUE(WaitUntil([&] { return view->Usable(); }));
    EXPECT_GT(view->Metrics().screenWidth, 0);
    ASSERT_TRUE(view->Create(events, placement, "Again", 2000));
    view->Destroy();
    EXPECT_FALSE(view->Exists());
    EXPECT_EQ(QCoreApplication::instance(), nullptr);
}

} // namespace
} // namespace vidrune::test
