// The sheet options: the defaults, options records of every version built by hand from the
// field table (the grid and frame records inside them too), files cut short, the options put
// in force, and the dialog: captions, handlers, the record through its controls, the file.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <csignal>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "platform/Screen.h"
#include "platform/ScriptedDialogs.h"
#include "platform/Streams.h"
#include "sheet/objects/uArcs.h"
#include "sheet/objects/uPointGs.h"
#include "sheet/overlays/UDlgGrille.h"
#include "sheet/overlays/UDlgOptions.h"
#include "sheet/overlays/UDlgRepere.h"
#include "sheet/overlays/uOptions.h"
#include "tests/support/Bytes.h"

using platform::MemoryStream;
using platform::StreamError;

namespace {

std::vector<uint8_t> Cp(const std::string& ascii) {
  return {ascii.begin(), ascii.end()};
}

// The embedded records, field by field from their tables.
Bytes& GridBytes(Bytes& b, uint16_t version, const TGridSettings& g) {
  b.u16(version).i32(g.SpacingX).i32(g.SpacingY).i32(g.ColourIndex).u8(g.Lines);
  if (version >= 1) b.u8(g.Mark5).u8(g.Mark10);
  if (version >= 2) b.str(Cp(g.OriginX)).str(Cp(g.OriginY)).str(Cp(g.Width)).str(Cp(g.Height));
  return b;
}
Bytes& FrameBytes(Bytes& b, const TFrameSettings& f) {
  return b.u16(3)
      .i32(f.SpacingX)
      .i32(f.SpacingY)
      .i32(f.ColourIndex)
      .u8(f.LinkToGrid)
      .pt(f.Origin.x, f.Origin.y)
      .u8(f.XDirection)
      .u8(f.YDirection);
}
// The options record as the writer must put it: version 2, all ten fields.
std::vector<uint8_t> V2Bytes(const TOptionsRecord& r) {
  const TSheetOptions& o = r.Options;
  Bytes b;
  b.u16(2).u8(o.Orientation == 0).u8(o.DragDropEnabled).u8(o.CopyPasteEnabled);
  b.u8(o.DrawArcCentres).u8(o.GridShown);
  GridBytes(b, 2, r.Grid).u8(o.FrameShown);
  FrameBytes(b, r.Frame).u8(o.PointSize);
  return b.b;
}

// Unlike the defaults in every field.
TOptionsRecord Custom() {
  TOptionsRecord r;
  r.Options = {.Orientation = 1,
               .DragDropEnabled = false,
               .CopyPasteEnabled = false,
               .DrawArcCentres = true,
               .GridShown = true,
               .FrameShown = true,
               .PointSize = 3};
  r.Grid = {.OriginX = "10",
            .OriginY = "20",
            .Width = "150",
            .Height = "90",
            .SpacingX = 5,
            .SpacingY = 7,
            .ColourIndex = 12,
            .Lines = false,
            .Mark5 = true,
            .Mark10 = false};
  r.Frame = {.SpacingX = 3,
             .SpacingY = 4,
             .ColourIndex = 9,
             .LinkToGrid = false,
             .Origin = {120, -40},
             .XDirection = 0,
             .YDirection = 1};
  return r;
}

// What is in force before a record is read, unlike the defaults and the records below.
TOptionsRecord Held() {
  TOptionsRecord r;
  r.Options = {.Orientation = 0,
               .DragDropEnabled = false,
               .CopyPasteEnabled = false,
               .DrawArcCentres = true,
               .GridShown = true,
               .FrameShown = true,
               .PointSize = 3};
  r.Grid = {.OriginX = "1",
            .OriginY = "2",
            .Width = "3",
            .Height = "4",
            .SpacingX = 33,
            .SpacingY = 34,
            .ColourIndex = 15,
            .Lines = true,
            .Mark5 = true,
            .Mark10 = true};
  r.Frame = {.SpacingX = 44,
             .SpacingY = 45,
             .ColourIndex = 2,
             .LinkToGrid = true,
             .Origin = {7, 8},
             .XDirection = 0,
             .YDirection = 0};
  return r;
}

// The main window as the options see it.
struct FakeSheet {
  uint8_t orientation = 0;
  bool dragDrop = true, copyPaste = true;
  std::vector<uint8_t> turns;  // every ChangeOrientation asked
  int editSets = 0;
  TOptionsSheet Bind() {
    TOptionsSheet s;
    s.Orientation = [this] { return orientation; };
    s.ChangeOrientation = [this](uint8_t o) {
      turns.push_back(o);
      orientation = o;
    };
    s.DragDropEnabled = [this] { return dragDrop; };
    s.CopyPasteEnabled = [this] { return copyPaste; };
    s.SetEditOptions = [this](bool d, bool c) {
      ++editSets;
      dragDrop = d;
      copyPaste = c;
    };
    return s;
  }
};

void PutFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}
std::vector<uint8_t> FileBytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), {}};
}

