#include "display/CDispWin.h"
#include "display/Palette.h"
#include "display/PrintLayout.h"
#include "display/WindowGeometry.h"
#include "display/qt/ContrastDialog.h"
#include "display/qt/DisplayWindow.h"
#include "display/qt/ImageArea.h"
#include "display/qt/ImagePrinter.h"
#include "display/qt/QtView.h"
#include "qt/QtTestApp.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPointer>
#include <QPrinter>
#include <QPushButton>
#include <QSlider>
#include <cstdlib>
#include <memory>
#include <tuple>
#include <vector>

namespace vidrune::test {
namespace {

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override { TestApp(); }

    void Open(bool onTop = true) {
        view = std::make_unique<QtView>();
        ViewPlacement placement = PlacementFor(*view, 320, 240);
        placement.onTop = onTop;
        ASSERT_TRUE(view->Create(events, placement, "Cam", 2000));
        window = view->Window();
        Settle();
    }

    // The user drags the frame to a new client size.
    void UserResize(int32_t clientWidth, int32_t clientHeight) {
        window->resize(clientWidth, clientHeight + window->height() - window->Area()->height());
        Settle();
    }

    FakeWindowEvents events;
    std::unique_ptr<QtView> view; // goes before the events it reports to
    DisplayWindow* window = nullptr;
};

// The title shows the zoom except while minimized.
TEST_F(WindowTest, MenuDragAndCloseReachTheDisplay) {
    Open();
    // Save and print are grayed until the display has something to show.
    EXPECT_FALSE(window->Action(40003)->isEnabled() || window->Action(40004)->isEnabled());
    for (int32_t id : {40001, 40002, 40005, 40010, 40011, 40012})
        window->Action(id)->trigger();
    // Accelerators carry more than the id; only its low 16 bits count.
    for (uint32_t command : {0x20000u | 40001u, 40007u, 40013u, 40014u, 40000u, 40016u, 0u})
        window->ExecuteCommand(command);
    EXPECT_EQ(events.zooms, (std::vector<int32_t>{25, 50, 75, 100, 150, 200, 25}));
    EXPECT_EQ(events.restarts, 1);

    // Changing the window's flags hides it; the window must show again.
    for (const bool onTop : {true, false, true}) {
        EXPECT_EQ(std::tuple(view->OnTop(),
                             window->windowFlags().testFlag(Qt::WindowStaysOnTopHint),
                             window->isVisible()),
                  std::tuple(onTop, onTop, true));
        window->Action(40008)->trigger();
        Settle();
    }
    EXPECT_EQ(events.onTopChanges, (std::vector<bool>{false, true, false}));

    // Dragging the image moves the window.
    view->SetTitle(WindowGeometry::TitleLine("Cam", 100));
    auto mouse = [&](QEvent::Type type, const QPoint& by, Qt::MouseButton button) {
        const QPoint local = QPoint(10, 10) + by;
        QMouseEvent event(type, local, window->Area()->mapToGlobal(local), button, Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(window->Area(), &event);
        Settle();
    };
    const QPoint moved = window->frameGeometry().topLeft() + QPoint(30, 20);
    mouse(QEvent::MouseButtonPress, {}, Qt::LeftButton);
    mouse(QEvent::MouseMove, QPoint(30, 20), Qt::NoButton);
    EXPECT_EQ(events.moved, std::pair(moved.x(), moved.y()));

    // Both minimize commands, a double click (0) and closing (-1) minimize.
    for (int32_t id : {40006, 40009, 0, -1}) {
        window->showNormal();
        Settle();
        EXPECT_EQ(window->windowTitle(), "Cam  (100%)");
        if (id > 0)
            window->Action(id)->trigger();
        else if (id == 0)
            mouse(QEvent::MouseButtonDblClick, {}, Qt::LeftButton);
        else
            EXPECT_FALSE(window->close());
        Settle();
        EXPECT_EQ(window->windowTitle(), "Cam") << id;
        EXPECT_EQ(std::get<2>(events.resized), 1);
    }
}

// The rule of the resizes is WindowGeometry's; here only that every kind of resize goes
// through it.
TEST_F(WindowTest, ImageIsStretchedWithoutBlendingAndEveryResizeKeepsItsProportions) {
    Open();
    // A 160 x 120 image in rows of 164 bytes, shown at 200 %.
    std::vector<uint8_t> bitmap(164 * 120);
    for (size_t i = 0; i < bitmap.size(); ++i)
        bitmap[i] = static_cast<uint8_t>((i % 164 * 3 + i / 164 * 7) % 251);
    bitmap[0] = Palette::kSaturatedEntry;
    // Two frames before the window repaints: the last one shows.
    view->Present(std::vector<uint8_t>(164 * 120).data(), 160, 120, 164, Palette());
    view->Present(bitmap.data(), 160, 120, 164, Palette());
    Settle();
    const QImage shown = window->Area()->grab().toImage();
    int matched = 0;
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x) {
            const int v = bitmap[(y / 2) * 164 + x / 2];
            matched += shown.pixelColor(x, y) == (v == 240 ? QColor(240, 0, 0) : QColor(v, v, v));
        }
    EXPECT_EQ(matched, 320 * 240);

    UserResize(400, 400);
    EXPECT_EQ(events.resized, std::tuple(532, 399, 0));
    // At 25 % (an 80 x 60 client, narrower than the menu's titles) the menu keeps its titles.
    const FrameExtra extra = WindowGeometry::FrameExtraFor(view->Metrics());
    view->Resize(80 + extra.width, 60 + extra.height);
    Settle();
    EXPECT_EQ(events.resized, std::tuple(80, 60, 0));
    EXPECT_GE(window->width(), window->menuBar()->sizeHint().width());
    // The user's resizes keep going from the image's size, not the window's.
    UserResize(80, 80);
    EXPECT_EQ(events.resized, std::tuple(108, 81, 0));

    // The display with its Qt window, maximized by the user: the window manager's size goes to
    // the display, which answers with the zoom that fits, in proportion. A portrait image: the
    // window's width leads a maximize. Without a device nothing is read or kept.
    CDispWin display(std::make_unique<QtView>());
    display.SetParamString("Cam", 9);
    display.Open(DisplayFrameDesc{nullptr, 240, 320, 0, nullptr});
    display.SetDisplayMode(4);
    window = dynamic_cast<QtView&>(display.View()).Window();
    window->showMaximized();
    SettleFor(400); // the window, the display's resizes and a few draws
    ASSERT_TRUE(window->isMaximized());
    const QRect area = window->Area()->geometry();
    int32_t clientWidth = 0, clientHeight = 0;
    display.View().ClientSize(clientWidth, clientHeight);
    EXPECT_EQ(QSize(clientWidth, clientHeight), area.size()); // what frames are drawn for
    EXPECT_GT(area.width(), 240);
    EXPECT_EQ(area.height(), WindowGeometry::HeightForWidth(area.width(), 0.75f));
    // Beside the image the window is black.
    const QPoint beside = window->centralWidget()->mapTo(window, area.topRight() + QPoint(3, 9));
    EXPECT_EQ(window->grab().toImage().pixelColor(beside), QColor(Qt::black));
    // Restored, the window is in proportion around the image again.
    window->showNormal();
    SettleFor(200);
    EXPECT_EQ(window->Area()->height(),
              WindowGeometry::HeightForWidth(window->Area()->width(), 0.75f));
    EXPECT_EQ(window->Area()->size(), window->centralWidget()->size());
}

TEST_F(WindowTest, EightBitsGrayTheContrastAndItsDialogSetsGainOffsetAndInvert) {
    events.bits = 8;
    Open();
    auto enabled = [&] {
        return std::pair(window->Action(40013)->isEnabled(), window->Action(40015)->isEnabled());
    };
    EXPECT_EQ(enabled(), std::pair(false, false));
    window->ExecuteCommand(40015);
    window->ExecuteCommand(40013);
    EXPECT_EQ(window->Contrast(), nullptr);
    EXPECT_EQ(events.restarts, 0);

    // The next camera is deeper: the display's Open enables the contrast commands.
    events.bits = 12;
    events.contrast.gain = 1000;
    events.contrast.offset = 205;
    view->SetContrastEnabled(true);
    EXPECT_EQ(enabled(), std::pair(true, true));
    window->Action(40015)->trigger();
    ContrastDialog* dialog = window->Contrast();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(enabled(), std::pair(true, false));
    // The settings, then what the dialog shows: the boxes and the sliders (in tens).
    auto state = [&] {
        return std::tuple(
            int{events.contrast.gain}, int{events.contrast.offset},
            (dialog->GainBox()->text() + " " + dialog->OffsetBox()->text()).toStdString(),
            dialog->GainSlider()->value(), dialog->OffsetSlider()->value());
    };
    EXPECT_EQ(state(), std::tuple(1000, 205, "1000 205", 100, 20));
    // A slider move takes effect at once.
    dialog->GainSlider()->setValue(55);
    dialog->OffsetSlider()->setValue(7);
    EXPECT_EQ(state(), std::tuple(550, 70, "550 70", 55, 7));

    // Parsing is WindowGeometry's: text without a number keeps the value, and the sliders
    // follow what is kept.
    events.contrast.gain = 1234;
    auto apply = [&](const char* gain, const char* offset) {
        dialog->GainBox()->setText(gain);
        dialog->OffsetBox()->setText(offset);
        dialog->ApplyButton()->click();
        return state();
    };
    EXPECT_EQ(apply("abc", "-35"), std::tuple(1234, -35, "abc -35", 123, 0));
    EXPECT_EQ(apply("2047", "x"), std::tuple(2047, -35, "2047 x", 204, 0));
    for (const int32_t invert : {1, 0}) {
        dialog->InvertBox()->click();
        EXPECT_EQ(events.contrast.invert, invert);
    }
    dialog->AutomaticButton()->click();
    EXPECT_EQ(events.restarts, 1);

    // Automatic levels show their values while the dialog is open, from any thread; showing
    // is not setting.
    view->ShowContrast(3000, 410);
    Settle();
    EXPECT_EQ(state(), std::tuple(2047, -35, "3000 410", 300, 41));

    // Closing re-enables the command.
    dialog->close();
    Settle();
    EXPECT_EQ(window->Contrast(), nullptr);
    EXPECT_EQ(enabled(), std::pair(true, true));
    // Back to 8 bits with the dialog open: grayed again, and the dialog goes.
    window->ExecuteCommand(40015);
    ASSERT_NE(window->Contrast(), nullptr);
    view->SetContrastEnabled(false);
    Settle();
    EXPECT_EQ(window->Contrast(), nullptr);
    EXPECT_EQ(enabled(), std::pair(false, false));
}

// PDF writers may store images lossily; a colour counts as matched within a small distance.
bool Near(const QColor& a, const QColor& b) {
    return std::abs(a.red() - b.red()) <= 6 && std::abs(a.green() - b.green()) <= 6 &&
           std::abs(a.blue() - b.blue()) <= 6;
}

// Left half saturated red, right half dark.
class SaveAndPrintTest : public WindowTest {
protected:
    static constexpr int32_t kWidth = 64;
    static constexpr int32_t kHeight = 48;

