#pragma once
// "Options": the sheet options dialog. Its controls are refreshed from the options in force
// each time it is shown and after each record read; OK puts them in force. The options record
// is always taken from the controls, so after "Annuler" it records what was cancelled until
// the dialog is shown again.
#include <QDialog>
#include <functional>
#include <string>

#include "uOptions.h"

class QCheckBox;
class QGroupBox;
class QPushButton;
class QRadioButton;
class TDlgGrille;
class TDlgRepere;

class TDlgOptions : public QDialog {
 public:
  // The grid and frame dialogs hold the settings the record carries; both outlive this one.
  TDlgOptions(TDlgGrille& grille, TDlgRepere& repere, QWidget* parent = nullptr);

  QGroupBox *GBOrientation, *GBPoints;
  QRadioButton *RBPortrait, *RBPaysage;
  QCheckBox *ChBGDeposer, *ChBCpColler, *ChBTrCentre, *ChBGrille, *chbRepere;
  QPushButton *BoutOptionsGrilles, *BoutOptionsRepere;
  QRadioButton *RBPoint1, *RBPoint2, *RBPoint3;
  QPushButton *BoutEnreg, *BoutOk, *BitBtn1;

  // Installed by the sheet.
  TOptionsSheet Sheet;
  std::function<void()> RepaintWorkArea = [] {};
  std::string OptionsPath = SheetOptionsPath();

  // What the controls show; the point size is 3 unless "Petits" or "Moyens" is checked.
  TSheetOptions ControlValues() const;
  void SetControls(const TSheetOptions& o);

  // The options file, or the defaults without one. Never raises: the sheet starts with the
  // defaults for what a cut file lacks, silently, and after the error box for a file that
  // cannot be opened.
  void LoadSheetOptions();
  // The record from the controls and the grid and frame dialogs.
  void WriteOptionsRecord(platform::Stream& s) const;
  // A record of a block file, put in force as a whole; a short one raises StreamError and
  // changes nothing.
  void ReadOptionsRecord(platform::Stream& s);
  void ShowSheetOptions();
  // The controls in force, then a repaint of the work area.
  void ApplySheetOptions();

  void FormActivate() { ShowSheetOptions(); }
  void BoutOkClick();
  // Writes the options file at once from the controls; a failure shows the error box and
  // leaves the old file.
  void BoutEnregClick();
  void ChBGrilleClick();
  void chbRepereClick();
  void BoutOptionsGrillesClick();
  void BoutOptionsRepereClick();

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  TOptionsRecord RecordInForce() const;
  void PutInForce(const TOptionsRecord& r);

  TDlgGrille& Grille;
  TDlgRepere& Repere;
};
