// The grid dialog: its controls as the settings, the focus-leave checks with their messages
// captured by the dialogs seam, and the record through the controls.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>

#include "platform/ScriptedDialogs.h"
#include "platform/Streams.h"
#include "sheet/overlays/UDlgGrille.h"

using platform::ScriptedDialogs;

namespace {

struct GridDialog : ::testing::Test {
  ScriptedDialogs scripted;
  void SetUp() override { platform::setDialogs(&scripted); }
  void TearDown() override { platform::setDialogs(nullptr); }

  std::vector<std::string> messages() const {
    std::vector<std::string> texts;
    for (const auto& c : scripted.callsOf("message")) texts.push_back(c.text);
    return texts;
  }
};

QString u(const char* utf8) {
  return QString::fromUtf8(utf8);
}

bool HasLabel(const QDialog& d, const char* text) {
  for (const QLabel* l : d.findChildren<QLabel*>())
    if (l->text() == u(text)) return true;
  return false;
}

}  // namespace

TEST_F(GridDialog, ControlsStartAtTheirDefaults) {
  TDlgGrille d;
  EXPECT_EQ(d.windowTitle(), "Options grille");
  EXPECT_EQ(d.Settings(), TGridSettings{});
  EXPECT_EQ(d.Editoriginex->text(), "0");
  EXPECT_EQ(d.Edithauteur->text(), "297");
  for (const QSpinBox* s : {d.SpinEdit1, d.SpinEdit2}) {
    EXPECT_EQ(s->minimum(), 1);
    EXPECT_EQ(s->maximum(), 50);
    EXPECT_EQ(s->value(), 10);
  }
  ASSERT_EQ(d.CBBCouleur->count(), 16);
  EXPECT_EQ(d.CBBCouleur->currentText(), "noir");
  EXPECT_EQ(d.CBBCouleur->itemText(6), "bleu-vert");
  EXPECT_EQ(d.CBBCouleur->itemText(7), u("gris foncé"));
  EXPECT_TRUE(d.RBGrille->isChecked());
  EXPECT_FALSE(d.RBInters->isChecked());
  EXPECT_EQ(d.RBInters->text(), "Points d'intersection");
  EXPECT_EQ(d.chbMarq5->text(), "Marquage tous les 5 ");
  EXPECT_EQ(d.chbMarq10->text(), "tous les 10 ");
  EXPECT_FALSE(d.chbMarq5->isChecked() || d.chbMarq10->isChecked());
  for (const char* label : {"coin supérieur gauche :", "largeur :", "hauteur :",
                            "Graduation horizontale :", "Graduation verticale :", "Couleur : "})
    EXPECT_TRUE(HasLabel(d, label)) << label;
}

TEST_F(GridDialog, OperationsReadTheControls) {
  TDlgGrille d;
  d.SheetOrientation = [] { return 1; };
  d.Editoriginex->setText("10");
  d.Editoriginey->setText("20");
  d.Editlargeur->setText("20");
  d.Edithauteur->setText("30");
  d.SpinEdit1->setValue(7);
  d.CBBCouleur->setCurrentIndex(13);
  d.RBInters->setChecked(true);
  d.chbMarq10->setChecked(true);
  const TGridSettings g = d.Settings();
  EXPECT_EQ(g, (TGridSettings{"10", "20", "20", "30", 7, 10, 13, false, false, true}));
  EXPECT_EQ(d.GridColor(), platform::rgb(255, 0, 255));
  EXPECT_FALSE(d.GridLines());
  d.CBBCouleur->setCurrentIndex(-1);
  EXPECT_EQ(d.GridColor(), platform::clBlack);

  d.ResetGridArea();
  EXPECT_EQ(d.Editlargeur->text(), "297");
  EXPECT_EQ(d.Edithauteur->text(), "210");
  EXPECT_EQ(d.SpinEdit1->value(), 7);
  d.ResetGrid();
  TGridSettings reset;
  ResetGrid(reset, 1);
  EXPECT_EQ(d.Settings(), reset);
  EXPECT_TRUE(d.RBGrille->isChecked());
}

