#include "display/qt/ContrastDialog.h"

#include "display/ContrastSettings.h"
#include "display/DisplayView.h"
#include "display/WindowGeometry.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>

namespace vidrune {

namespace {

QSlider* MakeSlider(int32_t maximum, QWidget* parent) {
    auto* slider = new QSlider(Qt::Horizontal, parent);
    slider->setRange(0, maximum);
    slider->setMinimumWidth(200);
    return slider;
}

} // namespace

ContrastDialog::ContrastDialog(DisplayWindowEvents& events, QWidget* parent)
    : QDialog(parent), events_(events) {
    setWindowTitle(tr("Contrast"));
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose);
    // A title and a close button only: there is nothing to maximize.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);

    const int32_t maximum = WindowGeometry::SliderMaximum(events_.BitsPerPixel());
    gainSlider_ = MakeSlider(maximum, this);
    offsetSlider_ = MakeSlider(maximum, this);
    gainBox_ = new QLineEdit(this);
    offsetBox_ = new QLineEdit(this);
    applyButton_ = new QPushButton(tr("&Apply"), this);
    invertBox_ = new QCheckBox(tr("&Invert"), this);
    automaticButton_ = new QPushButton(tr("A&utomatic"), this);

    auto* layout = new QGridLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(new QLabel(tr("Gain"), this), 0, 0);
    layout->addWidget(gainSlider_, 0, 1);
    layout->addWidget(gainBox_, 0, 2);
    layout->addWidget(new QLabel(tr("Offset"), this), 1, 0);
    layout->addWidget(offsetSlider_, 1, 1);
    layout->addWidget(offsetBox_, 1, 2);
    layout->addWidget(invertBox_, 2, 0, 1, 2);
    layout->addWidget(applyButton_, 2, 2);
    layout->addWidget(automaticButton_, 3, 2);

    const ContrastSettings& contrast = events_.Contrast();
    ShowValues(contrast.gain, contrast.offset);
    invertBox_->setChecked(contrast.invert != 0);

    connect(gainSlider_, &QSlider::valueChanged, this, [this](int p) { OnGainSlider(p); });
    connect(offsetSlider_, &QSlider::valueChanged, this, [this](int p) { OnOffsetSlider(p); });
    connect(applyButton_, &QPushButton::clicked, this, [this] { Apply(); });
    connect(invertBox_, &QCheckBox::toggled, this,
            [this](bool on) { events_.Contrast().invert = on ? 1 : 0; });
    connect(automaticButton_, &QPushButton::clicked, this,
            [this] { events_.OnRestartAutoLevels(); });
    CentreOverParent();
}

void ContrastDialog::ShowValues(int32_t gain, int32_t offset) {
    gainBox_->setText(QString::number(gain));
    offsetBox_->setText(QString::number(offset));
    MoveSlider(gainSlider_, gain);
    MoveSlider(offsetSlider_, offset);
}

void ContrastDialog::OnGainSlider(int position) {
    const int32_t gain = position * 10;
    events_.Contrast().gain = gain;
    gainBox_->setText(QString::number(gain));
}

void ContrastDialog::OnOffsetSlider(int position) {
    const int32_t offset = position * 10;
    events_.Contrast().offset = offset;
    offsetBox_->setText(QString::number(offset));
}

void ContrastDialog::Apply() {
    ContrastSettings& contrast = events_.Contrast();
    int32_t gain = contrast.gain;
    if (WindowGeometry::ParseDecimal(gainBox_->text().toStdString(), gain))
        contrast.gain = gain;
    MoveSlider(gainSlider_, gain);
    int32_t offset = contrast.offset;
    if (WindowGeometry::ParseDecimal(offsetBox_->text().toStdString(), offset))
        contrast.offset = offset;
    MoveSlider(offsetSlider_, offset);
}

void ContrastDialog::MoveSlider(QSlider* slider, int32_t value) {
    const QSignalBlocker blocker(slider);
    slider->setValue(value / 10);
}

void ContrastDialog::CentreOverParent() {
    adjustSize();
    if (parentWidget() == nullptr)
        return;
    const QRect display = parentWidget()->window()->frameGeometry();
    move(display.left() + (display.width() - width()) / 2,
         display.top() + (display.height() - height()) / 2);
}

} // namespace vidrune