    void SetUp() override {
        WindowTest::SetUp();
        events.imageWidth = kWidth;
        events.imageHeight = kHeight;
        events.image.resize(kWidth * kHeight);
        for (size_t i = 0; i < events.image.size(); ++i)
            events.image[i] = i % kWidth < kWidth / 2 ? 240 : 40;
        // Not on top, as the user may have left it: a window created without the flag.
        ASSERT_NO_FATAL_FAILURE(Open(false));
        view->SetSaveAndPrintEnabled(true);
    }

    TempDir dir;
};

// The dialog offers the name saved last and the overlay choice made last (off at first), and
// passes both on as the user leaves them.
TEST_F(SaveAndPrintTest, SaveDialogOffersTheLastNameAndOverlayChoiceAndPassesThem) {
    const std::string first = dir.File("first.tif");
    WhenModal([&](QWidget* modal) {
        modal->findChild<QLineEdit*>("fileNameEdit")->setText(QString::fromStdString(first));
        auto* overlay = modal->findChild<QCheckBox*>("includeOverlay");
        EXPECT_FALSE(overlay->isChecked());
        overlay->setChecked(true);
        qobject_cast<QDialog*>(modal)->accept();
    });
    window->ExecuteCommand(40003);
    WhenModal([](QWidget* modal) { qobject_cast<QDialog*>(modal)->accept(); });
    window->ExecuteCommand(40003);
    // Cancelling saves nothing.
    WhenModal([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
    window->ExecuteCommand(40003);
    using Saves = std::vector<std::pair<std::string, bool>>;
    EXPECT_EQ(events.saves, (Saves{{first, true}, {first, true}}));
}

TEST_F(SaveAndPrintTest, PrintDialogPrintsTheImageWherePrintLayoutPlacesIt) {
    const std::string pdf = dir.File("page.pdf");
    QPrinter& printer = window->Printer();
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(pdf));
    WhenModal([](QWidget* modal) {
        auto* overlay = modal->findChild<QCheckBox*>("includeOverlay");
        ASSERT_NE(overlay, nullptr);
        overlay->setChecked(true);
        qobject_cast<QDialog*>(modal)->accept();
    });
    window->ExecuteCommand(40004);
    EXPECT_EQ(events.snapshots, std::vector<bool>{true});

    // The first page as pixels, at 50 dots an inch.
    const std::string png = dir.File("page");
    const std::string command = "pdftoppm -png -singlefile -r 50 '" + pdf + "' '" + png + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const QImage page(QString::fromStdString(png + ".png"));
    const Rect image = PrintLayout::Place(ImagePrinter::MetricsOf(printer), kWidth, kHeight).image;
    const QRect paint = printer.pageLayout().paintRectPixels(printer.resolution());
    const double scale = 50.0 / printer.resolution();
    // Where a point of the image (in image pixels) lands on the rendered page.
    auto at = [&](double x, double y) {
        const double px = paint.left() + image.left + x / kWidth * image.Width();
        const double py = paint.top() + image.top + y / kHeight * image.Height();
        return page.pixelColor(static_cast<int>(px * scale), static_cast<int>(py * scale));
    };
    // The image reaches its corners, and just outside them the paper stays blank.
    EXPECT_PRED2(Near, at(1, 1), QColor(240, 0, 0));
    EXPECT_PRED2(Near, at(kWidth - 1, kHeight - 1), QColor(40, 40, 40));
    EXPECT_PRED2(Near, at(-3, -3), Qt::white);
    EXPECT_PRED2(Near, at(kWidth + 3, kHeight + 3), Qt::white);
}

// The host may free the device (or unload the library) while the user has one of the
// window's dialogs open, or a message box inside one: the dialogs end, nothing is saved or
// printed, and the window goes once they have returned. Run on the window's thread, as the
// display's end is, with the commands chosen from the menu. (The save dialog itself goes
// under a host thread in the view's thread test.)
TEST_F(SaveAndPrintTest, TheWindowCanGoWhileOneOfItsDialogsIsOpen) {
    // With a name to save as, the window goes while a message box of the save is open, which
    // names the file: the warning of a save that failed (the display had nothing it could
    // write), or the file dialog's own question whether to replace a file.
    dir.Write("kept.tif", "an older picture");
    const std::tuple<int32_t, std::string, size_t, int32_t> cases[] = {
        {DisplayWindow::kPrint, "", 0, kWidth},
        {DisplayWindow::kSave, "x.tif", 1, 0},
        {DisplayWindow::kSave, "kept.tif", 0, kWidth},
    };
    for (const auto& [command, name, saves, imageWidth] : cases) {
        SCOPED_TRACE(command);
        events.saves.clear();
        events.imageWidth = imageWidth;
        WhenModal([&](QWidget* modal) {
            if (name.empty())
                return view->Destroy();
            modal->findChild<QLineEdit*>("fileNameEdit")
                ->setText(QString::fromStdString(dir.File(name)));
            WhenModal([&](QWidget* next) {
                auto* message = qobject_cast<QMessageBox*>(next);
                ASSERT_NE(message, nullptr);
                EXPECT_TRUE(message->text().contains(name.c_str())) << name;
                view->Destroy();
            });
            qobject_cast<QDialog*>(modal)->accept();
        });
        const QPointer<DisplayWindow> watched = window;
        window->Action(command)->trigger();
        Settle();
        // What the window thread's event loop does after the command; the test runs none.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(watched.isNull()) << "the window was not deleted";
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        EXPECT_EQ(events.saves.size(), saves);
        EXPECT_TRUE(events.snapshots.empty());
        ASSERT_NO_FATAL_FAILURE(SetUp());
    }
}

} // namespace
} // namespace vidrune::test
