#include "uOverlayMenu.h"

#include "platform/Dialogs.h"

TOverlayMenu::TOverlayMenu(QWidget* owner, QMenu& options, Deps deps) : deps_(std::move(deps)) {
  DlgGrille = new TDlgGrille(owner);
  DlgGrille->SheetOrientation = deps_.orientation;
  DlgRepere = new TDlgRepere(owner);
  DlgRepere->GridSettings = [this] { return DlgGrille->Settings(); };
  DlgRepere->OptionsGridBox = [this] { return deps_.optionsGridBox(); };
  DlgPlaceCentre = new TDlgPlaceCentreRepere(*DlgRepere, owner);
  DlgPlaceCentre->ScreenToPage = deps_.screenToPage;
  DlgPlaceCentre->RepaintPage = deps_.repaintPage;

  Grille1 = options.addAction("Grille");
  Grille1->setCheckable(true);
  QObject::connect(Grille1, &QAction::triggered, [this] { Grille1Click(); });
  Repere1 = options.addAction(QString::fromUtf8("Repère"));
  Repere1->setCheckable(true);
  QObject::connect(Repere1, &QAction::triggered, [this] { Repere1Click(); });
  DefinirCentreRepere1 = options.addAction(QString::fromUtf8("Définir le centre du repère"));
  QObject::connect(DefinirCentreRepere1, &QAction::triggered,
                   [this] { DefinirCentreRepere1Click(); });
  QObject::connect(&options, &QMenu::aboutToShow, [this] { MenuOpening(); });
  MenuOpening();
  SetPageOverlays(this);
}

TOverlayMenu::~TOverlayMenu() {
  if (PageOverlays() == this) SetPageOverlays(nullptr);
}

// The item toggles; checking shows the dialog and the item stays checked only after OK.
void TOverlayMenu::Grille1Click() {
  if (Grille1->isChecked())
    Grille1->setChecked(platform::dialogs().showModal(*DlgGrille) == QDialog::Accepted);
  GridShown = Grille1->isChecked();
  deps_.switchesChanged(GridShown, FrameShown);
  deps_.repaintPage();
}

void TOverlayMenu::Repere1Click() {
  if (Repere1->isChecked())
    Repere1->setChecked(platform::dialogs().showModal(*DlgRepere) == QDialog::Accepted);
  FrameShown = Repere1->isChecked();
  deps_.switchesChanged(GridShown, FrameShown);
  MenuOpening();
  deps_.repaintPage();
}

void TOverlayMenu::DefinirCentreRepere1Click() {
  if (FrameShown) platform::dialogs().showModal(*DlgPlaceCentre);
}

void TOverlayMenu::MenuOpening() {
  DefinirCentreRepere1->setEnabled(FrameShown);
}

void TOverlayMenu::SyncChecks() {
  Grille1->setChecked(GridShown);
  Repere1->setChecked(FrameShown);
  MenuOpening();
}

void TOverlayMenu::PaintOnLayer(platform::Canvas& canvas, const platform::TRect& page) {
  if (GridShown) DlgGrille->DrawGrid(canvas, 1.0);
  if (FrameShown)
    DlgRepere->DrawFrame(canvas, DlgRepere->FrameRectOnLayer(page.width(), page.height()), 1.0);
}

// Printed and copied pages carry the frame over the whole page, whatever its tie to the grid.
void TOverlayMenu::PaintScaled(platform::Canvas& canvas, const platform::TRect& page,
                               double scale) {
  if (GridShown) DlgGrille->DrawGrid(canvas, scale);
  if (FrameShown) DlgRepere->DrawFrame(canvas, page, scale);
}
