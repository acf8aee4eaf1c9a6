#include <gtest/gtest.h>

#include <QApplication>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>

#include "platform/Screen.h"
#include "platform/ScriptedDialogs.h"
#include "sheet/app/uZeridaz.h"
#include "sheet/layers/uSettings.h"
#include "sheet/overlays/UGrille.h"
#include "sheet/overlays/URepere.h"
#include "sheet/overlays/uOptions.h"

using platform::TColor;

namespace {

// The main window with its work area forced to a given size, activated once.
struct Window : ::testing::Test {
  std::unique_ptr<TFZeridazKWZ> w;
  int pageW = PageWidthPx(platform::screenPixelsPerInch());
  int pageH = PageHeightPx(platform::screenPixelsPerInch());

  void open(int panelW, int panelH) {
    w = std::make_unique<TFZeridazKWZ>();
    w->Layout().Panel6->setFixedSize(panelW, panelH);
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    w->FormActivate();
  }
  TPage* page() { return w->FirstLayer(); }
  TColor panelPixel(int x, int y) {
    platform::Surface& s = w->Layout().Panel6->surface();
    s.render();
    return s.image().pixel(x, y);
  }
  QScrollBar* vbar() { return w->Layout().ScrollBar1; }
  QScrollBar* hbar() { return w->Layout().ScrollBar2; }
};

TEST_F(Window, StartsOnAnEmptyCentredPageNamedSansNom) {
  open(pageW + 300, pageH + 100);
  EXPECT_EQ(w->windowTitle(), "Bloc : SansNom.blc");
  ASSERT_NE(page(), nullptr);
  EXPECT_EQ(page()->LayerCount(), 1);
  EXPECT_EQ(page()->boundsRect(), platform::rectXYWH(150, 50, pageW, pageH));
  EXPECT_FALSE(vbar()->isVisible());
  EXPECT_FALSE(hbar()->isVisible());
  EXPECT_EQ(w->TabSetPages->count(), 1);
  EXPECT_EQ(w->TabSetPages->tabText(0), "calque 1");

  const TColor work = platform::rgb(221, 221, 255), shadow = platform::rgb(50, 101, 101);
  EXPECT_EQ(panelPixel(150, 50), platform::clWhite);  // paper
  EXPECT_EQ(panelPixel(149, 50), work);
  // The shadow: 15 pixels right of and below the page, shifted 15 from its top and left.
  EXPECT_EQ(panelPixel(150 + pageW, 50 + 15), shadow);
  EXPECT_EQ(panelPixel(150 + pageW + 14, 50 + pageH + 14), shadow);
  EXPECT_EQ(panelPixel(150 + pageW, 50 + 14), work);
  EXPECT_EQ(panelPixel(150 + pageW + 15, 60 + 15), work);
  EXPECT_EQ(panelPixel(150 + 15, 50 + pageH), shadow);
  EXPECT_EQ(panelPixel(150 + 14, 50 + pageH), work);
}

TEST_F(Window, NarrowWorkAreaScrollsPagePaperAndShadowTogether) {
  w = nullptr;
  open(600, 500);
  EXPECT_EQ(page()->left(), 0);
  EXPECT_EQ(page()->top(), 0);
  ASSERT_TRUE(hbar()->isVisible());
  ASSERT_TRUE(vbar()->isVisible());
  EXPECT_EQ(hbar()->maximum(), pageW - 600 + vbar()->width());
  EXPECT_EQ(vbar()->maximum(), pageH - 500 + hbar()->height());

  hbar()->setValue(40);
  vbar()->setValue(70);
  TPageLayout& l = w->Layout();
  EXPECT_EQ(page()->left(), -40);
  EXPECT_EQ(page()->top(), -70);
  EXPECT_EQ(l.FondBloc.boundsRect(), page()->boundsRect());
  EXPECT_EQ(l.OmbreVert.boundsRect(), platform::rectXYWH(-40 + pageW, -70 + 15, 15, pageH));
  EXPECT_EQ(l.OmbreHrz.boundsRect(), platform::rectXYWH(-40 + 15, -70 + pageH, pageW, 15));

  // A second activation brings the page back to position 0 on both axes, also from the very
  // end of a bar, where the scrolled page would seem to fit.
  vbar()->setValue(vbar()->maximum());
  w->FormActivate();
  EXPECT_EQ(hbar()->value(), 0);
  EXPECT_EQ(vbar()->value(), 0);
  EXPECT_TRUE(vbar()->isVisible());
  EXPECT_EQ(vbar()->maximum(), pageH - 500 + hbar()->height());
  EXPECT_EQ(page()->left(), 0);
  EXPECT_EQ(page()->top(), 0);
  EXPECT_EQ(l.OmbreHrz.top(), pageH);
}

TEST_F(Window, GrowingTheWorkAreaRecentresThePageAndHidesTheBars) {
  open(600, 500);
  w->Layout().Panel6->setFixedSize(pageW + 300, pageH + 100);
  QApplication::processEvents();
  EXPECT_EQ(page()->left(), 150);
  EXPECT_EQ(page()->top(), 50);
  EXPECT_EQ(w->Layout().FondBloc.boundsRect(), page()->boundsRect());
  EXPECT_EQ(w->Layout().OmbreVert.left(), 150 + pageW);
  EXPECT_FALSE(hbar()->isVisible());
  EXPECT_FALSE(vbar()->isVisible());
}

TEST_F(Window, OrientationChangeSwapsThePageAndRecentres) {
  open(1400, 1200);
  w->ChangeOrientation(0);  // the current one: nothing
  EXPECT_EQ(page()->width(), pageW);
  w->ChangeOrientation(1);
  EXPECT_EQ(w->Orientation, 1);
  EXPECT_EQ(page()->width(), pageH);
  EXPECT_EQ(page()->height(), pageW);
  EXPECT_EQ(page()->left(), (1400 - pageH) / 2);
  EXPECT_EQ(page()->top(), (1200 - pageW) / 2);
  EXPECT_EQ(w->Layout().FondBloc.picture().width(), pageH);
  EXPECT_EQ(w->Layout().OmbreHrz.width(), pageH);
  const TColor paper = panelPixel(page()->left() + pageH - 1, page()->top() + pageW - 1);
  EXPECT_EQ(paper, platform::clWhite);
}

TEST_F(Window, ScreenToPageSubtractsTheFirstLayerScreenOrigin) {
  open(pageW + 300, pageH + 100);
  const QPoint panelOnScreen = w->Layout().Panel6->mapToGlobal(QPoint(0, 0));
  const platform::TPoint p =
      w->ScreenToPage({panelOnScreen.x() + 150 + 12, panelOnScreen.y() + 50 + 34});
  EXPECT_EQ(p, (platform::TPoint{12, 34}));
}

TEST_F(Window, MenusAndAboutBox) {
  open(900, 700);
  QStringList titles;
  for (QAction* a : w->menuBar()->actions())
    if (a->isVisible()) titles << a->text();
  EXPECT_EQ(titles, (QStringList{"&Fichiers", "&Edition", "Instruments", "&Calques", "Options",
                                 "A propos", "Aide"}));
  EXPECT_EQ(w->Quitter1->shortcut(), QKeySequence("Ctrl+Q"));

  platform::ScriptedDialogs script;
  platform::setDialogs(&script);
  script.queueModal(1);
  w->Apropos1->trigger();
  platform::setDialogs(nullptr);
  ASSERT_EQ(script.callsOf("modal").size(), 1u);
  EXPECT_TRUE(script.allAnswersUsed());
}

TEST_F(Window, ActivationKeepsTheDrawingOfImageMode) {
  open(900, 700);
  platform::Bitmap& paper = w->Layout().FondBloc.picture();
  paper.setPixel(5, 6, platform::clBlack);
  w->ImageMode = 1;
  w->FormActivate();
  EXPECT_EQ(paper.pixel(5, 6), platform::clBlack);
  w->ImageMode = 0;
  w->FormActivate();
  EXPECT_EQ(paper.pixel(5, 6), platform::clWhite);
}

TEST_F(Window, GridAndFrameItemsShowTheirDialogAndPaintOnThePage) {
  open(pageW + 300, pageH + 100);
  platform::ScriptedDialogs script;
  platform::setDialogs(&script);
  TOverlayMenu& o = w->Overlays();
  EXPECT_FALSE(o.DefinirCentreRepere1->isEnabled());
  script.queueModal(0);  // Cancel: the item does not stay checked
  o.Grille1->trigger();
  EXPECT_FALSE(o.Grille1->isChecked());
  EXPECT_FALSE(GridShown);
  script.queueModal(1);
  o.Grille1->trigger();
  EXPECT_TRUE(GridShown);
  // The default grid: black lines every 10 mm from the page's corner (38 px at 96 ppi).
  const int step = int(std::nearbyint(10 * 96 / 25.4));
  EXPECT_EQ(panelPixel(150 + step, 50 + 5), platform::clBlack);
  EXPECT_EQ(panelPixel(150 + step + 3, 50 + 5), platform::clWhite);

  script.queueModal(1);
  o.Repere1->trigger();
  EXPECT_TRUE(FrameShown);
  EXPECT_TRUE(o.DefinirCentreRepere1->isEnabled());
  script.queueModal(1);
  o.DefinirCentreRepere1->trigger();
  EXPECT_EQ(script.callsOf("modal").size(), 4u);
  o.Grille1->trigger();  // unchecking hides the grid without a dialog
  o.Repere1->trigger();
  EXPECT_FALSE(GridShown);
  EXPECT_FALSE(FrameShown);
  EXPECT_EQ(panelPixel(150 + step, 50 + 5), platform::clWhite);
  platform::setDialogs(nullptr);
}

TEST(WindowOptions, SavedOptionsHoldFromTheFirstPage) {
  QTemporaryDir dir;
  TOptionsRecord saved;
  saved.Options.Orientation = 1;
  saved.Options.PointSize = 3;
  saved.Options.DragDropEnabled = false;
  SaveSheetOptions(dir.filePath("Zeridazs.opt").toStdString(), saved);
  {
    TFZeridazKWZ w;
    w.DlgOptions->OptionsPath = dir.filePath("Zeridazs.opt").toStdString();
    w.Layout().Panel6->setFixedSize(900, 700);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    if (w.FirstActivation) w.FormActivate();
    EXPECT_EQ(w.Orientation, 1);
    EXPECT_GT(w.FirstLayer()->width(), w.FirstLayer()->height());
    EXPECT_EQ(PointSize, 3);
    EXPECT_FALSE(DragDropEnabled);
  }
  PointSize = 1;
  DragDropEnabled = true;
}

TEST_F(Window, QuitClosesTheWindow) {
  open(900, 700);
  w->Quitter1->trigger();
  EXPECT_FALSE(w->isVisible());
}

}  // namespace