// The option globals are process-wide: every test starts and ends with the defaults.
struct OptionsBase : ::testing::Test {
  void SetUp() override { Reset(); }
  void TearDown() override { Reset(); }
  static void Reset() {
    PointSize = 1;
    DrawArcCentres = false;
    GridShown = false;
    FrameShown = false;
  }
  static TSheetOptions Globals(uint8_t orientation, bool dragDrop, bool copyPaste) {
    return {orientation, dragDrop,   copyPaste,         DrawArcCentres,
            GridShown,   FrameShown, uint8_t(PointSize)};
  }

  QTemporaryDir dir;
  std::string Path() const { return dir.filePath("Zeridazs.opt").toStdString(); }
};

using SheetOptions = OptionsBase;

}  // namespace

// ---- Values, record and file, without the dialog

TEST_F(SheetOptions, WithoutAFileTheDefaultsAndTheHeldGridAndFrame) {
  EXPECT_EQ(SheetOptionsPath(), platform::programDir() + "Zeridazs.opt");
  TOptionsRecord r = Held();
  r.Options = Custom().Options;
  EXPECT_EQ(LoadSheetOptions(Path(), r), TOptionsLoad::Missing);
  EXPECT_EQ(r.Options, (TSheetOptions{.Orientation = 0,
                                      .DragDropEnabled = true,
                                      .CopyPasteEnabled = true,
                                      .DrawArcCentres = false,
                                      .GridShown = false,
                                      .FrameShown = false,
                                      .PointSize = 1}));
  EXPECT_EQ(r.Grid, Held().Grid);
  EXPECT_EQ(r.Frame, Held().Frame);
}

