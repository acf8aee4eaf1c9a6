#pragma once
// "Options": the ruler's settings dialog. Its controls are the settings themselves: the ruler
// reads them through Options() and ButtonShown(), ShowOptions writes the ruler's state back
// into them before showing the dialog, and "Regles.opt" beside the program stores them.
#include <QDialog>
#include <QLabel>
#include <QLocale>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/Colour.h"
#include "ruler/uRegle.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace platform {
class Stream;
}

// The about box opened from the options.
class TDlgApropos : public QDialog {
 public:
  explicit TDlgApropos(QWidget* parent = nullptr);
};

// A filled rectangle whose brush is the setting (body and back colours of the ruler). A clear
// brush keeps its colour, so the colour survives a round trip through "Règle transparente".
class TRectCouleur : public QWidget {
 public:
  explicit TRectCouleur(QWidget* parent = nullptr);
  platform::TColor BrushColor() const { return color_; }
  bool BrushClear() const { return clear_; }
  void SetBrush(platform::TColor c, bool clear);
  std::function<void()> OnMouseDown;

 protected:
  void paintEvent(QPaintEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;

 private:
  platform::TColor color_ = 0;
  bool clear_ = false;
};

// A caption whose font colour is the setting (graduation colours).
class TLabelCouleur : public QLabel {
 public:
  TLabelCouleur(const QString& text, QWidget* parent = nullptr);
  platform::TColor FontColor() const { return color_; }
  void SetFontColor(platform::TColor c);
  std::function<void()> OnClick;

 protected:
  void mouseReleaseEvent(QMouseEvent* e) override;

 private:
  platform::TColor color_ = platform::clRed;
};

class TDlgOptions : public QDialog {
 public:
  static constexpr const char* kFileName = "Regles.opt";
  static constexpr uint16_t kFileVersion = 5;
  static constexpr platform::TColor kBodyColor = TRegle::kDefaultBodyColor;
  static constexpr platform::TColor kBackColor = TRegle::kDefaultBackColor;

  // Loads the defaults, then the options file. An empty path means "Regles.opt" in the
  // program's folder; 0 pixels per inch means the screen's.
  explicit TDlgOptions(QWidget* parent = nullptr, std::string optionsPath = {},
                       int pixelsPerInch = 0);

  QRadioButton *RBRegle, *RBReglet;
  QLabel *Image1, *Image2;  // pictures of the "Règle" and of the "Réglet"
  QCheckBox *chbT1, *chbT2, *chbT3, *chbT4, *chbT5, *chbT6, *chbT7, *chbT8, *chbSym;
  QLineEdit *EditLongueur, *EditLargeur;
  QDoubleSpinBox* EditPPC;
  QComboBox* CBBPourcent;
  QLabel *PanelRegle, *Label5;
  QCheckBox *ChBCm, *ChBDemiCm, *ChBmm;
  TLabelCouleur *LabelCouleurCm, *LabelCouleurDemiCm, *LabelCouleurmm;
  QCheckBox* ChBRegleTransp;
  TRectCouleur *RectCouleurRegle, *RectCouleurDos;
  QLineEdit *EditPasRot, *EditPasTransl;
  QCheckBox* chbBalay;
  QLineEdit *EditBalay, *EditDecl, *EditRep;
  QPushButton *BitBtn1, *BitBtn2, *BoutValDef, *boutSauve, *Button1;
  TDlgApropos* DlgApropos;

  const std::string& OptionsPath() const { return path_; }
  int PixelsPerInch() const { return ppi_; }

  // Every control to its default ("Valeurs par défaut").
  void LoadDefaults();
  // Reads the options file. A missing, short or damaged file keeps what the controls held for
  // the fields it lacks; nothing is reported and nothing is thrown. Either way the percentage
  // and the 5 cm bar are then made to match the scale.
  void ReadOptionsFile();
  void ReadOptionsFile(platform::Stream& s);
  // Writes the file, version 5, whole or not at all; a failure is reported in the error box.
  void WriteOptionsFile();
  void WriteOptionsFile(platform::Stream& s) const;

  // Writes the ruler's state into the controls and shows the dialog modally; true for OK.
  bool ShowOptions(const TRegle& regle);
  void FillFromRuler(const TRegle& regle);

  // The settings as the ruler takes them.
  TRegleOptions Options() const;
  // Whether the box of button i is checked; true for 4, 5 and numbers without a box.
  bool ButtonShown(int i) const;
  // The box of ruler button i, nullptr for 4, 5 and numbers out of 1..11.
  QCheckBox* BoxOfButton(int i) const;

  // Control handlers.
  void EditLongueurExit();
  void EditLargeurExit();
  void EditPPCChange();
  void CBBPourcentChange();
  void RBRegleClick();
  void RBRegletClick();
  void ChBRegleTranspClick();
  void RectCouleurRegleMouseDown();
  void RectCouleurDosMouseDown();
  void LabelCouleurCmClick(TLabelCouleur* label);
  void BoutValDefClick() { LoadDefaults(); }
  void boutSauveClick() { WriteOptionsFile(); }
  void Button1Click();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The box without its click handler: a state read or shown keeps the body colour.
  void SetTransparentBox(bool checked);
  void ShowPicture();
  void PlaceBoxes(bool reglet);

  std::string path_;
  int ppi_;
  QWidget* picture_;
  QString shownPercent_;  // the percentage EditPPCChange last wrote
  // Centres of the pictured buttons, for the "Règle" [0] and the "Réglet" [1].
  std::array<std::array<int, 12>, 2> buttonX_{};
};

// Number texts as the dialog shows and reads them: the locale's decimal separator, with '.'
// and ',' also taken on reading so that a file from another locale still reads.
QString FloatToStrGeneral(double v, const QLocale& locale);  // up to 15 significant digits
std::optional<double> StrToFloatOpt(const QString& text, const QLocale& locale);
std::optional<int32_t> StrToIntOpt(const QString& text);
