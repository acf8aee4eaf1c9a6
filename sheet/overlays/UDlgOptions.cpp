#include "UDlgOptions.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QVBoxLayout>
#include <utility>

#include "UDlgGrille.h"
#include "UDlgRepere.h"
#include "platform/Dialogs.h"

TDlgOptions::TDlgOptions(TDlgGrille& grille, TDlgRepere& repere, QWidget* parent)
    : QDialog(parent), Grille(grille), Repere(repere) {
  setObjectName("DlgOptions");
  setWindowTitle("Options");

  auto named = [](auto* w, const char* name) {
    w->setObjectName(name);
    return w;
  };
  auto text = [](const char* utf8) { return QString::fromUtf8(utf8); };

  GBOrientation = named(new QGroupBox(text("Orientation des feuilles"), this), "GBOrientation");
  RBPortrait = named(new QRadioButton("Portrait", GBOrientation), "RBPortrait");
  RBPaysage = named(new QRadioButton("Paysage", GBOrientation), "RBPaysage");
  ChBGDeposer = named(new QCheckBox(text("Glisser-Déposer des objets"), this), "ChBGDeposer");
  ChBCpColler = named(new QCheckBox(text("Copier-Coller des objets"), this), "ChBCpColler");
  ChBTrCentre =
      named(new QCheckBox(text("Tracé du centre des arcs de cercle"), this), "ChBTrCentre");
  ChBGrille = named(new QCheckBox("Grille", this), "ChBGrille");
  BoutOptionsGrilles = named(new QPushButton("Options", this), "BoutOptionsGrilles");
  chbRepere = named(new QCheckBox(text("Repère"), this), "chbRepere");
  BoutOptionsRepere = named(new QPushButton("Options", this), "BoutOptionsRepere");
  GBPoints = named(new QGroupBox("Points", this), "GBPoints");
  RBPoint1 = named(new QRadioButton("Petits", GBPoints), "RBPoint1");
  RBPoint2 = named(new QRadioButton("Moyens", GBPoints), "RBPoint2");
  RBPoint3 = named(new QRadioButton("Gros", GBPoints), "RBPoint3");
  BoutEnreg = named(new QPushButton("Enregistrer ces options", this), "BoutEnreg");
  BoutOk = named(new QPushButton("OK", this), "BoutOk");
  BitBtn1 = named(new QPushButton("Annuler", this), "BitBtn1");
  BoutOk->setDefault(true);

  connect(BoutOk, &QPushButton::clicked, this, [this] { BoutOkClick(); });
  connect(BitBtn1, &QPushButton::clicked, this, &QDialog::reject);
  connect(BoutEnreg, &QPushButton::clicked, this, [this] { BoutEnregClick(); });
  // Also on changes made by ShowSheetOptions, so a button never outlives its box.
  connect(ChBGrille, &QCheckBox::toggled, this, [this] { ChBGrilleClick(); });
  connect(chbRepere, &QCheckBox::toggled, this, [this] { chbRepereClick(); });
  connect(BoutOptionsGrilles, &QPushButton::clicked, this, [this] { BoutOptionsGrillesClick(); });
  connect(BoutOptionsRepere, &QPushButton::clicked, this, [this] { BoutOptionsRepereClick(); });

  auto* orientation = new QVBoxLayout(GBOrientation);
  orientation->addWidget(RBPortrait);
  orientation->addWidget(RBPaysage);
  auto* points = new QHBoxLayout(GBPoints);
  points->addWidget(RBPoint1);
  points->addWidget(RBPoint2);
  points->addWidget(RBPoint3);

  auto* box = new QVBoxLayout(this);
  box->setSizeConstraint(QLayout::SetFixedSize);  // a dialog border: not resizable
  box->addWidget(GBOrientation);
  box->addWidget(ChBGDeposer);
  box->addWidget(ChBCpColler);
  box->addWidget(ChBTrCentre);
  for (auto [check, button] :
       {std::pair{ChBGrille, BoutOptionsGrilles}, std::pair{chbRepere, BoutOptionsRepere}}) {
    auto* row = new QHBoxLayout;
    row->addWidget(check);
    row->addStretch();
    row->addWidget(button);
    box->addLayout(row);
  }
  box->addWidget(GBPoints);
  box->addWidget(BoutEnreg);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(BoutOk);
  buttons->addWidget(BitBtn1);
  box->addLayout(buttons);

  SetControls(TSheetOptions{});
  ChBGrilleClick();
  chbRepereClick();
}

