// The ruler's options dialog: its defaults, "Regles.opt" of every version built from the
// field table, writing back, files cut short, the control handlers, the state shown from the
// ruler and the values the ruler takes. The dialog runs in a French locale at 96 pixels per
// inch, so the default scale is 37,795 pixels per centimetre.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <array>
#include <csignal>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "platform/Screen.h"
#include "platform/ScriptedDialogs.h"
#include "platform/Streams.h"
#include "ruler/UOptions.h"
#include "ruler/uRegle.h"
#include "tests/support/Bytes.h"

using platform::TColor;

namespace {

std::vector<uint8_t> Cp(const std::string& ascii) {
  return {ascii.begin(), ascii.end()};
}

// What one options file holds, field by field in the order of the table.
struct FileValues {
  bool Reglet, ShowCm, ShowHalfCm, ShowMm;
  std::array<bool, 8> T;
  bool Sym, Transparent;
  TColor Cm, HalfCm, Mm, Body, Back;
  bool Sweep;
  std::string Length, Width;
  double PixelsPerCm;           // the value the dialog ends with
  std::string PixelsPerCmText;  // as a string in versions 4 and 5
  std::string RotationStep, TranslationStep, RepeatDelay, RepeatInterval, SweepInterval;
};

const FileValues kDefaults{.Reglet = false,
                           .ShowCm = true,
                           .ShowHalfCm = true,
                           .ShowMm = true,
                           .T = {1, 1, 1, 1, 1, 1, 1, 1},
                           .Sym = true,
                           .Transparent = false,
                           .Cm = 255,
                           .HalfCm = 255,
                           .Mm = 255,
                           .Body = 9039853,
                           .Back = 7071985,
                           .Sweep = false,
                           .Length = "15",
                           .Width = "80",
                           .PixelsPerCm = 37.795,
                           .PixelsPerCmText = "37,795",
                           .RotationStep = "0,01",
                           .TranslationStep = "5",
                           .RepeatDelay = "1000",
                           .RepeatInterval = "200",
                           .SweepInterval = "2000"};
// Every field different from its default.
const FileValues kCustom{.Reglet = true,
                         .ShowCm = false,
                         .ShowHalfCm = true,
                         .ShowMm = false,
                         .T = {1, 0, 1, 1, 0, 1, 0, 0},
                         .Sym = false,
                         .Transparent = true,
                         .Cm = 0x00FF00,
                         .HalfCm = 0x123456,
                         .Mm = 0x654321,
                         .Body = 0x0000AA,
                         .Back = 0x00BB00,
                         .Sweep = true,
                         .Length = "12",
                         .Width = "100",
                         .PixelsPerCm = 45.5,
                         .PixelsPerCmText = "45,500",
                         .RotationStep = "0,05",
                         .TranslationStep = "7",
                         .RepeatDelay = "800",
                         .RepeatInterval = "150",
                         .SweepInterval = "3000"};

// clang-format off
enum Field {
  fReglet, fShowCm, fShowHalfCm, fShowMm, fT1, fT2, fT3, fT4, fT5, fT6, fT7, fT8, fSym,
  fTransparent, fCm, fHalfCm, fMm, fBody, fBack, fSweep, fLength, fWidth, fPixelsPerCm,
  fRotationStep, fTranslationStep, fRepeatDelay, fRepeatInterval, fSweepInterval, kFields
};
// clang-format on

// The "Present" column of the field table.
bool Present(Field f, uint16_t v) {
  switch (f) {
    case fReglet:
    case fShowCm:
    case fShowHalfCm:
    case fShowMm:
    case fHalfCm:
    case fMm:
      return v >= 3;
    case fSym:
      return v >= 5;
    case fTransparent:
      return v >= 1;
    case fCm:
    case fBody:
    case fBack:
      return v >= 2;
    default:
      return true;
  }
}

// A file of version v from the table; ends[f] is the byte count at the end of field f.
std::vector<uint8_t> OptionsFile(uint16_t v, const FileValues& x,
                                 std::array<size_t, kFields>* ends = nullptr) {
  Bytes b;
  b.u16(v);
  auto put = [&](Field f, const std::function<void()>& write) {
    if (!Present(f, v)) return;
    write();
    if (ends) (*ends)[f] = b.b.size();
  };
  put(fReglet, [&] { b.u8(x.Reglet); });
  put(fShowCm, [&] { b.u8(x.ShowCm); });
  put(fShowHalfCm, [&] { b.u8(x.ShowHalfCm); });
  put(fShowMm, [&] { b.u8(x.ShowMm); });
  for (int i = 0; i < 8; ++i) put(Field(fT1 + i), [&] { b.u8(x.T[size_t(i)]); });
  put(fSym, [&] { b.u8(x.Sym); });
  put(fTransparent, [&] { b.u8(x.Transparent); });
  put(fCm, [&] { b.i32(int32_t(x.Cm)); });
  put(fHalfCm, [&] { b.i32(int32_t(x.HalfCm)); });
  put(fMm, [&] { b.i32(int32_t(x.Mm)); });
  put(fBody, [&] { b.i32(int32_t(x.Body)); });
  put(fBack, [&] { b.i32(int32_t(x.Back)); });
  put(fSweep, [&] { b.u8(x.Sweep); });
  put(fLength, [&] { b.str(Cp(x.Length)); });
  put(fWidth, [&] { b.str(Cp(x.Width)); });
  put(fPixelsPerCm, [&] {
    if (v >= 4)
      b.str(Cp(x.PixelsPerCmText));
    else
      b.i32(int32_t(x.PixelsPerCm));
  });
  put(fRotationStep, [&] { b.str(Cp(x.RotationStep)); });
  put(fTranslationStep, [&] { b.str(Cp(x.TranslationStep)); });
  put(fRepeatDelay, [&] { b.str(Cp(x.RepeatDelay)); });
  put(fRepeatInterval, [&] { b.str(Cp(x.RepeatInterval)); });
  put(fSweepInterval, [&] { b.str(Cp(x.SweepInterval)); });
  return b.b;
}

// The defaults with the fields that were read taken from `file`.
FileValues Overlay(const FileValues& file, const std::function<bool(Field)>& read) {
  FileValues e = kDefaults;
  auto take = [&](Field f, auto member) {
    if (read(f)) e.*member = file.*member;
  };
  take(fReglet, &FileValues::Reglet);
  take(fShowCm, &FileValues::ShowCm);
  take(fShowHalfCm, &FileValues::ShowHalfCm);
  take(fShowMm, &FileValues::ShowMm);
  for (int i = 0; i < 8; ++i)
    if (read(Field(fT1 + i))) e.T[size_t(i)] = file.T[size_t(i)];
  take(fSym, &FileValues::Sym);
  take(fTransparent, &FileValues::Transparent);
  take(fCm, &FileValues::Cm);
  take(fHalfCm, &FileValues::HalfCm);
  take(fMm, &FileValues::Mm);
  take(fBody, &FileValues::Body);
  take(fBack, &FileValues::Back);
  take(fSweep, &FileValues::Sweep);
  take(fLength, &FileValues::Length);
  take(fWidth, &FileValues::Width);
  take(fPixelsPerCm, &FileValues::PixelsPerCm);
  take(fPixelsPerCm, &FileValues::PixelsPerCmText);
  take(fRotationStep, &FileValues::RotationStep);
  take(fTranslationStep, &FileValues::TranslationStep);
  take(fRepeatDelay, &FileValues::RepeatDelay);
  take(fRepeatInterval, &FileValues::RepeatInterval);
  take(fSweepInterval, &FileValues::SweepInterval);
  return e;
}

std::string Text(const QLineEdit* e) {
  return e->text().toStdString();
}

void ExpectControls(const TDlgOptions& d, const FileValues& e) {
  EXPECT_EQ(d.RBReglet->isChecked(), e.Reglet);
  EXPECT_EQ(d.RBRegle->isChecked(), !e.Reglet);
  EXPECT_EQ(d.Image2->isVisibleTo(&d), e.Reglet);
  EXPECT_EQ(d.Image1->isVisibleTo(&d), !e.Reglet);
  EXPECT_EQ(d.ChBCm->isChecked(), e.ShowCm);
  EXPECT_EQ(d.ChBDemiCm->isChecked(), e.ShowHalfCm);
  EXPECT_EQ(d.ChBmm->isChecked(), e.ShowMm);
  const std::array<QCheckBox*, 8> t{d.chbT1, d.chbT2, d.chbT3, d.chbT4,
                                    d.chbT5, d.chbT6, d.chbT7, d.chbT8};
  for (size_t i = 0; i < 8; ++i) EXPECT_EQ(t[i]->isChecked(), e.T[i]) << "chbT" << i + 1;
  EXPECT_EQ(d.chbSym->isChecked(), e.Sym);
  EXPECT_EQ(d.ChBRegleTransp->isChecked(), e.Transparent);
  EXPECT_EQ(d.RectCouleurRegle->BrushClear(), e.Transparent);
  EXPECT_EQ(d.LabelCouleurCm->FontColor(), e.Cm);
  EXPECT_EQ(d.LabelCouleurDemiCm->FontColor(), e.HalfCm);
  EXPECT_EQ(d.LabelCouleurmm->FontColor(), e.Mm);
  EXPECT_EQ(d.RectCouleurRegle->BrushColor(), e.Body);
  EXPECT_EQ(d.RectCouleurDos->BrushColor(), e.Back);
  EXPECT_FALSE(d.RectCouleurDos->BrushClear());
  EXPECT_EQ(d.chbBalay->isChecked(), e.Sweep);
  EXPECT_EQ(Text(d.EditLongueur), e.Length);
  EXPECT_EQ(Text(d.EditLargeur), e.Width);
  EXPECT_DOUBLE_EQ(d.EditPPC->value(), e.PixelsPerCm);
  // Whatever was read, the percentage and the 5 cm bar follow the scale.
  const double x = e.PixelsPerCm;
  EXPECT_EQ(d.CBBPourcent->currentText(), QString("%1%").arg(std::nearbyint(x * 254 / 96)));
  EXPECT_EQ(d.PanelRegle->width(), int(std::nearbyint(5 * x)));
  EXPECT_EQ(Text(d.EditPasRot), e.RotationStep);
  EXPECT_EQ(Text(d.EditPasTransl), e.TranslationStep);
  EXPECT_EQ(Text(d.EditDecl), e.RepeatDelay);
  EXPECT_EQ(Text(d.EditRep), e.RepeatInterval);
  EXPECT_EQ(Text(d.EditBalay), e.SweepInterval);
}

std::vector<uint8_t> FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void PutFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// The ruler reads the dialog, as the window's host does.
class DialogHost : public TRegleHost {
 public:
  explicit DialogHost(const TDlgOptions& d) : d_(d) {}
  bool ShiftDown() const override { return false; }
  bool CtrlDown() const override { return false; }
  void MoveCursorTo(platform::TPoint) override {}
  void ProcessMessages() override {}
  void SetHandCursor(bool) override {}
  bool ButtonShown(int i) const override { return d_.ButtonShown(i); }
  TRegleOptions Options() const override { return d_.Options(); }
  void SetTimerInterval(int32_t) override {}
  void StartTimer() override {}
  void StopTimer() override {}