TEST_F(SheetOptions, RecordsOfEveryVersionReadAndWriteBackAsVersion2) {
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    uint16_t version;
    TOptionsRecord expected;  // read over Held()
    bool exact = false;       // written back byte for byte
  };
  std::vector<Case> cases;
  {
    // Version 0: four booleans, then the point size; any non-zero byte is true. The switches
    // stay as they were.
    Case c{"v0", Bytes().u16(0).u8(0).u8(2).u8(255).u8(0).u8(1).b, 0, Held()};
    c.expected.Options = {.Orientation = 1,
                          .DragDropEnabled = true,
                          .CopyPasteEnabled = true,
                          .DrawArcCentres = false,
                          .GridShown = true,
                          .FrameShown = true,
                          .PointSize = 1};
    cases.push_back(c);
  }
  {
    // Version 1, landscape, a version 1 grid record: the grid area becomes the landscape page
    // of the record, not the portrait one in force. The frame stays as it was.
    TOptionsRecord e = Held();
    e.Options = {.Orientation = 1,
                 .DragDropEnabled = true,
                 .CopyPasteEnabled = true,
                 .DrawArcCentres = false,
                 .GridShown = false,
                 .FrameShown = true,
                 .PointSize = 2};
    e.Grid = {.OriginX = "0",
              .OriginY = "0",
              .Width = "297",
              .Height = "210",
              .SpacingX = 20,
              .SpacingY = 25,
              .ColourIndex = 3,
              .Lines = false,
              .Mark5 = false,
              .Mark10 = true};
    Bytes b;
    b.u16(1).u8(0).u8(1).u8(1).u8(0).u8(0);
    GridBytes(b, 1, e.Grid).u8(2);
    cases.push_back({"v1", b.b, 1, e});
  }
  {
    // Version 2, every field unlike the defaults.
    Bytes b;
    b.u16(2).u8(0).u8(0).u8(0).u8(1).u8(1);
    GridBytes(b, 2, Custom().Grid).u8(1);
    FrameBytes(b, Custom().Frame).u8(3);
    cases.push_back({"v2", b.b, 2, Custom(), true});
  }
  {
    // Bytes as they come: a portrait byte of 5 is portrait, a point size of 0 stays 0.
    TOptionsRecord e = Custom();
    e.Options.Orientation = 0;
    e.Options.PointSize = 0;
    std::vector<uint8_t> bytes = V2Bytes(Custom());
    bytes[2] = 5;
    bytes.back() = 0;
    cases.push_back({"v2 raw bytes", bytes, 2, e});
  }

  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryStream in(c.bytes);
    TOptionsRecord r = Held();
    EXPECT_EQ(ReadOptionsRecord(in, r), c.version);
    EXPECT_EQ(in.remaining(), 0u);
    EXPECT_EQ(r, c.expected);

    MemoryStream out;
    WriteOptionsRecord(out, r);
    EXPECT_EQ(out.bytes(), V2Bytes(c.expected));
    if (c.exact) {
      EXPECT_EQ(out.bytes(), c.bytes);
    }
  }
}

TEST_F(SheetOptions, AFileCutShortKeepsTheDefaultsForWhatItLacks) {
  const TOptionsRecord full = Custom();
  const std::vector<uint8_t> bytes = V2Bytes(full);
  const size_t gridEnd = 7 + 2 + 3 * 4 + 3 + 4 * 4 + (2 + 2 + 3 + 2);  // switch, then record
  const size_t frameEnd = gridEnd + 1 + 2 + 3 * 4 + 1 + 2 * 4 + 2;
  ASSERT_EQ(bytes.size(), frameEnd + 1);

  // The field each byte count completes, in the record's order.
  using Take = std::function<void(TOptionsRecord&)>;
  const std::vector<std::pair<size_t, Take>> fields{
      {3, [&](TOptionsRecord& r) { r.Options.Orientation = full.Options.Orientation; }},
      {4, [&](TOptionsRecord& r) { r.Options.DragDropEnabled = full.Options.DragDropEnabled; }},
      {5, [&](TOptionsRecord& r) { r.Options.CopyPasteEnabled = full.Options.CopyPasteEnabled; }},
      {6, [&](TOptionsRecord& r) { r.Options.DrawArcCentres = full.Options.DrawArcCentres; }},
      {7, [&](TOptionsRecord& r) { r.Options.GridShown = full.Options.GridShown; }},
      {gridEnd, [&](TOptionsRecord& r) { r.Grid = full.Grid; }},
      {gridEnd + 1, [&](TOptionsRecord& r) { r.Options.FrameShown = full.Options.FrameShown; }},
      {frameEnd, [&](TOptionsRecord& r) { r.Frame = full.Frame; }},
      {frameEnd + 1, [&](TOptionsRecord& r) { r.Options.PointSize = full.Options.PointSize; }},
  };

  for (size_t n = 0; n <= bytes.size(); ++n) {
    SCOPED_TRACE(n);
    const std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + long(n));
    PutFile(Path(), cut);
    TOptionsRecord expected = Held();
    expected.Options = TSheetOptions{};
    for (const auto& [end, take] : fields)
      if (n >= end) take(expected);

    TOptionsRecord r = Held();
    r.Options = full.Options;  // replaced by the defaults, then by what the file holds
    TOptionsLoad result = TOptionsLoad::Missing;
    ASSERT_NO_THROW(result = LoadSheetOptions(Path(), r));
    EXPECT_EQ(result, n == bytes.size() ? TOptionsLoad::Read : TOptionsLoad::Short);
    EXPECT_EQ(r, expected);

    // Read from a block file, the same cut is an error.
    if (n < bytes.size()) {
      MemoryStream in(cut);
      TOptionsRecord scratch = Held();
      EXPECT_THROW(ReadOptionsRecord(in, scratch), StreamError);
    }
  }
}