// Each case types the area, puts the focus in one field and tabs out of it.
TEST_F(GridDialog, LeavingAnAreaFieldChecksIt) {
  struct Case {
    const char* what;
    int orientation;
    const char *ox, *oy, *w, *h;
    int field;            // 0 origin x, 1 origin y, 2 width, 3 height
    const char* message;  // "" for none
    const char *ox2, *oy2, *w2, *h2;
  };
  const char* const wider = "La grille ne peut pas être plus large que la page";
  const char* const higher = "La grille ne peut pas être plus haute que la page";
  const Case cases[] = {
      {"landscape: 60 + 250 > 297", 1, "60", "0", "250", "210", 2, wider, "60", "0", "237", "210"},
      {"portrait width", 0, "0", "0", "211", "297", 2, wider, "0", "0", "210", "297"},
      {"width that fits", 0, "10", "0", "200", "297", 2, "", "10", "0", "200", "297"},
      {"origin x corrects the width silently", 0, "100", "0", "210", "297", 0, "", "100", "0",
       "110", "297"},
      {"origin y corrects the height silently", 1, "0", "10", "297", "210", 1, "", "0", "10", "297",
       "200"},
      {"portrait height", 0, "0", "50", "210", "297", 3, higher, "0", "50", "210", "247"},
      {"landscape height", 1, "0", "0", "297", "211", 3, higher, "0", "0", "297", "210"},
      {"negative origin is kept", 0, "-20", "0", "240", "297", 2, wider, "-20", "0", "230", "297"},
      {"origin x unreadable", 0, "a", "0", "210", "297", 0,
       "la position gauche de la grille indiquée n'est pas correcte !", "0", "0", "210", "297"},
      // The field left is the one reset, whichever of the pair cannot be read.
      {"width unreadable, origin x left", 0, "5", "0", "1.5", "297", 0,
       "la position gauche de la grille indiquée n'est pas correcte !", "0", "0", "1.5", "297"},
      {"origin y unreadable", 0, "0", "", "210", "297", 1,
       "la position supérieure de la grille indiquée n'est pas correcte !", "0", "0", "210", "297"},
      {"width unreadable", 0, "0", "0", "2l0", "297", 2,
       "la largeur de la grille indiquée n'est pas correcte !", "0", "0", "0", "297"},
      {"origin y unreadable, height left", 1, "0", "x", "297", "100", 3,
       "la hauteur de la grille indiquée n'est pas correcte !", "0", "x", "297", "0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    scripted = ScriptedDialogs();
    TDlgGrille d;
    d.SheetOrientation = [&] { return c.orientation; };
    QLineEdit* const edits[] = {d.Editoriginex, d.Editoriginey, d.Editlargeur, d.Edithauteur};
    d.show();
    d.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
    // Focus first (leaving the first field checks the defaults, which pass), then type.
    edits[c.field]->setFocus(Qt::MouseFocusReason);
    ASSERT_TRUE(edits[c.field]->hasFocus());
    ASSERT_TRUE(messages().empty());
    edits[0]->setText(u(c.ox));
    edits[1]->setText(u(c.oy));
    edits[2]->setText(u(c.w));
    edits[3]->setText(u(c.h));
    QTest::keyClick(edits[c.field], Qt::Key_Tab);
    EXPECT_FALSE(edits[c.field]->hasFocus());
    EXPECT_EQ(messages(),
              *c.message ? std::vector<std::string>{c.message} : std::vector<std::string>{});
    EXPECT_EQ(edits[0]->text(), u(c.ox2));
    EXPECT_EQ(edits[1]->text(), u(c.oy2));
    EXPECT_EQ(edits[2]->text(), u(c.w2));
    EXPECT_EQ(edits[3]->text(), u(c.h2));
  }
}

TEST_F(GridDialog, OnlyAMoveToAnotherControlChecks) {
  TDlgGrille d;
  d.Editlargeur->setText("300");
  // The window losing activation, or a menu opening, is not leaving the field.
  for (Qt::FocusReason r : {Qt::ActiveWindowFocusReason, Qt::PopupFocusReason}) {
    QFocusEvent out(QEvent::FocusOut, r);
    QCoreApplication::sendEvent(d.Editlargeur, &out);
  }
  EXPECT_TRUE(messages().empty());
  EXPECT_EQ(d.Editlargeur->text(), "300");
  // Clicking OK or Cancel moves the focus first: the check runs before the dialog closes.
  QFocusEvent out(QEvent::FocusOut, Qt::MouseFocusReason);
  QCoreApplication::sendEvent(d.Editlargeur, &out);
  EXPECT_EQ(messages(),
            std::vector<std::string>{"La grille ne peut pas être plus large que la page"});
  EXPECT_EQ(d.Editlargeur->text(), "210");
}

TEST_F(GridDialog, RecordGoesThroughTheControls) {
  // clang-format off
  const std::vector<uint8_t> v2{
      2, 0,                    // version
      10, 0, 0, 0,             // SpacingX
      1, 0, 0, 0,              // SpacingY
      0xFF, 0xFF, 0xFF, 0xFF,  // ColourIndex -1
      1, 0, 1,                 // Lines, Mark5, Mark10
      2, 0, 0, 0, '1', '5',    // OriginX
      1, 0, 0, 0, '0',         // OriginY
      3, 0, 0, 0, '1', '8', '0',
      2, 0, 0, 0, '2', 0xE9};  // Height "2é" in Windows-1252
  // clang-format on
  TDlgGrille d;
  platform::MemoryStream in(v2);
  d.ReadGridRecord(in);
  EXPECT_EQ(d.Editoriginex->text(), "15");
  EXPECT_EQ(d.Editoriginey->text(), "0");
  EXPECT_EQ(d.Editlargeur->text(), "180");
  EXPECT_EQ(d.Edithauteur->text(), u("2é"));
  EXPECT_EQ(d.SpinEdit1->value(), 10);
  EXPECT_EQ(d.SpinEdit2->value(), 1);
  EXPECT_EQ(d.CBBCouleur->currentIndex(), -1);
  EXPECT_TRUE(d.RBGrille->isChecked());
  EXPECT_FALSE(d.chbMarq5->isChecked());
  EXPECT_TRUE(d.chbMarq10->isChecked());
  platform::MemoryStream out;
  d.WriteGridRecord(out);
  EXPECT_EQ(out.bytes(), v2);

  // A version 1 record resets the area for the sheet's orientation; a cut one changes nothing.
  d.SheetOrientation = [] { return 1; };
  const std::vector<uint8_t> v1{1, 0, 5, 0, 0, 0, 6, 0, 0, 0, 2, 0, 0, 0, 0, 1, 1};
  platform::MemoryStream cut(std::vector<uint8_t>(v1.begin(), v1.end() - 1));
  EXPECT_THROW(d.ReadGridRecord(cut), platform::StreamError);
  EXPECT_EQ(d.Editlargeur->text(), "180");
  EXPECT_EQ(d.SpinEdit1->value(), 10);
  platform::MemoryStream whole(v1);
  d.ReadGridRecord(whole);
  EXPECT_EQ(d.Settings(), (TGridSettings{"0", "0", "297", "210", 5, 6, 2, false, true, true}));
}
