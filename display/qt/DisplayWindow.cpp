#include "display/qt/DisplayWindow.h"

#include "display/ContrastSettings.h"
#include "display/qt/ContrastDialog.h"
#include "display/qt/ImageArea.h"
#include "display/qt/ImagePrinter.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileDialog>
#include <QGridLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QPalette>
#include <QPrintDialog>
#include <QPrinter>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

namespace vidrune {

namespace {

constexpr uint32_t kCommandMask = 0xFFFF;
const char* const kIncludeOverlayName = "includeOverlay";

int32_t ZoomOf(int32_t command) {
    switch (command) {
    case DisplayWindow::kZoom25:
        return 25;
    case DisplayWindow::kZoom50:
        return 50;
    case DisplayWindow::kZoom75:
        return 75;
    case DisplayWindow::kZoom100:
        return 100;
    case DisplayWindow::kZoom150:
        return 150;
    case DisplayWindow::kZoom200:
        return 200;
    default:
        return 0;
    }
}

// What a retired window reaches instead of its display, which may be gone.
class NoDisplay : public DisplayWindowEvents {
public:
    void OnZoom(int32_t) override {}
    void OnRestartAutoLevels() override {}
    void OnResized(int32_t, int32_t, int32_t) override {}
    void OnMoved(int32_t, int32_t) override {}
    void OnTopChanged(bool) override {}
    void OnRenderEnabled(bool) override {}
    bool OnSave(const std::string&, bool) override { return false; }
    bool OnSnapshot(bool, std::vector<uint8_t>&, int32_t&, int32_t&) override { return false; }
    ContrastSettings& Contrast() override { return contrast_; }
    int32_t BitsPerPixel() const override { return 8; }

private:
    ContrastSettings contrast_;
};

} // namespace

DisplayWindow::DisplayWindow(DisplayWindowEvents& events, const std::string& titleText,
                             const ScreenMetrics& metrics, int32_t maxDisplayHeight)
    : events_(&events), titleText_(titleText), extra_(WindowGeometry::FrameExtraFor(metrics)),
      menuHeight_(metrics.menuHeight), maxDisplayHeight_(maxDisplayHeight) {
    setWindowTitle(QString::fromStdString(titleText_));
    // The image area keeps the client size the display asks for; where the window is
    // larger (maximized, or held at the menu's width) the rest stays black.
    auto* backdrop = new QWidget(this);
    backdrop->setAutoFillBackground(true);
    QPalette black = backdrop->palette();
    black.setColor(QPalette::Window, Qt::black);
    backdrop->setPalette(black);
    setCentralWidget(backdrop);
    area_ = new ImageArea(backdrop);
    BuildMenu();
    // The window sizes the display computes count the menu as exactly this high.
    menuBar()->setFixedHeight(menuHeight_);
    // Narrower, the menu bar folds its titles behind a chevron (at 25 % of a small image).
    setMinimumWidth(menuBar()->sizeHint().width());
    SetSaveAndPrintEnabled(false);
    // Without a contrast to set, the contrast commands are grayed (until an Open says more).
    SetContrastEnabled(events_->BitsPerPixel() > 8);
}

DisplayWindow::~DisplayWindow() {
    if (contrast_ != nullptr)
        delete contrast_.data();
}

void DisplayWindow::Retire() {
    static NoDisplay noDisplay;
    events_ = &noDisplay;
    if (runningDialogs_ == 0) {
        delete this;
        return;
    }
    // A dialog's exec is on this thread's stack, and inside it Qt may run message boxes
    // of its own as stack objects with the dialog as parent: deleting the window now
    // would delete those. RunDialog finishes the retirement once the dialogs returned.
    retired_ = true;
    hide();
    delete contrast_.data();
    for (QDialog* dialog : findChildren<QDialog*>())
        dialog->reject();
}

bool DisplayWindow::RunDialog(QDialog& dialog, bool& accepted) {
    ++runningDialogs_;
    accepted = dialog.exec() == QDialog::Accepted;
    --runningDialogs_;
    if (retired_) {
        // The command that ran the dialog returns before the event loop gets to this.
        if (runningDialogs_ == 0)
            deleteLater();
        return false;
    }
    return true;
}

void DisplayWindow::BuildMenu() {
    QMenu* image = menuBar()->addMenu(tr("&Image"));
    AddCommand(image, kSave, tr("&Save..."), QKeySequence::Save);
    AddCommand(image, kPrint, tr("&Print..."), QKeySequence::Print);
    image->addSeparator();
    AddCommand(image, kRestartAutoLevels, tr("&Restart automatic levels"),
               QKeySequence(Qt::CTRL | Qt::Key_R));
    AddCommand(image, kContrast, tr("&Contrast..."), QKeySequence(Qt::CTRL | Qt::Key_K));

    QMenu* zoom = menuBar()->addMenu(tr("&Zoom"));
    AddCommand(zoom, kZoom25, tr("&25 %"), QKeySequence(Qt::CTRL | Qt::Key_1));
    AddCommand(zoom, kZoom50, tr("&50 %"), QKeySequence(Qt::CTRL | Qt::Key_2));
    AddCommand(zoom, kZoom75, tr("&75 %"), QKeySequence(Qt::CTRL | Qt::Key_3));
    AddCommand(zoom, kZoom100, tr("&100 %"), QKeySequence(Qt::CTRL | Qt::Key_0));
    AddCommand(zoom, kZoom150, tr("15&0 %"), QKeySequence(Qt::CTRL | Qt::Key_4));
    AddCommand(zoom, kZoom200, tr("200 &%"), QKeySequence(Qt::CTRL | Qt::Key_5));

    QMenu* window = menuBar()->addMenu(tr("&Window"));
    QAction* onTop = AddCommand(window, kOnTop, tr("On &top"), QKeySequence(Qt::CTRL | Qt::Key_T));
    onTop->setCheckable(true);
    onTop->setChecked(onTop_);
    AddCommand(window, kMinimize, tr("&Minimize"), QKeySequence(Qt::CTRL | Qt::Key_M));
    AddCommand(window, kHide, tr("&Hide"), QKeySequence(Qt::CTRL | Qt::Key_H));
}

QAction* DisplayWindow::AddCommand(QMenu* menu, int32_t id, const QString& text,
                                   const QKeySequence& key) {
    QAction* action = menu->addAction(text);
    action->setData(id);
    action->setShortcut(key);
    // Shortcuts work while the window is active, menu open or not.
    action->setShortcutContext(Qt::WindowShortcut);
    addAction(action);
    connect(action, &QAction::triggered, this, [this, id] { ExecuteCommand(id); });
    actions_[id] = action;
    return action;
}

QAction* DisplayWindow::Action(int32_t id) const {
    const auto found = actions_.find(id);
    return found == actions_.end() ? nullptr : found->second;
}

void DisplayWindow::ExecuteCommand(uint32_t command) {
    const auto id = static_cast<int32_t>(command & kCommandMask);
    const QAction* action = Action(id);
    if (action != nullptr && !action->isEnabled())
        return;
    if (const int32_t zoom = ZoomOf(id); zoom != 0) {
        events_->OnZoom(zoom);
        return;
    }
    switch (id) {
    case kSave:
        SaveCommand();
        break;
    case kPrint:
        PrintCommand();
        break;
    case kMinimize:
    case kHide:
        showMinimized();
        break;
    case kOnTop:
        ToggleOnTop();
        break;
    case kRestartAutoLevels:
        events_->OnRestartAutoLevels();
        break;
    case kContrast:
        OpenContrast();
        break;
    default:
        break;
    }
}

void DisplayWindow::Place(const ViewPlacement& placement) {
    SetOnTop(placement.onTop);
    sizes_.windowWidth = std::max(placement.windowWidth, extra_.width + 1);
    sizes_.windowHeight = std::max(placement.windowHeight, extra_.height + 1);
    sizes_.clientWidth = sizes_.windowWidth - extra_.width;
    sizes_.clientHeight = sizes_.windowHeight - extra_.height;
    move(placement.left, placement.top);
    area_->resize(sizes_.clientWidth, sizes_.clientHeight);
    resize(ContentWidth(sizes_.clientWidth), sizes_.clientHeight + menuHeight_);
    switch (placement.windowState) {
    case 1:
        showMinimized();
        break;
    case 2:
        showMaximized();
        break;
    default:
        showNormal();
        break;
    }
    UpdateCache();
}

void DisplayWindow::ResizeWindow(int32_t windowWidth, int32_t windowHeight) {
    const float aspect = Aspect();
    if (aspect <= 0.0f || windowWidth <= 0 || windowHeight <= 0) {
        ApplySizes(WindowSizes{windowWidth - extra_.width, windowHeight - extra_.height,
                               windowWidth, windowHeight});
        return;
    }
    ApplySizes(WindowGeometry::LockAspect(sizes_, windowWidth, windowHeight, false, aspect, extra_,
                                          maxDisplayHeight_));
}

void DisplayWindow::SetTitleLine(const std::string& line) {
    titleLine_ = line;
    if (!isMinimized())
        setWindowTitle(QString::fromStdString(line));
}

void DisplayWindow::SetSaveAndPrintEnabled(bool enabled) {
    actions_[kSave]->setEnabled(enabled);
    actions_[kPrint]->setEnabled(enabled);
}

void DisplayWindow::SetContrastEnabled(bool enabled) {
    contrastEnabled_ = enabled;
    actions_[kRestartAutoLevels]->setEnabled(enabled);
    // While the dialog is open its command stays grayed.
    actions_[kContrast]->setEnabled(enabled && contrast_ == nullptr);
    if (!enabled && contrast_ != nullptr)
        contrast_->close();
}

void DisplayWindow::ShowContrast(int32_t gain, int32_t offset) {
    if (contrast_ != nullptr)
        contrast_->ShowValues(gain, offset);
}

QPrinter& DisplayWindow::Printer() {
    if (printer_ == nullptr)
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *printer_;
}

bool DisplayWindow::SaveTo(const std::string& path, bool includeOverlay) {
    return events_->OnSave(path, includeOverlay);
}

bool DisplayWindow::PrintTo(QPrinter& printer, bool includeOverlay) {
    std::vector<uint8_t> pixels;
    int32_t width = 0;
    int32_t height = 0;
    if (!events_->OnSnapshot(includeOverlay, pixels, width, height))
        return false;
    return ImagePrinter::Print(printer, pixels, width, height, palette_,
                               windowTitle().toStdString());
}

void DisplayWindow::SaveCommand() {
    QFileDialog dialog(this);
    // Qt's own dialog: the check box can join its layout, and it works on every platform.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(tr("Tiff File (*.tif *.TIF)"));
    dialog.selectFile(lastFileName_);
    auto* overlay = new QCheckBox(tr("Include &overlay"), &dialog);
    overlay->setObjectName(kIncludeOverlayName);
    overlay->setChecked(includeOverlay_);
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
        grid->addWidget(overlay, grid->rowCount(), 0, 1, grid->columnCount());
    else if (dialog.layout() != nullptr)
        dialog.layout()->addWidget(overlay);
    bool accepted = false;
    if (!RunDialog(dialog, accepted) || !accepted || dialog.selectedFiles().isEmpty())
        return;
    includeOverlay_ = overlay->isChecked();
    lastFileName_ = dialog.selectedFiles().front();
    if (SaveTo(lastFileName_.toStdString(), includeOverlay_))
        return;
    QMessageBox warning(QMessageBox::Warning, tr("Save"),
                        tr("The image was not saved to %1: the file cannot be written, "
                           "or the window has shown no frame since the camera was opened.")
                            .arg(lastFileName_),
                        QMessageBox::Ok, this);
    RunDialog(warning, accepted);
}

void DisplayWindow::PrintCommand() {
    QPrintDialog dialog(&Printer(), this);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    auto* options = new QWidget(&dialog);
    options->setWindowTitle(tr("Overlay"));
    auto* overlay = new QCheckBox(tr("Include &overlay"), options);
    overlay->setObjectName(kIncludeOverlayName);
    overlay->setChecked(includeOverlay_);
    auto* layout = new QVBoxLayout(options);
    layout->addWidget(overlay);
    layout->addStretch();
    dialog.setOptionTabs({options});
    bool accepted = false;
    if (!RunDialog(dialog, accepted) || !accepted)
        return;
    includeOverlay_ = overlay->isChecked();
    PrintTo(Printer(), includeOverlay_);
    activateWindow();
}

void DisplayWindow::OpenContrast() {
    if (contrast_ != nullptr)
        return;
    contrast_ = new ContrastDialog(*events_, this);
    actions_[kContrast]->setEnabled(false);
    connect(contrast_.data(), &QObject::destroyed, this,
            [this] { actions_[kContrast]->setEnabled(contrastEnabled_); });
    contrast_->show();
}

void DisplayWindow::ToggleOnTop() {
    SetOnTop(!onTop_);
    // Changing the flag hides the window; bring it back as it was.
    if (isMinimized())
        showMinimized();
    else
        show();
    events_->OnTopChanged(onTop_);
}

void DisplayWindow::SetOnTop(bool onTop) {
    onTop_ = onTop;
    actions_[kOnTop]->setChecked(onTop);
    if (windowFlags().testFlag(Qt::WindowStaysOnTopHint) != onTop)
        setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
}

float DisplayWindow::Aspect() const {
    const float aspect = events_->Aspect();
    if (aspect > 0.0f)
        return aspect;
    if (sizes_.clientWidth > 0 && sizes_.clientHeight > 0)
        return static_cast<float>(sizes_.clientWidth) / static_cast<float>(sizes_.clientHeight);
    return 0.0f;
}

int32_t DisplayWindow::ContentWidth(int32_t clientWidth) const {
    return std::max(clientWidth, minimumWidth());
}

void DisplayWindow::ApplySizes(const WindowSizes& sizes) {
    if (sizes.clientWidth <= 0 || sizes.clientHeight <= 0)
        return;
    SetClient(sizes);
    if (!isMaximized()) {
        resize(ContentWidth(sizes.clientWidth), sizes.clientHeight + menuHeight_);
        return;
    }
    // A maximized window keeps the size the window manager gave it: the image shows in its
    // corner at the size asked for, and no resize event tells of the new client size.
    UpdateCache();
    ScheduleReport();
}

void DisplayWindow::SetClient(const WindowSizes& sizes) {
    sizes_ = sizes;
    area_->resize(sizes.clientWidth, sizes.clientHeight);
}

void DisplayWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    const int32_t width = this->width();
    const int32_t height = this->height() - menuHeight_;
    const WindowSizes available{width, height, width + extra_.width, height + extra_.height};
    if (isMaximized()) {
        // The window manager sized the window: the display hears of the whole client area
        // and answers with the zoom that fits, in proportion.
        SetClient(available);
    } else if (!isMinimized() && !isFullScreen()) {
        // The size asked for last is taken as it comes, so that a window manager insisting
        // on another size cannot make the window bounce.
        const bool requested =
            width == ContentWidth(sizes_.clientWidth) && height == sizes_.clientHeight;
        const float aspect = Aspect();
        const bool locked =
            aspect <= 0.0f ||
            (width % 4 == 0 && height == WindowGeometry::HeightForWidth(width, aspect));
        if (!requested && !locked) {
            if (!lockPending_) {
                lockPending_ = true;
                QTimer::singleShot(0, this, [this] { LockAfterResize(); });
            }
            return;
        }
        if (!requested)
            SetClient(available);
    }
    UpdateCache();
    ScheduleReport();
}