TEST_F(SheetOptions, AFileThatCannotBeOpenedRaises) {
  ASSERT_TRUE(QDir(dir.path()).mkdir("Zeridazs.opt"));
  TOptionsRecord r = Held();
  EXPECT_THROW(LoadSheetOptions(Path(), r), StreamError);
}

TEST_F(SheetOptions, ApplySetsTheGlobalsAndAsksTheSheetForTheOrientation) {
  FakeSheet sheet;
  const TOptionsSheet bound = sheet.Bind();
  const TSheetOptions custom = Custom().Options;
  ApplySheetOptions(custom, bound);
  EXPECT_EQ(sheet.turns, std::vector<uint8_t>{1});
  EXPECT_EQ(sheet.editSets, 1);
  EXPECT_EQ(Globals(sheet.orientation, sheet.dragDrop, sheet.copyPaste), custom);
  EXPECT_EQ(PointSize, 3);
  EXPECT_TRUE(DrawArcCentres && GridShown && FrameShown);
  EXPECT_EQ(SheetOptionsInForce(bound), custom);

  ApplySheetOptions(TSheetOptions{}, bound);
  EXPECT_EQ(sheet.turns, (std::vector<uint8_t>{1, 0}));
  EXPECT_EQ(SheetOptionsInForce(bound), TSheetOptions{});
  EXPECT_EQ(PointSize, 1);
}

// ---- The dialog

namespace {

struct OptionsDialog : OptionsBase {
  platform::ScriptedDialogs scripted;
  FakeSheet sheet;
  TDlgGrille grille;
  TDlgRepere repere;
  TDlgOptions dlg{grille, repere};
  int repaints = 0;

  void SetUp() override {
    OptionsBase::SetUp();
    platform::setDialogs(&scripted);
    dlg.Sheet = sheet.Bind();
    dlg.RepaintWorkArea = [this] { ++repaints; };
    dlg.OptionsPath = Path();
  }
  void TearDown() override {
    platform::setDialogs(nullptr);
    OptionsBase::TearDown();
  }
  std::vector<std::string> Messages() const {
    std::vector<std::string> texts;
    for (const auto& c : scripted.callsOf("message")) texts.push_back(c.text);
    return texts;
  }
};

QString u(const char* utf8) {
  return QString::fromUtf8(utf8);
}

void ExpectRadios(const TDlgOptions& d, int size) {
  EXPECT_EQ(d.RBPoint1->isChecked(), size == 1);
  EXPECT_EQ(d.RBPoint2->isChecked(), size == 2);
  EXPECT_EQ(d.RBPoint3->isChecked(), size == 3);
}

}  // namespace

TEST_F(OptionsDialog, CaptionsAndStartingState) {
  EXPECT_EQ(dlg.windowTitle(), "Options");
  EXPECT_EQ(dlg.GBOrientation->title(), "Orientation des feuilles");
  EXPECT_EQ(dlg.GBPoints->title(), "Points");
  const std::vector<std::pair<QAbstractButton*, const char*>> captions{
      {dlg.RBPortrait, "Portrait"},
      {dlg.RBPaysage, "Paysage"},
      {dlg.ChBGDeposer, "Glisser-Déposer des objets"},
      {dlg.ChBCpColler, "Copier-Coller des objets"},
      {dlg.ChBTrCentre, "Tracé du centre des arcs de cercle"},
      {dlg.ChBGrille, "Grille"},
      {dlg.BoutOptionsGrilles, "Options"},
      {dlg.chbRepere, "Repère"},
      {dlg.BoutOptionsRepere, "Options"},
      {dlg.RBPoint1, "Petits"},
      {dlg.RBPoint2, "Moyens"},
      {dlg.RBPoint3, "Gros"},
      {dlg.BoutEnreg, "Enregistrer ces options"},
      {dlg.BoutOk, "OK"},
      {dlg.BitBtn1, "Annuler"},
  };
  for (const auto& [button, text] : captions) EXPECT_EQ(button->text(), u(text)) << text;
  // The orientation and the point radios choose apart.
  EXPECT_EQ(dlg.RBPortrait->parent(), dlg.GBOrientation);
  EXPECT_EQ(dlg.RBPoint1->parent(), dlg.GBPoints);

  EXPECT_EQ(dlg.ControlValues(), TSheetOptions{});
  EXPECT_TRUE(dlg.RBPortrait->isChecked());
  EXPECT_FALSE(dlg.BoutOptionsGrilles->isEnabled());
  EXPECT_FALSE(dlg.BoutOptionsRepere->isEnabled());
}