TSheetOptions TDlgOptions::ControlValues() const {
  TSheetOptions o;
  o.Orientation = RBPortrait->isChecked() ? 0 : 1;
  o.DragDropEnabled = ChBGDeposer->isChecked();
  o.CopyPasteEnabled = ChBCpColler->isChecked();
  o.DrawArcCentres = ChBTrCentre->isChecked();
  o.GridShown = ChBGrille->isChecked();
  o.FrameShown = chbRepere->isChecked();
  o.PointSize = RBPoint1->isChecked() ? 1 : RBPoint2->isChecked() ? 2 : 3;
  return o;
}

void TDlgOptions::SetControls(const TSheetOptions& o) {
  // Exclusive radio buttons: checking one clears the others. A value without a button
  // leaves them as they were.
  if (o.Orientation == 0) RBPortrait->setChecked(true);
  if (o.Orientation == 1) RBPaysage->setChecked(true);
  ChBGDeposer->setChecked(o.DragDropEnabled);
  ChBCpColler->setChecked(o.CopyPasteEnabled);
  ChBTrCentre->setChecked(o.DrawArcCentres);
  ChBGrille->setChecked(o.GridShown);
  chbRepere->setChecked(o.FrameShown);
  switch (o.PointSize) {
    case 1:
      RBPoint1->setChecked(true);
      break;
    case 2:
      RBPoint2->setChecked(true);
      break;
    case 3:
      RBPoint3->setChecked(true);
      break;
    default:
      break;
  }
}

TOptionsRecord TDlgOptions::RecordInForce() const {
  return {SheetOptionsInForce(Sheet), Grille.Settings(), Repere.Settings()};
}

void TDlgOptions::PutInForce(const TOptionsRecord& r) {
  ::ApplySheetOptions(r.Options, Sheet);
  if (r.Grid != Grille.Settings()) Grille.SetSettings(r.Grid);
  if (r.Frame != Repere.Settings()) {
    Repere.SetSettings(r.Frame);
    Repere.DrawPreview();
  }
  ShowSheetOptions();
}

void TDlgOptions::LoadSheetOptions() {
  TOptionsRecord r = RecordInForce();
  try {
    ::LoadSheetOptions(OptionsPath, r);
  } catch (const platform::StreamError& e) {
    r.Options = TSheetOptions{};
    platform::dialogs().error(e.what());
  }
  PutInForce(r);
}

void TDlgOptions::WriteOptionsRecord(platform::Stream& s) const {
  ::WriteOptionsRecord(s, {ControlValues(), Grille.Settings(), Repere.Settings()});
}

void TDlgOptions::ReadOptionsRecord(platform::Stream& s) {
  TOptionsRecord r = RecordInForce();
  ::ReadOptionsRecord(s, r);
  PutInForce(r);
}

void TDlgOptions::ShowSheetOptions() {
  SetControls(SheetOptionsInForce(Sheet));
}

void TDlgOptions::ApplySheetOptions() {
  ::ApplySheetOptions(ControlValues(), Sheet);
  RepaintWorkArea();
}

void TDlgOptions::BoutOkClick() {
  ApplySheetOptions();
  accept();
}

void TDlgOptions::BoutEnregClick() {
  try {
    SaveSheetOptions(OptionsPath, {ControlValues(), Grille.Settings(), Repere.Settings()});
  } catch (const platform::StreamError& e) {
    platform::dialogs().error(e.what());
  }
}

void TDlgOptions::ChBGrilleClick() {
  BoutOptionsGrilles->setEnabled(ChBGrille->isChecked());
}

void TDlgOptions::chbRepereClick() {
  BoutOptionsRepere->setEnabled(chbRepere->isChecked());
}

void TDlgOptions::BoutOptionsGrillesClick() {
  platform::dialogs().showModal(Grille);
  RepaintWorkArea();
}

void TDlgOptions::BoutOptionsRepereClick() {
  // The options dialog stays up under the frame dialog: hiding a dialog that runs modally
  // would end it.
  platform::dialogs().showModal(Repere);
  RepaintWorkArea();
}

void TDlgOptions::showEvent(QShowEvent* e) {
  // On each showing by the program only: a return from the grid or frame dialog, or from
  // the window being minimised, keeps what was ticked.
  if (!e->spontaneous()) FormActivate();
  QDialog::showEvent(e);
}
