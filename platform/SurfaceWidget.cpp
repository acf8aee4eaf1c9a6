#include "SurfaceWidget.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <optional>

#include "QtBridge.h"

namespace platform {

namespace {

std::optional<MouseButton> fromQtButton(Qt::MouseButton b) {
  switch (b) {
    case Qt::LeftButton:
      return MouseButton::Left;
    case Qt::RightButton:
      return MouseButton::Right;
    case Qt::MiddleButton:
      return MouseButton::Middle;
    default:
      return std::nullopt;
  }
}

// Buttons as held after the event: a press includes its button, a release no longer does.
ShiftState shiftOf(const QMouseEvent* e) {
  ShiftState s;
  const Qt::KeyboardModifiers m = e->modifiers();
  s.shift = m.testFlag(Qt::ShiftModifier);
  s.ctrl = m.testFlag(Qt::ControlModifier);
  s.alt = m.testFlag(Qt::AltModifier);
  const Qt::MouseButtons b = e->buttons();
  s.left = b.testFlag(Qt::LeftButton);
  s.right = b.testFlag(Qt::RightButton);
  s.middle = b.testFlag(Qt::MiddleButton);
  return s;
}

QPoint positionOf(const QMouseEvent* e) {
  return e->position().toPoint();
}

}  // namespace

SurfaceWidget::SurfaceWidget(TColor background, QWidget* parent)
    : QWidget(parent), surface_(width(), height(), background) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  surface_.onChanged = [this](const TRect& r) { update(toQRect(r)); };
  surface_.screenOrigin = [this] {
    const QPoint p = mapToGlobal(QPoint(0, 0));
    return TPoint{p.x(), p.y()};
  };
}

void SurfaceWidget::paintEvent(QPaintEvent* e) {
  surface_.render();
  QPainter painter(this);
  const QImage& image = qimage(surface_.image());
  const QRect exposed = e->rect();
  painter.drawImage(exposed.topLeft(), image, exposed);
  // Between a resize and the next resize event the widget may outgrow the image.
  const QRegion outside = QRegion(exposed) - QRegion(image.rect());
  for (const QRect& r : outside) painter.fillRect(r, toQColor(surface_.background()));
}

void SurfaceWidget::resizeEvent(QResizeEvent* e) {
  surface_.resize(e->size().width(), e->size().height());
  if (onResized) onResized();
}

void SurfaceWidget::mousePressEvent(QMouseEvent* e) {
  const auto b = fromQtButton(e->button());
  if (!b) return QWidget::mousePressEvent(e);
  const QPoint p = positionOf(e);
  surface_.mouseDown(p.x(), p.y(), *b, shiftOf(e));
}

void SurfaceWidget::mouseMoveEvent(QMouseEvent* e) {
  const QPoint p = positionOf(e);
  surface_.mouseMove(p.x(), p.y(), shiftOf(e));
}

void SurfaceWidget::mouseReleaseEvent(QMouseEvent* e) {
  const auto b = fromQtButton(e->button());
  if (!b) return QWidget::mouseReleaseEvent(e);
  const QPoint p = positionOf(e);
  surface_.mouseUp(p.x(), p.y(), *b, shiftOf(e));
}

}  // namespace platform
