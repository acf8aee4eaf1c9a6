#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "FakeHost.h"
#include "platform/Streams.h"
#include "sheet/objects/uLibelle.h"
#include "tests/support/Bytes.h"

using platform::Font;
using platform::MouseButton;
using platform::ShiftState;
using platform::TColor;
using platform::TPoint;
using platform::TRect;

namespace {

constexpr TColor kBlue = 0xFF0000;
constexpr TPoint kOrigin{30, 20};

Font arial(int size, TColor colour = kBlue) {
  Font f;
  f.name = "Arial";
  f.size = size;
  f.color = colour;
  return f;
}

int countColour(const platform::Bitmap& img, const TRect& r, TColor c) {
  int n = 0;
  for (int y = r.Top; y < r.Bottom; ++y)
    for (int x = r.Left; x < r.Right; ++x) n += img.pixel(x, y) == c;
  return n;
}

// A control that fills its area, to show what lies under a label.
class Backdrop : public platform::Control {
 public:
  explicit Backdrop(TColor c) : c_(c) {}
  void paint(platform::Canvas& canvas) override {
    canvas.setBrushColor(c_);
    canvas.fillRect(canvas.clipRect());
  }

 private:
  TColor c_;
};

class LabelTest : public ::testing::Test {
 protected:
  LabelTest() : host(400, 300, kOrigin) {
    host.panel.screenOrigin = [] { return TPoint{1000, 500}; };
  }
  FakeHost host;
};

// ---- size, painting, highlight ----

TEST_F(LabelTest, SizeFollowsTextAndFont) {
  TLibelle label({10, 15}, host, arial(12), "abc");
  platform::Bitmap scratch(1, 1);
  platform::Canvas measure(scratch);
  measure.setFont(arial(12));
  // One space more than the text, in the label's own font.
  EXPECT_EQ(label.width(), measure.textWidth("abc "));
  EXPECT_GT(label.width(), measure.textWidth("abc"));
  EXPECT_EQ(label.height(), measure.textHeight("abc"));
  EXPECT_GE(label.height(), 16);  // 12 points: 16-pixel characters at 96 dpi

  const int w = label.width(), h = label.height();
  label.SetText("abcdef");
  EXPECT_GT(label.width(), w);
  EXPECT_EQ(label.height(), h);

  label.SetFont(arial(24, 0x00FF00));
  EXPECT_NEAR(label.height(), 2 * h, 2);
  EXPECT_EQ(label.Color(), 0x00FF00u);  // the font brings its colour
  EXPECT_EQ(label.left(), 40);          // size changes keep the corner
  EXPECT_EQ(label.top(), 35);

  // Created without text, the control stays an empty box at its corner.
  TLibelle empty({5, 5}, host, arial(12), "");
  EXPECT_EQ(empty.boundsRect(), (TRect{35, 25, 35, 25}));
}

TEST_F(LabelTest, PaintsTextInItsColourOverWhatLiesBelow) {
  constexpr TColor kGreen = 0x00FF00;
  Backdrop back(kGreen);
  back.setParent(&host.panel);
  back.setBounds(0, 0, 400, 300);
  TLibelle label({10, 15}, host, arial(12), "Hello");
  host.panel.render();

  const platform::Bitmap& img = host.panel.image();
  const TRect b = label.boundsRect();
  const int text = countColour(img, b, kBlue);
  const int below = countColour(img, b, kGreen);
  EXPECT_GT(text, 10);
  EXPECT_GT(below, text);  // transparent background
  EXPECT_EQ(text + below, b.width() * b.height());
  EXPECT_EQ(countColour(img, {0, 0, 400, 300}, kBlue), text);

  label.SetSelected(true);
  host.panel.render();
  EXPECT_EQ(countColour(img, b, kBlue), 0);
  EXPECT_EQ(countColour(img, b, platform::clSilver), text);
}

TEST_F(LabelTest, EmptyTextPaintsNothing) {
  TLibelle label({10, 15}, host, arial(12), "Hello");
  label.SetText("");
  EXPECT_GT(label.width(), 0);  // the trailing space still counts
  host.panel.render();
  EXPECT_EQ(countColour(host.panel.image(), label.boundsRect(), platform::clWhite),
            label.width() * label.height());
}

TEST_F(LabelTest, HighlightColourAndSelection) {
  struct Case {
    TColor colour, highlight;
  } cases[] = {{0x0000FF, 0xC0C0C0}, {0xC0C0C0, 0x3FC03F}, {0xC0C0C1, 0xC0C0C0}, {0, 0xC0C0C0}};
  for (const Case& c : cases) {
    TLibelle label({0, 0}, host, arial(10, c.colour), "x");
    EXPECT_EQ(label.HighlightColor(), c.highlight) << std::hex << c.colour;
  }

  TLibelle label({10, 15}, host, arial(12, platform::clSilver), "Hi");
  label.SetSelected(true);
  host.panel.render();
  EXPECT_GT(countColour(host.panel.image(), label.boundsRect(), 0x3FC03F), 0);
  label.SetColor(platform::clSilver);  // unchanged colour: stays selected
  EXPECT_TRUE(label.Selected());
  label.SetColor(kBlue);
  EXPECT_FALSE(label.Selected());
}

// ---- layer and panel ----

TEST_F(LabelTest, ActiveLayerBringsToFrontInactiveDeselects) {
  TLibelle a({10, 10}, host, arial(12), "a");
  TLibelle b({10, 10}, host, arial(12), "b");
  ASSERT_EQ(host.panel.controls().back(), &b);
  a.SetLayerActive(true);
  EXPECT_EQ(host.panel.controls().back(), &a);
  EXPECT_TRUE(a.LayerActive());

  b.bringToFront();
  a.SetLayerActive(true);  // no change: not raised again
  EXPECT_EQ(host.panel.controls().back(), &b);

  a.SetSelected(true);
  a.SetLayerActive(false);
  EXPECT_FALSE(a.Selected());
  EXPECT_FALSE(a.LayerActive());
}

TEST_F(LabelTest, HiddenLayerHidesAndShowsTheLabel) {
  TLibelle label({10, 15}, host, arial(12), "Hello");
  const TRect b = label.boundsRect();
  host.panel.render();
  const int text = countColour(host.panel.image(), b, kBlue);
  ASSERT_GT(text, 0);

  label.SetLayerVisible(false);
  host.panel.render();
  EXPECT_EQ(countColour(host.panel.image(), b, kBlue), 0);
  EXPECT_EQ(host.panel.controlAt(b.Left + 1, b.Top + 1), nullptr);
  EXPECT_FALSE(label.LabelVisible());

  label.SetLayerVisible(true);
  host.panel.render();
  EXPECT_EQ(countColour(host.panel.image(), b, kBlue), text);
}

TEST_F(LabelTest, PlacesItselfFromPagePositionAndOrigin) {
  TLibelle label({10, 15}, host, arial(12), "abc");
  EXPECT_EQ(label.left(), 40);
  EXPECT_EQ(label.top(), 35);
  const int w = label.width(), h = label.height();

  label.PlaceOnPanel({100, 50});
  EXPECT_EQ(label.boundsRect(), (TRect{110, 65, 110 + w, 65 + h}));
  EXPECT_EQ(label.Position(), (TPoint{10, 15}));
  EXPECT_EQ(label.GetBounds(), label.boundsRect());

  label.Reposition();  // back to the host's origin
  EXPECT_EQ(label.left(), 40);
  label.PlaceOnPanel({100, 50});
  label.RepositionTop();
  EXPECT_EQ(label.left(), 110);
  EXPECT_EQ(label.top(), 35);
}

TEST_F(LabelTest, ForwardsPointerEventsInScreenCoordinates) {
  TLibelle label({10, 15}, host, arial(12), "Hello");  // panel (40, 35), screen (1040, 535)
  struct Seen {
    const platform::Control* sender;
    char kind;
    platform::MouseEvent e;
  };
  std::vector<Seen> seen;
  auto hook = [&](char kind) {
    return [&seen, kind](platform::Control& s, const platform::MouseEvent& e) {
      seen.push_back({&s, kind, e});
    };
  };
  label.OnMouseDown = hook('d');
  label.OnMouseMove = hook('m');
  label.OnMouseUp = hook('u');

  ShiftState ctrl;
  ctrl.ctrl = true;
  host.panel.mouseDown(45, 38, MouseButton::Right, ctrl);
  host.panel.mouseMove(47, 40, ctrl);
  host.panel.mouseUp(48, 41, MouseButton::Right, ctrl);

  ASSERT_EQ(seen.size(), 3u);
  const TPoint expected[] = {{1045, 538}, {1047, 540}, {1048, 541}};
  const char kinds[] = {'d', 'm', 'u'};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(seen[i].sender, &label);
    EXPECT_EQ(seen[i].kind, kinds[i]);
    EXPECT_EQ((TPoint{seen[i].e.x, seen[i].e.y}), expected[i]) << i;
    EXPECT_TRUE(seen[i].e.shift.ctrl);
  }
  EXPECT_EQ(seen[0].e.button, MouseButton::Right);

