#pragma once
// "Options repere": the frame dialog. Its controls and fields are the frame settings
// themselves; the sheet's paint reads them each time through the operations below.
#include <QDialog>
#include <functional>

#include "URepere.h"
#include "platform/Bitmap.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;

class TDlgRepere : public QDialog {
 public:
  explicit TDlgRepere(QWidget* parent = nullptr);

  QCheckBox* chbLienRepGrille;
  QSpinBox *SpinEdit1, *SpinEdit2;
  QComboBox* CBBCouleur;
  QLabel* LabelGradVert;  // "Graduation verticale :", the preview sits below it
  QPushButton *BitBtn1, *BitBtn2;

  platform::TPoint Origin = FrameOriginUnset;
  uint8_t XDirection = 1;
  uint8_t YDirection = 1;
  platform::Bitmap Preview{FramePreviewSize, FramePreviewSize};
  platform::TPoint PreviewPos;  // the preview's top-left corner in the dialog

  // What the frame reads of the sheet; the sheet installs them.
  std::function<TGridSettings()> GridSettings = [] { return TGridSettings{}; };
  std::function<bool()> GridSwitch = [] { return GridShown; };
  // The "Grille" box of the sheet options.
  std::function<bool()> OptionsGridBox = [] { return false; };

  TFrameSettings Settings() const;
  void SetSettings(const TFrameSettings& f);

  // The frame operations over the controls, at the screen's resolution.
  void DrawFrame(platform::Canvas& canvas, const platform::TRect& rect, double s);
  platform::TRect FrameRectOnLayer(int width, int height) const;
  void SetOrigin(platform::TPoint p) { Origin = p; }
  void SnapOriginToGrid();
  platform::TColor FrameColor() const;
  void ResetFrame();
  void WriteFrameRecord(platform::Stream& s) const;
  void ReadFrameRecord(platform::Stream& s);

  // Run each time the dialog becomes active: the tie box follows the grid, the preview is
  // placed and drawn afresh.
  void FormActivate();
  // Clears the preview and draws the arrows again.
  void DrawPreview();
  // A press at (x, y) in the dialog: inside the preview it turns the arrows.
  void FormMouseDown(int x, int y);

 protected:
  void showEvent(QShowEvent* e) override;
  void changeEvent(QEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;

 private:
  TFrameEnv Env() const;
};