 private:
  const TDlgOptions& d_;
};

class RulerOptions : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    platform::setDialogs(&dialogs);
    dlg = Create();
  }
  void TearDown() override {
    dlg.reset();
    platform::setDialogs(nullptr);
    QLocale::setDefault(savedLocale);
  }
  std::unique_ptr<TDlgOptions> Create() {
    return std::make_unique<TDlgOptions>(nullptr, Path(), 96);
  }
  std::string Path() const { return dir.filePath("Regles.opt").toStdString(); }
  void Read(const std::vector<uint8_t>& bytes) {
    platform::MemoryStream s(bytes);
    dlg->ReadOptionsFile(s);
  }

  QLocale savedLocale;
  QTemporaryDir dir;
  platform::ScriptedDialogs dialogs;
  std::unique_ptr<TDlgOptions> dlg;
};

}  // namespace

// ---- Defaults and captions

TEST_F(RulerOptions, StartsWithTheDefaultsAndRestoresThemOnRequest) {
  ExpectControls(*dlg, kDefaults);
  Read(OptionsFile(5, kCustom));
  ExpectControls(*dlg, kCustom);
  dlg->BoutValDef->click();
  ExpectControls(*dlg, kDefaults);
  EXPECT_TRUE(dialogs.calls().empty());
}