  // The sheet tests a press on a label in the same screen coordinates.
  EXPECT_TRUE(label.HitTest(1045, 538));
  EXPECT_TRUE(label.HitTest(1040, 535));
  EXPECT_FALSE(label.HitTest(1040 + label.width(), 538));
  EXPECT_FALSE(label.HitTest(1045, 535 + label.height()));
  EXPECT_FALSE(label.HitTest(45, 38));  // a panel point is not a screen point

  bool accept = false;
  label.dragOver(nullptr, 1, 1, platform::DragState::Move, accept);
  EXPECT_TRUE(accept);
}

// ---- transformations ----

TEST_F(LabelTest, MirrorReflectsTheBox) {
  TLibelle label({100, 60}, host, arial(12), "abcd");
  const int w = label.width(), h = label.height();
  label.Mirror(1, 150, 80);
  EXPECT_EQ(label.Position(), (TPoint{200 - w, 60}));  // box [100, 100+w) about x = 150
  EXPECT_EQ(label.left(), 200 - w + kOrigin.x);
  label.Mirror(1, 150, 80);
  EXPECT_EQ(label.Position(), (TPoint{100, 60}));

  label.Mirror(2, 150, 80);
  EXPECT_EQ(label.Position(), (TPoint{100, 100 - h}));
  EXPECT_EQ(label.top(), 100 - h + kOrigin.y);
  label.Mirror(2, 150, 80);
  EXPECT_EQ(label.Position(), (TPoint{100, 60}));

  // The worked case: 40 pixels wide at x = 100, about x = 150.
  label.setBounds(label.left(), label.top(), 40, h);
  label.Mirror(1, 150, 0);
  EXPECT_EQ(label.Position().x, 160);
}