TEST_F(OptionsDialog, OptionsButtonsFollowTheirBoxes) {
  for (auto [box, button] : {std::pair{dlg.ChBGrille, dlg.BoutOptionsGrilles},
                             std::pair{dlg.chbRepere, dlg.BoutOptionsRepere}}) {
    SCOPED_TRACE(box->text().toStdString());
    box->click();
    EXPECT_TRUE(button->isEnabled());
    box->click();
    EXPECT_FALSE(button->isEnabled());
  }
  // Also when the boxes follow the switches.
  GridShown = true;
  dlg.ShowSheetOptions();
  EXPECT_TRUE(dlg.BoutOptionsGrilles->isEnabled());
  EXPECT_FALSE(dlg.BoutOptionsRepere->isEnabled());
}

TEST_F(OptionsDialog, OkPutsTheControlsInForceCancelLeavesThem) {
  dlg.RBPaysage->setChecked(true);
  dlg.ChBGDeposer->setChecked(false);
  dlg.ChBTrCentre->setChecked(true);
  dlg.chbRepere->setChecked(true);
  dlg.RBPoint2->setChecked(true);

  dlg.BitBtn1->click();
  EXPECT_EQ(dlg.result(), QDialog::Rejected);
  EXPECT_TRUE(sheet.turns.empty());
  EXPECT_EQ(PointSize, 1);
  EXPECT_EQ(repaints, 0);
  // Cancelled controls stay until the dialog is shown again.
  EXPECT_TRUE(dlg.RBPaysage->isChecked());

  dlg.BoutOk->click();
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
  EXPECT_EQ(sheet.turns, std::vector<uint8_t>{1});
  EXPECT_EQ(Globals(sheet.orientation, sheet.dragDrop, sheet.copyPaste),
            (TSheetOptions{.Orientation = 1,
                           .DragDropEnabled = false,
                           .CopyPasteEnabled = true,
                           .DrawArcCentres = true,
                           .GridShown = false,
                           .FrameShown = true,
                           .PointSize = 2}));
  EXPECT_EQ(repaints, 1);
}

TEST_F(OptionsDialog, ShowingRefreshesTheControlsFromTheOptionsInForce) {
  dlg.ChBCpColler->setChecked(false);
  dlg.RBPoint3->setChecked(true);
  sheet.orientation = 1;
  sheet.dragDrop = false;
  DrawArcCentres = true;
  GridShown = true;
  PointSize = 2;
  dlg.show();
  EXPECT_EQ(dlg.ControlValues(), Globals(1, false, true));
  dlg.hide();

  // A size without a radio button leaves them as they were.
  PointSize = 7;
  dlg.FormActivate();
  ExpectRadios(dlg, 2);
}

