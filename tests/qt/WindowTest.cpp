#include "display/WindowGeometry.h"
#include "display/qt/ContrastDialog.h"
#include "display/qt/DisplayWindow.h"
#include "display/qt/ImageArea.h"
#include "display/qt/QtView.h"
#include "qt/FakeWindowEvents.h"
#include "qt/QtTestApp.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>
#include <memory>

namespace vidrune::test {
namespace {

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override { TestApp(); }
    void TearDown() override {
        view.reset();
        Settle();
    }

    void Open(int32_t clientWidth = 320, int32_t clientHeight = 240, int32_t state = 0) {
        view = std::make_unique<QtView>();
        ASSERT_TRUE(view->Usable());
        extra = WindowGeometry::FrameExtraFor(view->Metrics());
        ViewPlacement placement;
        placement.left = 40;
        placement.top = 30;
        placement.windowWidth = clientWidth + extra.width;
        placement.windowHeight = clientHeight + extra.height;
        placement.windowState = state;
        placement.onTop = true;
        ASSERT_TRUE(view->Create(events, placement, "Cam", 2000));
        window = view->Window();
        ASSERT_NE(window, nullptr);
        Settle();
    }

    void ExpectClient(int32_t width, int32_t height) {
        int32_t w = 0;
        int32_t h = 0;
        view->ClientSize(w, h);
        EXPECT_EQ(w, width);
        EXPECT_EQ(h, height);
        EXPECT_EQ(window->Area()->width(), width);
        EXPECT_EQ(window->Area()->height(), height);
    }

    // The user drags the frame to a new client size.
    void UserResize(int32_t clientWidth, int32_t clientHeight) {
        window->resize(clientWidth, clientHeight + window->height() - window->Area()->height());
        Settle();
    }

