#pragma once
#include <QWidget>
#include <functional>

#include "Surface.h"

namespace platform {

// Thin Qt adapter that shows a Surface: renders it on paint, forwards mouse input, keeps its
// size and screen origin current. Ordinary child widgets (scroll bars) may lie above it.
class SurfaceWidget : public QWidget {
  Q_OBJECT
 public:
  explicit SurfaceWidget(TColor background, QWidget* parent = nullptr);
  Surface& surface() { return surface_; }
  const Surface& surface() const { return surface_; }

  std::function<void()> onResized;

 protected:
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;

 private:
  Surface surface_;
};

}  // namespace platform