TEST_F(RulerOptions, DefaultScaleFollowsTheScreen) {
  dlg.reset();
  TDlgOptions at120(nullptr, Path(), 120);
  EXPECT_EQ(at120.EditPPC->text(), "47,244");  // 120 / 2,54
  EXPECT_EQ(at120.CBBPourcent->currentText(), "100%");
  EXPECT_EQ(at120.PanelRegle->width(), 236);

  TDlgOptions beside(nullptr, {}, 96);
  EXPECT_EQ(beside.OptionsPath(), platform::programDir() + "Regles.opt");
}

TEST_F(RulerOptions, ShowsEveryCaption) {
  QStringList texts{dlg->windowTitle()};
  for (const QLabel* l : dlg->findChildren<QLabel*>()) texts << l->text();
  for (const QAbstractButton* b : dlg->findChildren<QAbstractButton*>()) texts << b->text();
  for (const QGroupBox* g : dlg->findChildren<QGroupBox*>()) texts << g->title();
  for (const char* caption :
       {"Options",
        "Règle",
        "Réglet",
        "Choix des boutons visibles :",
        "Longueur :",
        "cm  (10..20)",
        "Largeur :",
        "pixels  (60 .. 120)",
        "Pixels par centimètre :",
        "ou",
        "5 cm",
        "Attention : la modification de ce paramètre peut entraîner une  discordance entre les "
        "mesures à l'écran et sur papier.",
        "Visibilité et couleurs",
        "cm",
        "1/2cm",
        "mm",
        "Règle transparente",
        "Pas des rotations : ",
        "radians",
        "Pas des translations : ",
        "pixels",
        "Balayage automatique",
        "millisecondes",
        "Répétition des touches :",
        "Déclenchement :",
        "Répétition :",
        "OK",
        "Annuler",
        "Valeurs par défaut",
        "Sauvegarder ces paramètres",
        "A propos de ..."})
    EXPECT_TRUE(texts.contains(QString::fromUtf8(caption))) << caption;
  QStringList items;
  for (int i = 0; i < dlg->CBBPourcent->count(); ++i) items << dlg->CBBPourcent->itemText(i);
  EXPECT_EQ(items, QStringList({"100%", "120%", "150%", "175%", "200%", "250%", "300%"}));
}