TEST_F(LabelTest, RotationTurnsTheCentreFromTheOrigin) {
  TLibelle label({100, 150}, host, arial(12), "abcde");
  const int hx = label.width() / 2, hy = label.height() / 2;
  label.StoreRotationOrigin();
  EXPECT_EQ(label.HalfSize(), (TPoint{hx, hy}));
  const TPoint c0 = label.RotationOrigin();
  EXPECT_EQ(c0, (TPoint{100 + hx, 150 + hy}));

  // Half a turn about its own centre leaves it in place.
  label.RotateFromOrigin(c0.x, c0.y, std::cos(std::numbers::pi), std::sin(std::numbers::pi));
  EXPECT_EQ(label.Position(), (TPoint{100, 150}));

  // A quarter turn about (200, 200): the centre (x, y) goes to (200 - (y - 200), 200 + (x - 200)).
  label.RotateFromOrigin(200, 200, 0.0, 1.0);
  const TPoint c1{200 - (c0.y - 200), 200 + (c0.x - 200)};
  EXPECT_EQ(label.Position(), (TPoint{c1.x - hx, c1.y - hy}));
  EXPECT_EQ(label.left(), c1.x - hx + kOrigin.x);
  EXPECT_EQ(label.top(), c1.y - hy + kOrigin.y);

  // Each step starts again from the stored centre.
  label.RotateFromOrigin(200, 200, 1.0, 0.0);
  EXPECT_EQ(label.Position(), (TPoint{100, 150}));
}