TEST_F(OptionsDialog, TheRecordIsTakenFromTheControlsAndReadBackIntoThem) {
  struct Case {
    const char* name;
    std::function<void(TDlgOptions&)> set;
  };
  const std::vector<Case> cases{
      {"defaults", [](TDlgOptions&) {}},
      {"landscape, small points",
       [](TDlgOptions& d) {
         d.RBPaysage->setChecked(true);
         d.ChBCpColler->setChecked(false);
         d.ChBGrille->setChecked(true);
       }},
      {"medium points",
       [](TDlgOptions& d) {
         d.ChBGDeposer->setChecked(false);
         d.ChBTrCentre->setChecked(true);
         d.RBPoint2->setChecked(true);
       }},
      {"everything else",
       [](TDlgOptions& d) {
         d.RBPaysage->setChecked(true);
         d.ChBGDeposer->setChecked(false);
         d.ChBCpColler->setChecked(false);
         d.ChBTrCentre->setChecked(true);
         d.ChBGrille->setChecked(true);
         d.chbRepere->setChecked(true);
         d.RBPoint3->setChecked(true);
       }},
  };
  grille.SetSettings(Custom().Grid);
  repere.SetSettings(Custom().Frame);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Reset();
    dlg.SetControls(TSheetOptions{});
    c.set(dlg);
    MemoryStream out;
    dlg.WriteOptionsRecord(out);
    // Writing puts nothing in force.
    EXPECT_TRUE(sheet.turns.empty());
    EXPECT_EQ(SheetOptionsInForce(dlg.Sheet), TSheetOptions{});

    // Another sheet reads it, as from a block file.
    Reset();
    FakeSheet other;
    TDlgGrille otherGrille;
    TDlgRepere otherRepere;
    TDlgOptions reader(otherGrille, otherRepere);
    reader.Sheet = other.Bind();
    out.seek(0);
    reader.ReadOptionsRecord(out);
    EXPECT_EQ(out.remaining(), 0u);
    EXPECT_EQ(reader.ControlValues(), dlg.ControlValues());
    EXPECT_EQ(SheetOptionsInForce(reader.Sheet), dlg.ControlValues());
    EXPECT_EQ(otherGrille.Settings(), Custom().Grid);
    EXPECT_EQ(otherRepere.Settings(), Custom().Frame);
  }
}

TEST_F(OptionsDialog, AShortBlockRecordChangesNothing) {
  std::vector<uint8_t> bytes = V2Bytes(Custom());
  bytes.pop_back();
  MemoryStream in(bytes);
  EXPECT_THROW(dlg.ReadOptionsRecord(in), StreamError);
  EXPECT_TRUE(sheet.turns.empty());
  EXPECT_EQ(sheet.editSets, 0);
  EXPECT_EQ(SheetOptionsInForce(dlg.Sheet), TSheetOptions{});
  EXPECT_EQ(dlg.ControlValues(), TSheetOptions{});
  EXPECT_EQ(grille.Settings(), TGridSettings{});
  EXPECT_EQ(repere.Settings(), TFrameSettings{});
}

TEST_F(OptionsDialog, SavedOptionsAreThoseOfTheNextStart) {
  dlg.RBPaysage->setChecked(true);
  dlg.ChBCpColler->setChecked(false);
  dlg.chbRepere->setChecked(true);
  dlg.RBPoint3->setChecked(true);
  grille.SetSettings(Custom().Grid);
  repere.SetSettings(Custom().Frame);
  dlg.BoutEnregClick();
  EXPECT_TRUE(Messages().empty());
  const TOptionsRecord saved{dlg.ControlValues(), Custom().Grid, Custom().Frame};
  EXPECT_EQ(FileBytes(Path()), V2Bytes(saved));
  // Saving puts nothing in force.
  EXPECT_TRUE(sheet.turns.empty());
  EXPECT_EQ(PointSize, 1);

  // The next start, at the first activation.
  FakeSheet next;
  TDlgGrille nextGrille;
  TDlgRepere nextRepere;
  TDlgOptions started(nextGrille, nextRepere);
  started.Sheet = next.Bind();
  started.OptionsPath = Path();
  started.LoadSheetOptions();
  EXPECT_EQ(next.turns, std::vector<uint8_t>{1});
  EXPECT_EQ(PointSize, 3);
  EXPECT_EQ(SheetOptionsInForce(started.Sheet), saved.Options);
  EXPECT_EQ(started.ControlValues(), saved.Options);
  EXPECT_EQ(nextGrille.Settings(), Custom().Grid);
  EXPECT_EQ(nextRepere.Settings(), Custom().Frame);
}

