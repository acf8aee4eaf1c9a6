#pragma once
// "Options grille": the grid dialog. Its controls are the grid settings themselves; drawing
// reads them each time through Settings().
#include <QDialog>
#include <functional>

#include "UGrille.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

class TDlgGrille : public QDialog {
 public:
  explicit TDlgGrille(QWidget* parent = nullptr);

  QLineEdit *Editoriginex, *Editoriginey, *Editlargeur, *Edithauteur;
  QSpinBox *SpinEdit1, *SpinEdit2;
  QComboBox* CBBCouleur;
  QRadioButton *RBGrille, *RBInters;
  QCheckBox *chbMarq5, *chbMarq10;
  QPushButton *BitBtn1, *BitBtn2;

  // The sheet's orientation (0 portrait, 1 landscape), asked by the area checks and resets.
  std::function<int()> SheetOrientation = [] { return 0; };

  TGridSettings Settings() const;
  void SetSettings(const TGridSettings& g);

  // The grid operations over the controls, at the screen's resolution.
  platform::TRect GridRect() const;
  bool IsWithinGridX(int v) const;
  bool IsWithinGridY(int v) const;
  platform::TColor GridColor() const;
  bool GridLines() const;
  void DrawGrid(platform::Canvas& canvas, double s) const;
  void ResetGridArea();
  void ResetGrid();
  void WriteGridRecord(platform::Stream& s) const;
  void ReadGridRecord(platform::Stream& s);

  // Run when an area field loses the focus to another control of the dialog.
  void EditoriginexExit() { CheckField(TGridField::OriginX); }
  void EditorigineyExit() { CheckField(TGridField::OriginY); }
  void EditlargeurExit() { CheckField(TGridField::Width); }
  void EdithauteurExit() { CheckField(TGridField::Height); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CheckField(TGridField field);
};