TEST_F(RulerOptions, VisibilityBoxesStandUnderTheirButtons) {
  // Left to right along the ruler: 7, 9, 6, 8, 3, 10, 2, 1, 11.
  for (bool reglet : {false, true}) {
    SCOPED_TRACE(reglet);
    if (reglet)
      dlg->RBRegletClick();
    else
      dlg->RBRegleClick();
    const QLabel* image = reglet ? dlg->Image2 : dlg->Image1;
    int previous = -1;
    for (int button : {7, 9, 6, 8, 3, 10, 2, 1, 11}) {
      const QCheckBox* b = dlg->BoxOfButton(button);
      EXPECT_GT(b->x(), previous) << button;
      EXPECT_GE(b->y(), image->height()) << button;
      previous = b->x();
    }
    EXPECT_LT(previous, image->width());
  }
}

// ---- The file

TEST_F(RulerOptions, ReadsEveryVersion) {
  for (uint16_t v = 0; v <= 5; ++v) {
    SCOPED_TRACE(v);
    PutFile(Path(), OptionsFile(v, kCustom));
    auto d = Create();
    FileValues e = Overlay(kCustom, [v](Field f) { return Present(f, v); });
    if (v <= 3) e.PixelsPerCm = 45;  // an int32 before version 4
    if (v == 2) e.HalfCm = e.Mm = kCustom.Cm;
    ExpectControls(*d, e);
  }
  EXPECT_TRUE(dialogs.calls().empty());
}

TEST_F(RulerOptions, VersionTwoFileKeepsKindTicksAndSymmetry) {
  // Before version 5 the file has no symmetry box: it is checked whatever it was.
  dlg->chbSym->setChecked(false);
  dlg->RBRegletClick();
  Read(OptionsFile(2, kCustom));
  EXPECT_TRUE(dlg->chbSym->isChecked());
  EXPECT_TRUE(dlg->RBReglet->isChecked());  // no kind in the file: left as it was
  EXPECT_EQ(dlg->LabelCouleurDemiCm->FontColor(), kCustom.Cm);
  EXPECT_EQ(dlg->LabelCouleurmm->FontColor(), kCustom.Cm);
}

TEST_F(RulerOptions, WritesVersionFiveAsTheTableSays) {
  dlg->WriteOptionsFile();
  EXPECT_EQ(FileBytes(Path()), OptionsFile(5, kDefaults));

  Read(OptionsFile(5, kCustom));
  dlg->boutSauve->click();
  EXPECT_EQ(FileBytes(Path()), OptionsFile(5, kCustom));

  // Every older version comes back as version 5 with what it held.
  for (uint16_t v = 0; v <= 4; ++v) {
    SCOPED_TRACE(v);
    dlg->LoadDefaults();
    Read(OptionsFile(v, kCustom));
    FileValues e = Overlay(kCustom, [v](Field f) { return Present(f, v); });
    if (v <= 3) {
      e.PixelsPerCm = 45;
      e.PixelsPerCmText = "45,000";
    }
    if (v == 2) e.HalfCm = e.Mm = kCustom.Cm;
    platform::MemoryStream out;
    dlg->WriteOptionsFile(out);
    EXPECT_EQ(out.bytes(), OptionsFile(5, e));
  }
  EXPECT_TRUE(dialogs.calls().empty());
}

