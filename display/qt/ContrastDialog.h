#pragma once

#include <QDialog>
#include <cstdint>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QSlider;

namespace vidrune {

class DisplayWindowEvents;

// The modeless contrast dialog: gain and offset as sliders (value / 10) and number boxes,
// the invert switch and a restart of the automatic levels. Slider moves take effect at
// once; typed numbers when applied.
class ContrastDialog : public QDialog {
public:
    ContrastDialog(DisplayWindowEvents& events, QWidget* parent);

    // New gain and offset from the automatic levels (window thread).
    void ShowValues(int32_t gain, int32_t offset);

    QSlider* GainSlider() const { return gainSlider_; }
    QSlider* OffsetSlider() const { return offsetSlider_; }
    QLineEdit* GainBox() const { return gainBox_; }
    QLineEdit* OffsetBox() const { return offsetBox_; }
    QPushButton* ApplyButton() const { return applyButton_; }
    QCheckBox* InvertBox() const { return invertBox_; }
    QPushButton* AutomaticButton() const { return automaticButton_; }

private:
    void OnGainSlider(int position);
    void OnOffsetSlider(int position);
    void Apply();
    // Moves a slider without it reporting a user move (which would round the value).
    static void MoveSlider(QSlider* slider, int32_t value);
    void CentreOverParent();

    DisplayWindowEvents& events_;
    QSlider* gainSlider_ = nullptr;
    QSlider* offsetSlider_ = nullptr;
    QLineEdit* gainBox_ = nullptr;
    QLineEdit* offsetBox_ = nullptr;
    QPushButton* applyButton_ = nullptr;
    QCheckBox* invertBox_ = nullptr;
    QPushButton* automaticButton_ = nullptr;
};

} // namespace vidrune