TEST_F(LabelTest, QuarterTurnMovesThePositionButNotTheControl) {
  TLibelle label({3, 4}, host, arial(12), "abc");
  label.QuarterTurn(true, 100, 50);
  EXPECT_EQ(label.Position(), (TPoint{4, 97}));
  EXPECT_EQ(label.left(), 33);  // the layer places it afterwards
  label.Reposition();
  EXPECT_EQ(label.left(), 34);
  EXPECT_EQ(label.top(), 117);
  label.QuarterTurn(false, 100, 50);
  EXPECT_EQ(label.Position(), (TPoint{50 - 97, 4}));

  label.MoveBy(7, -2);
  EXPECT_EQ(label.Position(), (TPoint{-40, 2}));
  EXPECT_EQ(label.left(), -10);
  EXPECT_EQ(label.top(), 22);
}

// ---- printing ----

TEST_F(LabelTest, DrawScaledTakesNameColourAndHeightButNotStyle) {
  Font f = arial(16, kBlue);
  f.name = "DejaVu Sans";
  f.bold = true;
  TLibelle label({11, 7}, host, f, "Abc");

  platform::Bitmap page(200, 100);
  platform::Canvas printer(page);
  Font printerFont;
  printerFont.italic = true;
  printer.setFont(printerFont);
  label.DrawScaled(printer, 1.5);

  const Font& got = printer.font();
  EXPECT_EQ(got.name, "DejaVu Sans");
  EXPECT_EQ(got.color, kBlue);
  EXPECT_EQ(got.size, 24);  // 16 pt = 21 px (nearest), x 1.5 = 32 px = 24 pt
  EXPECT_FALSE(got.bold);
  EXPECT_TRUE(got.italic);

  // Same picture as the text put by hand at the rounded place (16.5, 10.5) -> (16, 10).
  platform::Bitmap expected(200, 100);
  platform::Canvas direct(expected);
  direct.setBrushStyle(platform::BrushStyle::Clear);
  direct.setFont(got);
  direct.textOut(16, 10, "Abc");
  int differing = 0;
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 200; ++x) differing += page.pixel(x, y) != expected.pixel(x, y);
  EXPECT_EQ(differing, 0);
  EXPECT_GT(countColour(page, {0, 0, 200, 100}, kBlue), 10);

  // Invisible or empty: nothing printed.
  platform::Bitmap blank(200, 100);
  platform::Canvas other(blank);
  label.SetVisible(false);
  label.DrawScaled(other, 1.5);
  label.SetVisible(true);
  label.SetText("");
  label.DrawScaled(other, 1.5);
  EXPECT_EQ(countColour(blank, {0, 0, 200, 100}, platform::clWhite), 200 * 100);
}

// ---- stream records ----

// The record up to and including the text; the version and the style byte vary.
Bytes labelRecord(uint16_t version, uint8_t style) {
  Bytes r;
  r.u16(version).u8(1).i32(0x00123456);
  r.str({'A', 'r', 'i', 'a', 'l'}).i32(14).u8(style);
  r.i32(25).i32(-3);
  r.str({0xE9, 0x74, 0xE9});  // "été"
  return r;
}

std::vector<uint8_t> save(const TLibelle& label) {
  platform::MemoryStream out;
  label.SaveToStream(out);
  return out.bytes();
}