TEST_F(RulerOptions, WrittenFileReadsBack) {
  Read(OptionsFile(5, kCustom));
  dlg->EditPasRot->setText("1,5E-3");
  dlg->EditLongueur->setText("Règle");  // Windows-1252 on disk, UTF-8 in the control
  dlg->WriteOptionsFile();
  const TRegleOptions written = dlg->Options();
  auto d = Create();
  EXPECT_EQ(d->EditLongueur->text(), QString::fromUtf8("Règle"));
  EXPECT_EQ(d->EditPasRot->text(), "1,5E-3");
  const TRegleOptions read = d->Options();
  EXPECT_EQ(read.ButtonShown, written.ButtonShown);
  EXPECT_EQ(read.PixelsPerCm, written.PixelsPerCm);
  EXPECT_EQ(read.RotationStep, 0.0015);
  EXPECT_EQ(read.BodyColor, written.BodyColor);
  EXPECT_EQ(read.Sweep, written.Sweep);
}

TEST_F(RulerOptions, EveryCutOfTheFileKeepsTheDefaultsForWhatIsMissing) {
  std::array<size_t, kFields> ends{};
  const std::vector<uint8_t> file = OptionsFile(5, kCustom, &ends);
  for (size_t n = 0; n < file.size(); ++n) {
    SCOPED_TRACE(n);
    dlg->LoadDefaults();
    platform::MemoryStream s({file.begin(), file.begin() + ptrdiff_t(n)});
    EXPECT_NO_THROW(dlg->ReadOptionsFile(s));
    ExpectControls(*dlg, Overlay(kCustom, [&](Field f) { return ends[f] <= n; }));
  }
  EXPECT_TRUE(dialogs.calls().empty());
}

TEST_F(RulerOptions, DamagedScaleTextKeepsTheScale) {
  FileValues damaged = kCustom;
  damaged.PixelsPerCmText = "abc!";
  Read(OptionsFile(5, damaged));
  FileValues e = kCustom;
  e.PixelsPerCm = kDefaults.PixelsPerCm;
  ExpectControls(*dlg, e);
  // A file from a locale with another decimal separator still reads.
  damaged.PixelsPerCmText = "45.5";
  Read(OptionsFile(5, damaged));
  EXPECT_DOUBLE_EQ(dlg->EditPPC->value(), 45.5);
}

TEST_F(RulerOptions, FailedWriteLeavesTheOldFile) {
  const std::vector<uint8_t> old = OptionsFile(2, kCustom);
  PutFile(Path(), old);
  dlg->EditLongueur->setText("13");
  // Every write to a file fails in this process, as on a full disk.
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto previous = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 0;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  dlg->WriteOptionsFile();
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);

  EXPECT_EQ(FileBytes(Path()), old);
  ASSERT_EQ(dialogs.callsOf("message").size(), 1u);
  EXPECT_EQ(dialogs.callsOf("message")[0].caption, "Erreur");
  EXPECT_EQ(Text(dlg->EditLongueur), "13");
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"Regles.opt"});
}

// ---- Control handlers

