#pragma once

#include <QImage>
#include <QPoint>
#include <QWidget>
#include <atomic>
#include <mutex>

namespace vidrune {

// The client area of the display window: shows the last presented 8-bit palette image,
// stretched nearest-neighbour when it is smaller than the area, 1:1 otherwise. The window
// is dragged by it, and a double-click minimizes the window.
class ImageArea : public QWidget {
public:
    explicit ImageArea(QWidget* parent = nullptr);

    // Any thread: takes the image and schedules one repaint (further frames arriving
    // before it ran replace the image without queueing more repaints).
    void SetFrame(QImage frame);
    QImage Frame() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    mutable std::mutex frameLock_;
    QImage frame_;
    std::atomic<bool> repaintPending_{false};
    QPoint dragOffset_; // mouse position relative to the window's top-left corner
};

} // namespace vidrune
