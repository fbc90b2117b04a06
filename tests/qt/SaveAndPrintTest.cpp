#include "display/PrintLayout.h"
#include "display/WindowGeometry.h"
#include "display/qt/DisplayWindow.h"
#include "display/qt/ImagePrinter.h"
#include "display/qt/QtView.h"
#include "qt/FakeWindowEvents.h"
#include "qt/QtTestApp.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QImage>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

namespace vidrune::test {
namespace {

constexpr int32_t kWidth = 64;
constexpr int32_t kHeight = 48;
constexpr int kRenderDpi = 50;

// PDF writers may store images lossily; a colour counts as matched within a small distance.
bool Near(const QColor& a, const QColor& b) {
    return std::abs(a.red() - b.red()) <= 6 && std::abs(a.green() - b.green()) <= 6 &&
           std::abs(a.blue() - b.blue()) <= 6;
}

class SaveAndPrintTest : public ::testing::Test {
protected:
    void SetUp() override {
        TestApp();
        // Left half saturated red, right half dark; the overlay fills the lower right quarter.
        events.imageWidth = kWidth;
        events.imageHeight = kHeight;
        events.image.resize(kWidth * kHeight);
        events.overlay.assign(kWidth * kHeight, 0);
        for (int32_t y = 0; y < kHeight; ++y)
            for (int32_t x = 0; x < kWidth; ++x) {
                events.image[y * kWidth + x] = x < kWidth / 2 ? 240 : 40;
                if (x >= kWidth / 2 && y >= kHeight / 2)
                    events.overlay[y * kWidth + x] = 255;
            }
        view = std::make_unique<QtView>();
        const FrameExtra extra = WindowGeometry::FrameExtraFor(view->Metrics());
        ViewPlacement placement{10, 10, 320 + extra.width, 240 + extra.height, 0, false};
        ASSERT_TRUE(view->Create(events, placement, "Cam", 2000));
        window = view->Window();
        view->SetSaveAndPrintEnabled(true);
    }
    void TearDown() override {
        view.reset();
        Settle();
    }

    static bool FileHasTiffHeader(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        char header[4] = {};
        in.read(header, 4);
        return in && header[0] == 'I' && header[1] == 'I' && header[2] == 42 && header[3] == 0;
    }

    // Types the file name as a user does. The dialog reads its folder in the background and
    // then selects the offered file, whose selection would win over the typed name; a user
    // typing into the focused box clears it, which offscreen windows cannot be relied on for.
    static void TypeFileName(QFileDialog* dialog, const std::string& path) {
        const QString name = QString::fromStdString(path);
        QElapsedTimer settle;
        settle.start();
        while (settle.elapsed() < 300)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        for (QAbstractItemView* view : dialog->findChildren<QAbstractItemView*>())
            if (view->selectionModel() != nullptr)
                view->selectionModel()->clearSelection();
        dialog->findChild<QLineEdit*>("fileNameEdit")->setText(name);
        EXPECT_EQ(dialog->selectedFiles().value(0), name);
    }

    // The first page of a PDF as pixels, or a null image without pdftoppm.
    QImage RenderPage(const std::string& pdf) {
        if (std::system("command -v pdftoppm >/dev/null 2>&1") != 0)
            return {};
        const std::string prefix = dir.File("page");
        const std::string command = "pdftoppm -r " + std::to_string(kRenderDpi) +
                                    " -png -singlefile '" + pdf + "' '" + prefix + "'";
        if (std::system(command.c_str()) != 0)
            return {};
        return QImage(QString::fromStdString(prefix + ".png"));
    }