TEST_F(RulerOptions, LengthAndWidthAreCorrectedWhenLeft) {
  struct Case {
    QLineEdit* edit;
    const char* typed;
    const char* corrected;
  };
  for (const Case& c : {Case{dlg->EditLongueur, "25", "20"}, Case{dlg->EditLongueur, "abc", "15"},
                        Case{dlg->EditLongueur, "9", "10"}, Case{dlg->EditLongueur, " 12", "12"},
                        Case{dlg->EditLongueur, "12,5", "15"}, Case{dlg->EditLargeur, "200", "120"},
                        Case{dlg->EditLargeur, "x", "80"}, Case{dlg->EditLargeur, "59", "60"},
                        Case{dlg->EditLargeur, "100", "100"}}) {
    SCOPED_TRACE(c.typed);
    c.edit->setText(c.typed);
    // Another window taking the activation is not leaving the field.
    QFocusEvent away(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(c.edit, &away);
    EXPECT_EQ(Text(c.edit), c.typed);
    QFocusEvent tab(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(c.edit, &tab);
    EXPECT_EQ(Text(c.edit), c.corrected);
  }
}

TEST_F(RulerOptions, PercentageAndScaleFollowEachOther) {
  dlg->CBBPourcent->setCurrentIndex(2);  // "150%" from the list
  emit dlg->CBBPourcent->textActivated(dlg->CBBPourcent->currentText());
  EXPECT_EQ(dlg->EditPPC->text(), "56,693");
  EXPECT_EQ(dlg->PanelRegle->width(), 283);
  EXPECT_EQ(dlg->CBBPourcent->currentText(), "150%");

  dlg->EditPPC->clear();
  QTest::keyClicks(dlg->EditPPC, "50");
  EXPECT_DOUBLE_EQ(dlg->EditPPC->value(), 50);
  EXPECT_EQ(dlg->CBBPourcent->currentText(), "132%");
  EXPECT_EQ(dlg->PanelRegle->width(), 250);

  // Typed percentages count once confirmed; only the first three characters are read.
  struct Case {
    const char* typed;
    const char* scale;
    const char* shown;
  };
  for (const Case& c : {Case{"200%", "75,591", "200%"}, Case{"abc", "37,795", "100%"},
                        Case{"75%", "37,795", "100%"}, Case{"1000", "37,795", "100%"},
                        Case{"50", "18,898", "50%"}}) {
    SCOPED_TRACE(c.typed);
    dlg->EditPPC->setValue(60);
    dlg->CBBPourcent->lineEdit()->setText(c.typed);
    QTest::keyClick(dlg->CBBPourcent->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(dlg->EditPPC->text(), c.scale);
    EXPECT_EQ(dlg->CBBPourcent->currentText(), c.shown);
  }
}

TEST_F(RulerOptions, KindShowsItsPicture) {
  dlg->RBReglet->click();
  EXPECT_TRUE(dlg->RBReglet->isChecked());
  EXPECT_TRUE(dlg->Image2->isVisibleTo(dlg.get()));
  EXPECT_FALSE(dlg->Image1->isVisibleTo(dlg.get()));
  dlg->RBRegle->click();
  EXPECT_TRUE(dlg->Image1->isVisibleTo(dlg.get()));
  EXPECT_FALSE(dlg->Image2->isVisibleTo(dlg.get()));
  EXPECT_NE(dlg->Image1->pixmap().width(), dlg->Image2->pixmap().width());  // the margin
}

TEST_F(RulerOptions, TransparentBodyAndItsColour) {
  dialogs.queueColour(0x112233);
  QTest::mouseClick(dlg->RectCouleurRegle, Qt::LeftButton);
  EXPECT_EQ(dlg->RectCouleurRegle->BrushColor(), 0x112233u);

  dlg->ChBRegleTransp->click();
  EXPECT_TRUE(dlg->RectCouleurRegle->BrushClear());
  EXPECT_EQ(dlg->Options().BodyColor, 0x112233u);
  // No picker while the body is transparent (an unscripted picker would throw).
  QTest::mouseClick(dlg->RectCouleurRegle, Qt::LeftButton);
  EXPECT_EQ(dialogs.callsOf("colour").size(), 1u);

  dlg->ChBRegleTransp->click();
  EXPECT_FALSE(dlg->RectCouleurRegle->BrushClear());
  EXPECT_EQ(dlg->RectCouleurRegle->BrushColor(), 9039853u);
}

TEST_F(RulerOptions, ColourPickersChangeOnlyWhenAColourIsChosen) {
  struct Target {
    QWidget* widget;
    std::function<TColor()> colour;
  };
  const TDlgOptions& d = *dlg;
  for (const Target& t :
       {Target{dlg->RectCouleurDos, [&] { return d.RectCouleurDos->BrushColor(); }},
        Target{dlg->LabelCouleurCm, [&] { return d.LabelCouleurCm->FontColor(); }},
        Target{dlg->LabelCouleurDemiCm, [&] { return d.LabelCouleurDemiCm->FontColor(); }},
        Target{dlg->LabelCouleurmm, [&] { return d.LabelCouleurmm->FontColor(); }}}) {
    SCOPED_TRACE(t.widget->objectName().toStdString());
    const TColor before = t.colour();
    dialogs.queueColour(std::nullopt);
    QTest::mouseClick(t.widget, Qt::LeftButton);
    EXPECT_EQ(t.colour(), before);
    dialogs.queueColour(0x00ABCDEF);
    QTest::mouseClick(t.widget, Qt::LeftButton);
    EXPECT_EQ(t.colour(), 0x00ABCDEFu);
  }
  EXPECT_TRUE(dialogs.allAnswersUsed());
}

TEST_F(RulerOptions, AboutBoxFromItsButton) {
  QString shown;
  dialogs.queueModal(1, [&](QDialog& d) {
    shown = d.findChild<QLabel*>("name")->text();
    EXPECT_EQ(d.windowTitle(), "A propos");
  });
  dlg->Button1->click();
  EXPECT_EQ(shown, QString::fromUtf8("La règle graduée"));
}

// ---- The ruler

TEST_F(RulerOptions, OptionsAreTheControlsAsTheRulerTakesThem) {
  Read(OptionsFile(5, kCustom));
  TRegleOptions o = dlg->Options();
  // Boxes T1..T8 and Sym are buttons 7, 9, 2, 1, 8, 6, 3, 10 and 11; 4 and 5 have none.
  const std::array<bool, 12> shown{false, true, true,  false, true,  true,
                                   true,  true, false, false, false, false};
  EXPECT_EQ(o.ButtonShown, shown);
  for (int i = 0; i <= 13; ++i) EXPECT_EQ(dlg->ButtonShown(i), i < 1 || i > 11 || shown[size_t(i)]);
  EXPECT_DOUBLE_EQ(o.PixelsPerCm, 45.5);
  EXPECT_TRUE(o.Reglet);
  EXPECT_EQ(o.LengthCm, 12);
  EXPECT_EQ(o.WidthPx, 100);
  EXPECT_TRUE(o.Transparent);
  EXPECT_EQ(o.CmColor, kCustom.Cm);
  EXPECT_EQ(o.HalfCmColor, kCustom.HalfCm);
  EXPECT_EQ(o.MmColor, kCustom.Mm);
  EXPECT_EQ(o.BodyColor, kCustom.Body);
  EXPECT_EQ(o.BackColor, kCustom.Back);
  EXPECT_FALSE(o.ShowCm);
  EXPECT_TRUE(o.ShowHalfCm);
  EXPECT_FALSE(o.ShowMm);
  EXPECT_EQ(o.RotationStep, 0.05);
  EXPECT_EQ(o.TranslationStep, 7);
  EXPECT_EQ(o.RepeatDelay, 800);
  EXPECT_EQ(o.RepeatInterval, 150);
  EXPECT_EQ(o.SweepInterval, 3000);
  EXPECT_TRUE(o.Sweep);

  // Texts that are not numbers come out empty; the ruler supplies its fall-backs.
  for (QLineEdit* e : {dlg->EditLongueur, dlg->EditLargeur, dlg->EditPasRot, dlg->EditPasTransl,
                       dlg->EditDecl, dlg->EditRep, dlg->EditBalay})
    e->setText("1x");
  o = dlg->Options();
  EXPECT_FALSE(o.LengthCm || o.WidthPx || o.RotationStep || o.TranslationStep || o.RepeatDelay ||
               o.RepeatInterval || o.SweepInterval);
  dlg->EditPasRot->setText("0.02");  // the other separator is taken too
  EXPECT_EQ(dlg->Options().RotationStep, 0.02);
}

TEST_F(RulerOptions, ShowOptionsWritesTheRulersStateIn) {
  DialogHost host(*dlg);
  TRegle ruler(host, 96);
  // A 12 cm "Réglet", 100 pixels wide, one box off, sweep paused, a transparent body.
  dlg->RBRegletClick();
  dlg->EditLongueur->setText("12");
  dlg->EditLargeur->setText("100");
  dlg->chbT5->setChecked(false);
  dlg->chbBalay->setChecked(true);
  dlg->EditPasRot->setText("0,025");
  dlg->EditPasTransl->setText("9");
  dlg->EditBalay->setText("2500");
  dlg->ChBRegleTransp->click();
  dlg->ChBmm->setChecked(false);
  dialogs.queueColour(0x00C0FFEE);
  QTest::mouseClick(dlg->LabelCouleurDemiCm, Qt::LeftButton);
  ruler.ApplyOptions();
  ruler.SetSweepState(1);
  EXPECT_EQ(ruler.LengthPx, 476);  // Nearest(126 · 3,7795)

  // The dialog then drifts; the fields the ruler does not hold keep the drift.
  dlg->LoadDefaults();
  dlg->EditPPC->setValue(40);
  dlg->EditDecl->setText("700");
  dlg->EditRep->setText("90");
  dialogs.queueColour(0x000E0E0E);
  QTest::mouseClick(dlg->RectCouleurRegle, Qt::LeftButton);
  dialogs.queueColour(0x0000EE00);
  QTest::mouseClick(dlg->RectCouleurDos, Qt::LeftButton);

  bool checked = false;
  dialogs.queueModal(0, [&](QDialog&) {
    EXPECT_TRUE(dlg->RBReglet->isChecked());
    EXPECT_TRUE(dlg->Image2->isVisibleTo(dlg.get()));
    EXPECT_EQ(Text(dlg->EditLongueur), "12");
    EXPECT_EQ(Text(dlg->EditLargeur), "100");
    EXPECT_FALSE(dlg->chbT5->isChecked());
    EXPECT_TRUE(dlg->chbT6->isChecked());
    EXPECT_TRUE(dlg->chbBalay->isChecked());
    EXPECT_EQ(Text(dlg->EditPasRot), "0,025");
    EXPECT_EQ(Text(dlg->EditPasTransl), "9");
    EXPECT_EQ(Text(dlg->EditBalay), "2500");
    EXPECT_TRUE(dlg->ChBRegleTransp->isChecked());
    EXPECT_TRUE(dlg->RectCouleurRegle->BrushClear());
    EXPECT_EQ(dlg->RectCouleurRegle->BrushColor(), 0x000E0E0Eu);
    EXPECT_EQ(dlg->LabelCouleurDemiCm->FontColor(), 0x00C0FFEEu);
    EXPECT_FALSE(dlg->ChBmm->isChecked());
    EXPECT_DOUBLE_EQ(dlg->EditPPC->value(), 40);
    EXPECT_EQ(Text(dlg->EditDecl), "700");
    EXPECT_EQ(Text(dlg->EditRep), "90");
    EXPECT_EQ(dlg->RectCouleurDos->BrushColor(), 0x0000EE00u);
    checked = true;
  });
  EXPECT_FALSE(dlg->ShowOptions(ruler));
  EXPECT_TRUE(checked);

  // A 15 cm "Règle", sweep off; OK from the keyboard still corrects the length.
  dlg->LoadDefaults();
  ruler.ApplyOptions();
  ruler.RotationStep = 1e-6;
  dialogs.queueModal(1, [&](QDialog&) {
    EXPECT_TRUE(dlg->RBRegle->isChecked());
    EXPECT_EQ(Text(dlg->EditLongueur), "15");
    EXPECT_FALSE(dlg->chbBalay->isChecked());
    EXPECT_EQ(Text(dlg->EditPasRot), "1E-6");
    dlg->EditLongueur->setText("25");
  });
  EXPECT_TRUE(dlg->ShowOptions(ruler));
  EXPECT_EQ(Text(dlg->EditLongueur), "20");
}

TEST(RulerOptionsNumbers, GeneralFormatHasFifteenDigitsAndTheLocaleSeparator) {
  const QLocale fr(QLocale::French, QLocale::France);
  struct Case {
    double v;
    const char* fr;
    const char* c;
  };
  for (const Case& k : {Case{0.01, "0,01", "0.01"}, Case{0.1 + 0.2, "0,3", "0.3"},
                        Case{1.0 / 3, "0,333333333333333", "0.333333333333333"}, Case{2, "2", "2"},
                        Case{-0.5, "-0,5", "-0.5"}, Case{0.00001, "0,00001", "0.00001"},
                        Case{1e-6, "1E-6", "1E-6"}, Case{1.5e-7, "1,5E-7", "1.5E-7"},
                        Case{123456.789, "123456,789", "123456.789"}, Case{1e15, "1E15", "1E15"}}) {
    SCOPED_TRACE(k.v);
    EXPECT_EQ(FloatToStrGeneral(k.v, fr), k.fr);
    EXPECT_EQ(FloatToStrGeneral(k.v, QLocale::c()), k.c);
    EXPECT_EQ(StrToFloatOpt(QString(k.fr), fr), QLocale::c().toDouble(k.c));
  }
  EXPECT_EQ(StrToFloatOpt("1 000", fr), std::nullopt);
  EXPECT_EQ(StrToFloatOpt("", fr), std::nullopt);
  EXPECT_EQ(StrToFloatOpt("inf", QLocale::c()), std::nullopt);
}