TEST_F(OptionsDialog, TheSheetStartsWhateverTheFile) {
  struct Case {
    const char* name;
    std::function<void()> make;
    TSheetOptions expected;
    size_t messages;
  };
  std::vector<uint8_t> cut = V2Bytes(Custom());
  cut.resize(7);  // up to the grid switch
  TSheetOptions cutExpected = Custom().Options;
  cutExpected.FrameShown = false;
  cutExpected.PointSize = 1;
  const std::vector<Case> cases{
      {"no file", [] {}, TSheetOptions{}, 0},
      {"cut short", [&] { PutFile(Path(), cut); }, cutExpected, 0},
      {"empty", [&] { PutFile(Path(), {}); }, TSheetOptions{}, 0},
      {"not a file", [&] { QDir(dir.path()).mkdir("Zeridazs.opt"); }, TSheetOptions{}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QDir(dir.path()).rmdir("Zeridazs.opt");
    QFile::remove(dir.filePath("Zeridazs.opt"));
    c.make();
    FakeSheet fresh;
    fresh.orientation = 1;  // the load must turn back to portrait where the file says nothing
    fresh.dragDrop = fresh.copyPaste = false;
    dlg.Sheet = fresh.Bind();
    PointSize = 2;
    FrameShown = true;
    const size_t before = Messages().size();

    ASSERT_NO_THROW(dlg.LoadSheetOptions());
    EXPECT_EQ(SheetOptionsInForce(dlg.Sheet), c.expected);
    EXPECT_EQ(dlg.ControlValues(), c.expected);
    EXPECT_EQ(Messages().size() - before, c.messages);
    EXPECT_EQ(grille.Settings(), TGridSettings{});
    EXPECT_EQ(repere.Settings(), TFrameSettings{});
  }
}

TEST_F(OptionsDialog, AFailedSaveLeavesTheOldFile) {
  const std::vector<uint8_t> old = V2Bytes(Custom());
  PutFile(Path(), old);
  dlg.RBPoint2->setChecked(true);

  // Writes stop after a few bytes in this process, as on a full disk: the new record is cut
  // in the middle.
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto previous = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 8;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  dlg.BoutEnregClick();
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);

  EXPECT_EQ(FileBytes(Path()), old);
  ASSERT_EQ(scripted.callsOf("message").size(), 1u);
  EXPECT_EQ(scripted.callsOf("message")[0].caption, "Erreur");
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"Zeridazs.opt"});
  EXPECT_TRUE(dlg.RBPoint2->isChecked());

  // A folder that does not exist: the error box, nothing created.
  dlg.OptionsPath = dir.filePath("absent/Zeridazs.opt").toStdString();
  ASSERT_NO_THROW(dlg.BoutEnregClick());
  EXPECT_EQ(scripted.callsOf("message").size(), 2u);
  EXPECT_FALSE(QDir(dir.filePath("absent")).exists());
}

TEST_F(OptionsDialog, GridAndFrameOptionsShowTheirDialogsThenRepaint) {
  dlg.ChBGrille->setChecked(true);
  dlg.chbRepere->setChecked(true);
  dlg.RBPoint3->setChecked(true);
  std::vector<const QDialog*> shown;
  auto note = [&](QDialog& d) { shown.push_back(&d); };
  scripted.queueModal(QDialog::Accepted, note);
  scripted.queueModal(QDialog::Rejected, note);
  dlg.BoutOptionsGrilles->click();
  EXPECT_EQ(repaints, 1);
  dlg.BoutOptionsRepere->click();
  EXPECT_EQ(repaints, 2);
  EXPECT_EQ(shown, (std::vector<const QDialog*>{&grille, &repere}));
  // What was ticked before is still there.
  EXPECT_TRUE(dlg.ChBGrille->isChecked() && dlg.chbRepere->isChecked());
  ExpectRadios(dlg, 3);
  EXPECT_TRUE(scripted.allAnswersUsed());
}