void DisplayWindow::LockAfterResize() {
    lockPending_ = false;
    const float aspect = Aspect();
    if (aspect <= 0.0f || isMinimized() || isMaximized())
        return;
    // Measured from the window as it was, at least as wide as its menu.
    WindowSizes shown = sizes_;
    shown.windowWidth = ContentWidth(sizes_.clientWidth) + extra_.width;
    ApplySizes(WindowGeometry::LockAspect(shown, this->width() + extra_.width,
                                          this->height() - menuHeight_ + extra_.height, false,
                                          aspect, extra_, maxDisplayHeight_));
    UpdateCache();
    ScheduleReport();
}

void DisplayWindow::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    UpdateCache();
    events_->OnMoved(left_, top_);
}

void DisplayWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange)
        return;
    const std::string& caption = isMinimized() || titleLine_.empty() ? titleText_ : titleLine_;
    setWindowTitle(QString::fromStdString(caption));
    UpdateCache();
    ScheduleReport();
}

void DisplayWindow::closeEvent(QCloseEvent* event) {
    // The user never closes the live display; it only goes out of the way.
    event->ignore();
    showMinimized();
}

void DisplayWindow::ScheduleReport() {
    if (reportPending_)
        return;
    reportPending_ = true;
    QTimer::singleShot(0, this, [this] { Report(); });
}

void DisplayWindow::Report() {
    reportPending_ = false;
    UpdateCache();
    const int32_t width = clientWidth_;
    const int32_t height = clientHeight_;
    const int32_t state = state_;
    if (width == reportedWidth_ && height == reportedHeight_ && state == reportedState_)
        return;
    reportedWidth_ = width;
    reportedHeight_ = height;
    reportedState_ = state;
    events_->OnResized(width, height, state);
}

void DisplayWindow::UpdateCache() {
    clientWidth_ = area_->width();
    clientHeight_ = area_->height();
    const QPoint corner = frameGeometry().topLeft();
    left_ = corner.x();
    top_ = corner.y();
    state_ = CurrentState();
}

int32_t DisplayWindow::CurrentState() const {
    if (isMinimized())
        return 1;
    if (isMaximized())
        return 2;
    return 0;
}

} // namespace vidrune
