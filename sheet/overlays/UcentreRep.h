#pragma once
// The banner with which the pupil clicks the frame's origin onto the page. While it is shown
// it holds the mouse, so a press anywhere reaches it: outside the banner the press places the
// origin, inside it (or on "Fermer") the banner closes.
#include <QDialog>
#include <functional>

#include "platform/Types.h"

class QLabel;
class QPushButton;
class TDlgRepere;

class TDlgPlaceCentreRepere : public QDialog {
 public:
  explicit TDlgPlaceCentreRepere(TDlgRepere& frame, QWidget* parent = nullptr);

  QLabel* Label1;
  QPushButton* BoutFermer;

  // A screen point as a point of the first layer, and the page panel's repaint; the sheet
  // installs both.
  std::function<platform::TPoint(platform::TPoint screen)> ScreenToPage = [](platform::TPoint p) {
    return p;
  };
  std::function<void()> RepaintPage = [] {};

  // On activation: to 10 pixels from the top of the screen, holding the mouse.
  void FormActivate();
  // A press at a screen point.
  void FormMouseDown(platform::TPoint screen);
  // Any release takes the mouse back.
  void FormMouseUp();
  void BoutFermerClick();

 protected:
  void showEvent(QShowEvent* e) override;
  void changeEvent(QEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;

 private:
  void Finish();
  TDlgRepere& Frame;
};
