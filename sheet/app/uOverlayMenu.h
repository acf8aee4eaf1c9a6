#pragma once
// The grid and the coordinate frame: their dialogs, the "Options" menu items that show them,
// and their painting on every visible layer.
#include <QAction>
#include <QMenu>
#include <functional>

#include "sheet/layers/uOverlays.h"
#include "sheet/overlays/UDlgGrille.h"
#include "sheet/overlays/UDlgRepere.h"
#include "sheet/overlays/UcentreRep.h"

class TOverlayMenu : public TPageOverlays {
 public:
  struct Deps {
    std::function<int()> orientation;
    std::function<platform::TPoint(platform::TPoint)> screenToPage;
    std::function<void()> repaintPage;
    // The "Grille" box of the sheet options.
    std::function<bool()> optionsGridBox = [] { return false; };
    // The sheet options dialog follows the switches.
    std::function<void(bool grid, bool frame)> switchesChanged = [](bool, bool) {};
  };
  TOverlayMenu(QWidget* owner, QMenu& options, Deps deps);
  ~TOverlayMenu() override;

  void Grille1Click();
  void Repere1Click();
  void DefinirCentreRepere1Click();
  // Each time the menu opens: "Définir le centre du repère" only while the frame is shown.
  void MenuOpening();
  // Check marks from the switches (after reading a document, "Nouveau").
  void SyncChecks();

  void PaintOnLayer(platform::Canvas& canvas, const platform::TRect& page) override;
  void PaintScaled(platform::Canvas& canvas, const platform::TRect& page, double scale) override;

  TDlgGrille* DlgGrille;
  TDlgRepere* DlgRepere;
  TDlgPlaceCentreRepere* DlgPlaceCentre;
  QAction* Grille1;
  QAction* Repere1;
  QAction* DefinirCentreRepere1;

 private:
  Deps deps_;
};