TEST_F(LabelTest, ReadsAndWritesVersionOne) {
  Bytes v1 = labelRecord(1, 0x05);
  v1.i32(2).i32(7).i32(3);
  platform::MemoryStream in(v1.b);
  auto label = TLibelle::CreateFromStream(in, host);
  EXPECT_EQ(in.remaining(), 0u);

  EXPECT_TRUE(label->LabelVisible());
  EXPECT_EQ(label->Color(), 0x00123456u);
  EXPECT_EQ(label->GetFont().name, "Arial");
  EXPECT_EQ(label->GetFont().size, 14);
  EXPECT_TRUE(label->GetFont().bold);
  EXPECT_TRUE(label->GetFont().underline);
  EXPECT_FALSE(label->GetFont().italic);
  EXPECT_FALSE(label->GetFont().strikeOut);
  EXPECT_EQ(label->Position(), (TPoint{25, -3}));
  EXPECT_EQ(label->Text(), "été");
  EXPECT_EQ(label->Entries(), (std::vector<int32_t>{7, 3}));
  EXPECT_EQ(label->CurrentGroup(), 3);
  EXPECT_FALSE(label->Selected());
  EXPECT_FALSE(label->LayerActive());
  EXPECT_EQ(label->parent(), &host.panel);
  EXPECT_EQ(label->left(), 25 + kOrigin.x);
  EXPECT_EQ(label->top(), -3 + kOrigin.y);
  EXPECT_GT(label->width(), 0);  // sized to its text

  EXPECT_EQ(save(*label), v1.b);
}

TEST_F(LabelTest, ReadsVersionZeroWithoutGroups) {
  const Bytes v0 = labelRecord(0, 0x00);
  platform::MemoryStream in(v0.b);
  auto label = TLibelle::CreateFromStream(in, host);
  EXPECT_EQ(in.remaining(), 0u);
  EXPECT_TRUE(label->Entries().empty());
  EXPECT_EQ(label->Text(), "été");

  Bytes current = labelRecord(1, 0x00);
  current.i32(0);
  EXPECT_EQ(save(*label), current.b);
}

TEST_F(LabelTest, StyleBitsMapToTheirOwnFlags) {
  struct Case {
    uint8_t bit;
    bool Font::*flag;
  } cases[] = {{1, &Font::bold}, {2, &Font::italic}, {4, &Font::underline}, {8, &Font::strikeOut}};
  for (const Case& c : cases) {
    Bytes r = labelRecord(1, c.bit);
    r.i32(0);
    platform::MemoryStream in(r.b);
    auto label = TLibelle::CreateFromStream(in, host);
    const Font& f = label->GetFont();
    EXPECT_EQ(int(f.bold) + f.italic + f.underline + f.strikeOut, 1) << int(c.bit);
    EXPECT_TRUE(f.*(c.flag)) << int(c.bit);
    EXPECT_EQ(save(*label), r.b) << int(c.bit);
  }
}

TEST_F(LabelTest, EveryCutRecordThrows) {
  Bytes v1 = labelRecord(1, 0x03);
  v1.i32(2).i32(7).i32(3);
  Bytes v0 = labelRecord(0, 0x03);
  for (const std::vector<uint8_t>* full : {&v1.b, &v0.b})
    for (size_t n = 0; n < full->size(); ++n) {
      platform::MemoryStream in(std::vector<uint8_t>(full->begin(), full->begin() + n));
      EXPECT_THROW(TLibelle::CreateFromStream(in, host), platform::StreamError)
          << "version " << int((*full)[0]) << ", " << n << " bytes";
    }
  EXPECT_EQ(host.panel.controls().size(), 0u);  // nothing left on the panel
}

TEST_F(LabelTest, SavesWhatItWasCreatedWith) {
  Font f = arial(14, 0x00123456);
  f.italic = true;
  f.bold = true;
  TLibelle label({25, -3}, host, f, "été");
  label.PushGroup(7);
  label.PushGroup(3);
  Bytes expected = labelRecord(1, 0x03);
  expected.i32(2).i32(7).i32(3);
  EXPECT_EQ(save(label), expected.b);
}

}  // namespace