    FakeWindowEvents events;
    std::unique_ptr<QtView> view;
    DisplayWindow* window = nullptr;
    TempDir dir;
};

TEST_F(SaveAndPrintTest, ASaveThatFailsSaysSo) {
    events.imageWidth = 0; // the display has nothing it can write
    const std::string path = dir.File("nothing.tif");
    QString message;
    WhenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        TypeFileName(dialog, path);
        // The message comes up once the dialog has closed.
        WhenModal([&](QWidget* next) {
            auto* box = qobject_cast<QMessageBox*>(next);
            ASSERT_NE(box, nullptr);
            message = box->text();
            box->accept();
        });
        static_cast<QDialog*>(dialog)->accept();
    });
    window->ExecuteCommand(40003);
    ASSERT_EQ(events.saves.size(), 1u);
    EXPECT_TRUE(message.contains(QString::fromStdString(path))) << message.toStdString();
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(SaveAndPrintTest, SaveDialogOffersTheLastNameAndPassesTheOverlayChoice) {
    const std::string first = dir.File("first.tif");
    QString offered;
    WhenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        offered = dialog->findChild<QLineEdit*>("fileNameEdit")->text();
        dialog->findChild<QCheckBox*>("includeOverlay")->setChecked(true);
        TypeFileName(dialog, first);
        static_cast<QDialog*>(dialog)->accept();
    });
    window->ExecuteCommand(40003);
    EXPECT_EQ(offered, "*.tif");
    ASSERT_EQ(events.saves.size(), 1u);
    EXPECT_EQ(events.saves[0], std::make_pair(first, true));
    EXPECT_TRUE(FileHasTiffHeader(first));

    const std::string second = dir.File("second.tif");
    bool overlayOffered = false;
    WhenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        ASSERT_FALSE(dialog->selectedFiles().isEmpty());
        offered = dialog->selectedFiles().front();
        auto* overlay = dialog->findChild<QCheckBox*>("includeOverlay");
        overlayOffered = overlay->isChecked();
        overlay->setChecked(false);
        TypeFileName(dialog, second);
        static_cast<QDialog*>(dialog)->accept();
    });
    window->ExecuteCommand(40003);
    EXPECT_EQ(offered.toStdString(), first);
    EXPECT_TRUE(overlayOffered);
    ASSERT_EQ(events.saves.size(), 2u);
    EXPECT_EQ(events.saves[1], std::make_pair(second, false));
    EXPECT_TRUE(FileHasTiffHeader(second));

    // Cancelling saves nothing.
    WhenModal([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
    window->ExecuteCommand(40003);
    EXPECT_EQ(events.saves.size(), 2u);
}

TEST_F(SaveAndPrintTest, PrintedPageHoldsTheImageWherePrintLayoutPlacesIt) {
    const std::string pdf = dir.File("page.pdf");
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(pdf));
    ASSERT_TRUE(window->PrintTo(printer, true));
    EXPECT_EQ(events.snapshots, std::vector<bool>{true});
    ASSERT_TRUE(std::filesystem::exists(pdf));

    const QImage page = RenderPage(pdf);
    if (page.isNull())
        GTEST_SKIP() << "pdftoppm is not installed";
    const PrintPlacement placement =
        PrintLayout::Place(ImagePrinter::MetricsOf(printer), kWidth, kHeight);
    const QRect paint = printer.pageLayout().paintRectPixels(printer.resolution());
    const double scale = static_cast<double>(kRenderDpi) / printer.resolution();
    // Where a point of the image (in image pixels) lands on the rendered page.
    auto at = [&](double x, double y) {
        const double px =
            paint.left() + placement.image.left + x / kWidth * placement.image.Width();
        const double py =
            paint.top() + placement.image.top + y / kHeight * placement.image.Height();
        return page.pixelColor(static_cast<int>(px * scale), static_cast<int>(py * scale));
    };
    EXPECT_PRED2(Near, at(8, 8), QColor(240, 0, 0));
    EXPECT_PRED2(Near, at(8, 40), QColor(240, 0, 0));
    EXPECT_PRED2(Near, at(56, 8), QColor(40, 40, 40));
    EXPECT_PRED2(Near, at(56, 40), QColor(255, 255, 255)); // overlay included
    // Just outside the image the paper stays blank; the image is centred across the page.
    EXPECT_PRED2(Near, at(8, -3), QColor(255, 255, 255));
    EXPECT_PRED2(Near, at(-3, 8), QColor(255, 255, 255));
    EXPECT_FALSE(Near(at(1, 24), QColor(255, 255, 255)));
    EXPECT_FALSE(Near(at(kWidth - 1, 2), QColor(255, 255, 255)));
    EXPECT_PRED2(Near, at(kWidth + 3, 8), QColor(255, 255, 255));
}

TEST_F(SaveAndPrintTest, PrintDialogPrintsToPdfWithTheOverlayChoice) {
    const std::string pdf = dir.File("dialog.pdf");
    window->Printer().setOutputFormat(QPrinter::PdfFormat);
    window->Printer().setOutputFileName(QString::fromStdString(pdf));
    WhenModal([](QWidget* modal) {
        auto* dialog = qobject_cast<QPrintDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        auto* overlay = dialog->findChild<QCheckBox*>("includeOverlay");
        ASSERT_NE(overlay, nullptr);
        overlay->setChecked(false);
        static_cast<QDialog*>(dialog)->accept();
    });
    window->ExecuteCommand(40004);
    EXPECT_EQ(events.snapshots, std::vector<bool>{false});
    ASSERT_TRUE(std::filesystem::exists(pdf));
    const QImage page = RenderPage(pdf);
    if (page.isNull())
        GTEST_SKIP() << "pdftoppm is not installed";
    // Without the overlay no white shows inside the image: only red, dark and paper.
    int red = 0;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            red += Near(page.pixelColor(x, y), QColor(240, 0, 0)) ? 1 : 0;
    EXPECT_GT(red, 100);
}

} // namespace
} // namespace vidrune::test
