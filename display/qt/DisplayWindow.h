#pragma once

#include "display/DisplayView.h"
#include "display/Palette.h"
#include "display/WindowGeometry.h"
#include "display/qt/ContrastDialog.h"

#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

class QAction;
class QPrinter;

namespace vidrune {

class ImageArea;

// The live display window: the image area under a menu of zoom steps, save, print,
// minimize, on top, automatic levels and contrast. It keeps the client area in the
// image's proportions with widths in multiples of 4, minimizes instead of closing, and
// tells the display about every command, resize and move. Lives on the window thread;
// the getters marked as such may be called from any thread.
class DisplayWindow : public QMainWindow {
public:
    enum Command : int32_t {
        kZoom25 = 40001,
        kZoom50 = 40002,
        kSave = 40003,
        kPrint = 40004,
        kZoom75 = 40005,
        kMinimize = 40006,
        kNothing = 40007,
        kOnTop = 40008,
        kHide = 40009,
        kZoom100 = 40010,
        kZoom150 = 40011,
        kZoom200 = 40012,
        kRestartAutoLevels = 40013,
        kNothingElse = 40014,
        kContrast = 40015,
    };

    DisplayWindow(DisplayWindowEvents& events, const std::string& titleText,
                  const ScreenMetrics& metrics, int32_t maxDisplayHeight);
    ~DisplayWindow() override;

    // Takes the window down for its view: at once, or, while one of its dialogs runs (with
    // any message box Qt opens inside it), once those have returned, never under them. From
    // here on the window reaches no display, and its dialogs are rejected.
    void Retire();

    void Place(const ViewPlacement& placement);
    // New outer size, with the proportions locked to the image.
    void ResizeWindow(int32_t windowWidth, int32_t windowHeight);
    void SetTitleLine(const std::string& line);
    void SetSaveAndPrintEnabled(bool enabled);
    // Grays or enables the contrast commands; graying also closes the contrast dialog.
    void SetContrastEnabled(bool enabled);
    void ShowContrast(int32_t gain, int32_t offset);

    // A menu command by id (the low 16 bits select it); grayed and unknown ids do nothing.
    void ExecuteCommand(uint32_t command);
    QAction* Action(int32_t id) const;
    ImageArea* Area() const { return area_; }
    ContrastDialog* Contrast() const { return contrast_; }

    // Save and Print without their dialogs: what the commands do once the user confirmed.
    bool SaveTo(const std::string& path, bool includeOverlay);
    bool PrintTo(QPrinter& printer, bool includeOverlay);
    // Made at the first print, then kept for the life of the window so that the last
    // choices are offered again. Not before: a printer loads Qt's print-support plug-in.
    QPrinter& Printer();
    const QString& LastFileName() const { return lastFileName_; }

    // Any thread.
    int32_t ClientWidth() const { return clientWidth_; }
    int32_t ClientHeight() const { return clientHeight_; }
    int32_t Left() const { return left_; }
    int32_t Top() const { return top_; }
    int32_t State() const { return state_; }
    bool IsOnTop() const { return onTop_; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenu();
    QAction* AddCommand(QMenu* menu, int32_t id, const QString& text, const QKeySequence& key);
    void SaveCommand();
    void PrintCommand();
    // Runs one of the window's dialogs modally. False when the window retired meanwhile:
    // the caller then returns at once, and the window goes after it.
    bool RunDialog(QDialog& dialog, bool& accepted);
    void OpenContrast();
    void ToggleOnTop();
    void SetOnTop(bool onTop);

    // Proportions to keep: the image's, else the current client area's.
    float Aspect() const;
    // Client size, and the window around it unless the window is maximized.
    void ApplySizes(const WindowSizes& sizes);
    void SetClient(const WindowSizes& sizes);
    // The window's inner width for a client width: never narrower than the menu's titles.
    int32_t ContentWidth(int32_t clientWidth) const;
    void LockAfterResize();
    void ScheduleReport();
    void Report();
    void UpdateCache();
    int32_t CurrentState() const;

    DisplayWindowEvents* events_;
    int32_t runningDialogs_ = 0;
    bool retired_ = false;
    ImageArea* area_ = nullptr;
    QPointer<ContrastDialog> contrast_;
    std::map<int32_t, QAction*> actions_;
    std::string titleText_;
    std::string titleLine_;
    Palette palette_;
    FrameExtra extra_;
    int32_t menuHeight_ = 0;
    int32_t maxDisplayHeight_ = 0;
    WindowSizes sizes_;
    bool lockPending_ = false;
    bool reportPending_ = false;
    int32_t reportedWidth_ = -1;
    int32_t reportedHeight_ = -1;
    int32_t reportedState_ = -1;

    std::unique_ptr<QPrinter> printer_;
    QString lastFileName_ = QStringLiteral("*.tif");
    bool includeOverlay_ = false;
    bool contrastEnabled_ = true;

    std::atomic<int32_t> clientWidth_{0};
    std::atomic<int32_t> clientHeight_{0};
    std::atomic<int32_t> left_{0};
    std::atomic<int32_t> top_{0};
    std::atomic<int32_t> state_{1};
    std::atomic<bool> onTop_{true};
};

} // namespace vidrune