    FakeWindowEvents events;
    std::unique_ptr<QtView> view;
    DisplayWindow* window = nullptr;
    FrameExtra extra;
};

TEST_F(WindowTest, MenuCommandsReachTheDisplay) {
    Open();
    for (int32_t id : {40001, 40002, 40005, 40010, 40011, 40012})
        window->Action(id)->trigger();
    EXPECT_EQ(events.zooms, (std::vector<int32_t>{25, 50, 75, 100, 150, 200}));

    // Accelerators carry more than the id; only its low 16 bits count.
    window->ExecuteCommand(0x20000u | 40012u);
    for (uint32_t nothing : {40007u, 40014u, 40000u, 40016u, 0u})
        window->ExecuteCommand(nothing);
    EXPECT_EQ(events.zooms.size(), 7u);
    EXPECT_EQ(events.zooms.back(), 200);

    window->Action(40013)->trigger();
    EXPECT_EQ(events.restarts, 1);
    EXPECT_EQ(events.contrast.autoLevelCountdown, ContrastSettings::kRestartCountdown);

    EXPECT_TRUE(view->OnTop());
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    window->Action(40008)->trigger();
    Settle();
    EXPECT_FALSE(view->OnTop());
    EXPECT_FALSE(window->Action(40008)->isChecked());
    EXPECT_FALSE(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(window->isVisible());
    window->Action(40008)->trigger();
    EXPECT_TRUE(window->Action(40008)->isChecked());
    EXPECT_EQ(events.onTopChanges, (std::vector<bool>{false, true}));

    for (int32_t id : {40006, 40009}) {
        window->showNormal();
        Settle();
        EXPECT_EQ(view->WindowState(), 0);
        window->Action(id)->trigger();
        Settle();
        EXPECT_EQ(view->WindowState(), 1) << id;
        ASSERT_FALSE(events.resized.empty());
        EXPECT_EQ(events.resized.back().state, 1);
    }
}

TEST_F(WindowTest, SaveAndPrintFollowTheDisplayAndEightBitsGrayTheContrast) {
    events.bits = 8;
    Open();
    EXPECT_FALSE(window->Action(40003)->isEnabled());
    EXPECT_FALSE(window->Action(40004)->isEnabled());
    view->SetSaveAndPrintEnabled(true);
    EXPECT_TRUE(window->Action(40003)->isEnabled());
    EXPECT_TRUE(window->Action(40004)->isEnabled());
    view->SetSaveAndPrintEnabled(false);
    EXPECT_FALSE(window->Action(40004)->isEnabled());

    EXPECT_FALSE(window->Action(40013)->isEnabled());
    EXPECT_FALSE(window->Action(40015)->isEnabled());
    window->ExecuteCommand(40015);
    window->ExecuteCommand(40013);
    EXPECT_EQ(window->Contrast(), nullptr);
    EXPECT_EQ(events.restarts, 0);

    // The next camera is deeper: the display's Open enables the contrast commands.
    view->SetContrastEnabled(true);
    EXPECT_TRUE(window->Action(40013)->isEnabled());
    window->ExecuteCommand(40015);
    ASSERT_NE(window->Contrast(), nullptr);
    EXPECT_FALSE(window->Action(40015)->isEnabled());
    // Back to 8 bits: grayed again, and the open dialog goes.
    view->SetContrastEnabled(false);
    Settle();
    EXPECT_EQ(window->Contrast(), nullptr);
    EXPECT_FALSE(window->Action(40013)->isEnabled());
    EXPECT_FALSE(window->Action(40015)->isEnabled());
}

TEST_F(WindowTest, TitleShowsTheZoomExceptWhileMinimized) {
    Open();
    EXPECT_EQ(window->windowTitle(), "Cam");
    view->SetTitle(WindowGeometry::TitleLine("Cam", 100));
    EXPECT_EQ(window->windowTitle(), "Cam  (100%)");
    window->showMinimized();
    Settle();
    EXPECT_EQ(window->windowTitle(), "Cam");
    window->showNormal();
    Settle();
    EXPECT_EQ(window->windowTitle(), "Cam  (100%)");
}

// The rule itself is WindowGeometry's; here only that both kinds of resize go through it.
TEST_F(WindowTest, UserAndDisplayResizesAreLockedToTheImageProportions) {
    Open(320, 240);
    UserResize(400, 400);
    ExpectClient(532, 399);
    ASSERT_FALSE(events.resized.empty());
    EXPECT_EQ(events.resized.back().width, 532);
    EXPECT_EQ(events.resized.back().height, 399);
    EXPECT_EQ(events.resized.back().state, 0);
    view->Resize(641 + extra.width, 481 + extra.height);
    Settle();
    ExpectClient(640, 480);
    EXPECT_EQ(events.resized.back().width, 640);
}

TEST_F(WindowTest, AtASmallZoomTheMenuKeepsItsTitlesAndTheImageFollowsTheZoom) {
    Open(320, 240);
    // 25 %: an 80 x 60 client, narrower than the menu's titles.
    view->Resize(80 + extra.width, 60 + extra.height);
    Settle();
    ExpectClient(80, 60);
    EXPECT_GE(window->width(), window->menuBar()->sizeHint().width());
    const auto* chevron = window->menuBar()->findChild<QToolButton*>("qt_menubar_ext_button");
    EXPECT_TRUE(chevron == nullptr || !chevron->isVisible());
    for (QAction* menu : window->menuBar()->actions())
        EXPECT_TRUE(window->menuBar()->rect().contains(window->menuBar()->actionGeometry(menu)))
            << menu->text().toStdString();
    // The user's resizes keep going from the image's size, not the window's.
    UserResize(80, 80);
    ExpectClient(108, 81);
}

TEST_F(WindowTest, ImageIsStretchedWithoutBlendingOrDrawnOneToOne) {
    Open(320, 240);
    Palette palette;
    const int32_t width = 160;
    const int32_t height = 120;
    std::vector<uint8_t> bitmap(164 * height);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            bitmap[y * 164 + x] = static_cast<uint8_t>((x * 3 + y * 7) % 256);
    bitmap[0] = Palette::kSaturatedEntry;
    view->Present(bitmap.data(), width, height, 164, palette);
    Settle();
    QImage shown = window->Area()->grab().toImage();
    ASSERT_EQ(shown.width(), 320);
    EXPECT_EQ(shown.pixelColor(0, 0), QColor(240, 0, 0));
    EXPECT_EQ(shown.pixelColor(1, 1), QColor(240, 0, 0));
    for (int32_t y = 1; y < height; y += 13)
        for (int32_t x = 1; x < width; x += 11) {
            const int v = (x * 3 + y * 7) % 256;
            const QColor expected = v == 240 ? QColor(240, 0, 0) : QColor(v, v, v);
            EXPECT_EQ(shown.pixelColor(2 * x, 2 * y), expected) << x << "," << y;
            EXPECT_EQ(shown.pixelColor(2 * x + 1, 2 * y + 1), expected) << x << "," << y;
        }

    std::vector<uint8_t> full(320 * 240);
    for (size_t i = 0; i < full.size(); ++i)
        full[i] = static_cast<uint8_t>(i % 251);
    view->Present(full.data(), 320, 240, 320, palette);
    Settle();
    shown = window->Area()->grab().toImage();
    EXPECT_EQ(shown.pixelColor(7, 3),
              QColor(3 * 320 % 251 + 7, 3 * 320 % 251 + 7, 3 * 320 % 251 + 7));
    EXPECT_EQ(shown.pixelColor(319, 239).red(), (239 * 320 + 319) % 251);
}

TEST_F(WindowTest, DraggingTheImageMovesTheWindowAndDoubleClickOrCloseMinimize) {
    Open();
    const QPoint start = window->frameGeometry().topLeft();
    const QPoint local(10, 10);
    const QPoint global = window->Area()->mapToGlobal(local);
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(window->Area(), &press);
    QMouseEvent move(QEvent::MouseMove, local + QPoint(30, 20), global + QPoint(30, 20),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window->Area(), &move);
    Settle();
    EXPECT_EQ(window->frameGeometry().topLeft(), start + QPoint(30, 20));
    int32_t left = 0;
    int32_t top = 0;
    view->Position(left, top);
    EXPECT_EQ(left, start.x() + 30);
    EXPECT_EQ(top, start.y() + 20);
    ASSERT_FALSE(events.moves.empty());
    EXPECT_EQ(events.moves.back(), std::make_pair(left, top));

    QMouseEvent doubleClick(QEvent::MouseButtonDblClick, local, global, Qt::LeftButton,
                            Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window->Area(), &doubleClick);
    Settle();
    EXPECT_EQ(view->WindowState(), 1);

    window->showNormal();
    Settle();
    EXPECT_FALSE(window->close());
    Settle();
    EXPECT_TRUE(view->Exists());
    EXPECT_EQ(view->WindowState(), 1);
}

TEST_F(WindowTest, ContrastDialogSetsGainOffsetAndInvert) {
    events.contrast.gain = 1000;
    events.contrast.offset = 205;
    Open();
    window->Action(40015)->trigger();
    ContrastDialog* dialog = window->Contrast();
    ASSERT_NE(dialog, nullptr);
    // A fixed size, a title and a close button: no maximize button.
    EXPECT_TRUE(dialog->windowFlags().testFlag(Qt::CustomizeWindowHint));
    EXPECT_FALSE(dialog->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(dialog->windowFlags().testFlag(Qt::WindowCloseButtonHint));
    EXPECT_EQ(dialog->minimumSize(), dialog->maximumSize());
    EXPECT_FALSE(window->Action(40015)->isEnabled());
    EXPECT_EQ(dialog->GainSlider()->maximum(), 409);
    EXPECT_EQ(dialog->GainSlider()->value(), 100);
    EXPECT_EQ(dialog->OffsetSlider()->value(), 20);
    EXPECT_EQ(dialog->GainBox()->text(), "1000");
    EXPECT_EQ(dialog->OffsetBox()->text(), "205");

    // A slider move takes effect at once.
    dialog->GainSlider()->setValue(55);
    EXPECT_EQ(events.contrast.gain, 550);
    EXPECT_EQ(dialog->GainBox()->text(), "550");
    dialog->OffsetSlider()->setValue(7);
    EXPECT_EQ(events.contrast.offset, 70);

    // Parsing is WindowGeometry's: text without a number keeps the value, and the sliders
    // follow what is kept.
    struct Typed {
        const char *gain, *offset;
        int32_t gainKept, offsetKept, gainSlider, offsetSlider;
    };
    events.contrast.gain = 1234;
    for (const Typed& t :
         {Typed{"abc", "-35", 1234, -35, 123, 0}, Typed{"2047", "x", 2047, -35, 204, 0}}) {
        dialog->GainBox()->setText(t.gain);
        dialog->OffsetBox()->setText(t.offset);
        dialog->ApplyButton()->click();
        EXPECT_EQ(events.contrast.gain, t.gainKept) << t.gain;
        EXPECT_EQ(events.contrast.offset, t.offsetKept) << t.offset;
        EXPECT_EQ(dialog->GainSlider()->value(), t.gainSlider) << t.gain;
        EXPECT_EQ(dialog->OffsetSlider()->value(), t.offsetSlider) << t.offset;
    }
    dialog->InvertBox()->click();
    EXPECT_EQ(events.contrast.invert, 1);
    dialog->InvertBox()->click();
    EXPECT_EQ(events.contrast.invert, 0);
    dialog->AutomaticButton()->click();
    EXPECT_EQ(events.restarts, 1);

    // Automatic levels show their values while the dialog is open, from any thread.
    view->ShowContrast(3000, 410);
    Settle();
    EXPECT_EQ(dialog->GainBox()->text(), "3000");
    EXPECT_EQ(dialog->OffsetBox()->text(), "410");
    EXPECT_EQ(dialog->GainSlider()->value(), 300);
    EXPECT_EQ(dialog->OffsetSlider()->value(), 41);
    EXPECT_EQ(events.contrast.gain, 2047); // showing is not setting

    // A second contrast command while open does nothing; closing re-enables it.
    window->ExecuteCommand(40015);
    EXPECT_EQ(window->Contrast(), dialog);
    dialog->close();
    Settle();
    EXPECT_EQ(window->Contrast(), nullptr);
    EXPECT_TRUE(window->Action(40015)->isEnabled());
}

} // namespace
} // namespace vidrune::test
