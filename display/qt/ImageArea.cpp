#include "display/qt/ImageArea.h"

#include <QMetaObject>
#include <QMouseEvent>
#include <QPainter>

namespace vidrune {

ImageArea::ImageArea(QWidget* parent) : QWidget(parent) {
    // Every pixel is painted from the frame; nothing needs to be erased first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(1, 1);
}

void ImageArea::SetFrame(QImage frame) {
    {
        std::lock_guard lock(frameLock_);
        frame_ = std::move(frame);
    }
    if (!repaintPending_.exchange(true))
        QMetaObject::invokeMethod(
            this, [this] { update(); }, Qt::QueuedConnection);
}

QImage ImageArea::Frame() const {
    std::lock_guard lock(frameLock_);
    return frame_;
}

void ImageArea::paintEvent(QPaintEvent*) {
    repaintPending_ = false;
    const QImage frame = Frame();
    QPainter painter(this);
    if (frame.isNull()) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    // Rows and columns are repeated or dropped, never blended.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    if (frame.size() == size())
        painter.drawImage(QPoint(0, 0), frame);
    else
        painter.drawImage(rect(), frame);
}

void ImageArea::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        dragOffset_ = event->globalPosition().toPoint() - window()->frameGeometry().topLeft();
    QWidget::mousePressEvent(event);
}

void ImageArea::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton)
        window()->move(event->globalPosition().toPoint() - dragOffset_);
    QWidget::mouseMoveEvent(event);
}

void ImageArea::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        window()->showMinimized();
    QWidget::mouseDoubleClickEvent(event);
}

} // namespace vidrune
