#include <gtest/gtest.h>

#include <QImage>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "platform/Surface.h"
#include "platform/SurfaceWidget.h"

namespace platform {
namespace {

constexpr TColor kBackground = clWhite;
constexpr TColor kMarker = rgb(0, 200, 0);  // stands for pixels left from before
constexpr TColor kBlue = rgb(0, 0, 255);
constexpr TColor kYellow = rgb(255, 255, 0);

struct PaintCall {
  std::string name;
  TRect clip;  // client coordinates
};

// Fills whatever it is asked to repaint with its colour and logs the call.
class RecordingControl : public Control {
 public:
  RecordingControl(std::string name, TColor colour, std::vector<PaintCall>* log)
      : name_(std::move(name)), colour_(colour), log_(log) {}
  void paint(Canvas& canvas) override {
    if (log_) log_->push_back({name_, canvas.clipRect()});
    canvas.setBrushColor(colour_);
    canvas.fillRect(canvas.clipRect());
  }

 private:
  std::string name_;
  TColor colour_;
  std::vector<PaintCall>* log_;
};

struct Event {
  std::string who;
  std::string what;
  int x;
  int y;
  friend bool operator==(const Event&, const Event&) = default;
};

std::ostream& operator<<(std::ostream& os, const Event& e) {
  return os << e.who << ':' << e.what << '(' << e.x << ',' << e.y << ')';
}

// Logs every mouse and drag call it gets; accepts drags when told to.
class InputControl : public Control {
 public:
  InputControl(std::string name, std::vector<Event>* log) : name_(std::move(name)), log_(log) {}
  void mouseDown(const MouseEvent& e) override {
    log_->push_back({name_, "down", e.x, e.y});
    if (dragOnDown) beginDrag();
  }
  void mouseMove(const MouseEvent& e) override { log_->push_back({name_, "move", e.x, e.y}); }
  void mouseUp(const MouseEvent& e) override { log_->push_back({name_, "up", e.x, e.y}); }
  void dragOver(Control* source, int x, int y, DragState state, bool& accept) override {
    static const char* const names[] = {"enter", "over", "leave"};
    log_->push_back({name_, names[int(state)], x, y});
    lastSource = source;
    accept = acceptsDrop;
  }
  void dragDrop(Control* source, int x, int y) override {
    log_->push_back({name_, "drop", x, y});
    lastSource = source;
  }

  bool dragOnDown = false;
  bool acceptsDrop = false;
  Control* lastSource = nullptr;

 private:
  std::string name_;
  std::vector<Event>* log_;
};

TColor at(const Surface& s, int x, int y) {
  return s.image().pixel(x, y);
}

// Every pixel of `r` has colour `c`.
::testing::AssertionResult allOf(const Surface& s, const TRect& r, TColor c) {
  for (int y = r.Top; y < r.Bottom; ++y)
    for (int x = r.Left; x < r.Right; ++x)
      if (at(s, x, y) != c)
        return ::testing::AssertionFailure()
               << "pixel (" << x << ',' << y << ") is " << std::hex << at(s, x, y) << ", not " << c;
  return ::testing::AssertionSuccess();
}

void place(Control& c, Surface& s, const TRect& r) {
  c.setBounds(r.Left, r.Top, r.width(), r.height());
  c.setParent(&s);
}

// Two overlapping controls: a red one below a blue one.
class SurfacePaint : public ::testing::Test {
 protected:
  SurfacePaint() {
    place(low, surface, {10, 10, 60, 60});
    place(high, surface, {40, 40, 90, 90});
    surface.render();
    log.clear();
  }
  std::vector<PaintCall> log;
  Surface surface{100, 100, kBackground};
  RecordingControl low{"low", clRed, &log};
  RecordingControl high{"high", kBlue, &log};
};

TEST_F(SurfacePaint, FullRenderPaintsBackgroundThenControlsBottomToTop) {
  EXPECT_FALSE(surface.hasPendingRepaint());
  EXPECT_TRUE(allOf(surface, {10, 10, 40, 40}, clRed));
  EXPECT_TRUE(allOf(surface, {40, 40, 60, 60}, kBlue));  // overlap: the upper one wins
  EXPECT_TRUE(allOf(surface, {0, 0, 100, 10}, kBackground));
  EXPECT_TRUE(allOf(surface, {90, 0, 100, 100}, kBackground));
}

TEST_F(SurfacePaint, RegionInvalidationRepaintsOnlyThatRegion) {
  surface.image().fill(kMarker);
  surface.invalidate({5, 30, 50, 50});
  surface.render();

  // Background where no control lies, then the controls clipped to the region, in order.
  EXPECT_TRUE(allOf(surface, {5, 30, 10, 50}, kBackground));
  EXPECT_TRUE(allOf(surface, {10, 30, 40, 50}, clRed));
  EXPECT_TRUE(allOf(surface, {40, 40, 50, 50}, kBlue));
  EXPECT_TRUE(allOf(surface, {40, 30, 50, 40}, clRed));
  // Nothing outside it.
  EXPECT_TRUE(allOf(surface, {0, 0, 100, 30}, kMarker));
  EXPECT_TRUE(allOf(surface, {50, 30, 100, 100}, kMarker));
  EXPECT_TRUE(allOf(surface, {0, 50, 50, 100}, kMarker));

  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].name, "low");
  EXPECT_EQ(log[0].clip, (TRect{0, 20, 40, 40}));  // (10..50, 30..50) from (10, 10)
  EXPECT_EQ(log[1].name, "high");
  EXPECT_EQ(log[1].clip, (TRect{0, 0, 10, 10}));  // (40..50, 40..50) from (40, 40)
}

TEST_F(SurfacePaint, ControlsOutsideTheRegionAreNotPainted) {
  surface.invalidate({92, 92, 98, 98});
  surface.render();
  EXPECT_TRUE(log.empty());
}

TEST_F(SurfacePaint, FarApartInvalidationsLeaveTheSpaceBetween) {
  surface.image().fill(kMarker);
  surface.invalidate({0, 0, 5, 5});
  surface.invalidate({95, 95, 100, 100});
  EXPECT_EQ(surface.pendingRect(), (TRect{0, 0, 100, 100}));
  surface.render();
  EXPECT_TRUE(allOf(surface, {0, 0, 5, 5}, kBackground));
  EXPECT_TRUE(allOf(surface, {95, 95, 100, 100}, kBackground));
  EXPECT_TRUE(allOf(surface, {5, 5, 95, 95}, kMarker));
  EXPECT_TRUE(log.empty());
}

TEST_F(SurfacePaint, OverlappingInvalidationsPaintEachPixelOnce) {
  surface.invalidate({15, 15, 30, 30});
  surface.invalidate({20, 20, 45, 45});
  surface.invalidate({35, 12, 50, 25});
  surface.invalidate({40, 40, 45, 45});  // inside an earlier one
  surface.render();
  // Every pixel of the region was painted by "low", and no pixel twice.
  std::vector<int> hits(100 * 100, 0);
  for (const PaintCall& c : log) {
    if (c.name != "low") continue;
    const TRect r = c.clip.translated(low.left(), low.top());
    for (int y = r.Top; y < r.Bottom; ++y)
      for (int x = r.Left; x < r.Right; ++x) ++hits[y * 100 + x];
  }
  for (const TRect& r : {TRect{15, 15, 30, 30}, TRect{20, 20, 45, 45}, TRect{35, 12, 50, 25}})
    for (int y = r.Top; y < r.Bottom; ++y)
      for (int x = r.Left; x < r.Right; ++x) ASSERT_GE(hits[y * 100 + x], 1) << x << ',' << y;
  for (int i = 0; i < 100 * 100; ++i) ASSERT_LE(hits[i], 1) << i % 100 << ',' << i / 100;
}

TEST_F(SurfacePaint, ManyInvalidationsStillRepaintAllOfThem) {
  surface.image().fill(kMarker);
  std::vector<TRect> spots;
  for (int i = 0; i < 20; ++i) spots.push_back(rectXYWH((i % 5) * 20, (i / 5) * 25, 3, 3));
  for (const TRect& r : spots) surface.invalidate(r);
  surface.render();
  for (const TRect& r : spots) {
    EXPECT_NE(at(surface, r.Left, r.Top), kMarker) << r.Left << ',' << r.Top;
    EXPECT_NE(at(surface, r.Right - 1, r.Bottom - 1), kMarker) << r.Left << ',' << r.Top;
  }
  EXPECT_FALSE(surface.hasPendingRepaint());
}

TEST_F(SurfacePaint, BringToFrontAndSendToBackChangePaintOrder) {
  low.bringToFront();
  EXPECT_EQ(surface.controls(), (std::vector<Control*>{&high, &low}));
  EXPECT_TRUE(surface.pendingRect().intersects(low.boundsRect()));
  surface.render();
  EXPECT_TRUE(allOf(surface, {40, 40, 60, 60}, clRed));

  low.sendToBack();
  EXPECT_EQ(surface.controls(), (std::vector<Control*>{&low, &high}));
  surface.render();
  EXPECT_TRUE(allOf(surface, {40, 40, 60, 60}, kBlue));
}

TEST_F(SurfacePaint, MovingAndHidingRepaintOldAndNewPlace) {
  high.setBounds(70, 0, 20, 20);
  surface.render();
  EXPECT_TRUE(allOf(surface, {40, 40, 60, 60}, clRed));
  EXPECT_TRUE(allOf(surface, {60, 60, 90, 90}, kBackground));
  EXPECT_TRUE(allOf(surface, {70, 0, 90, 20}, kBlue));

  high.setVisible(false);
  surface.render();
  EXPECT_TRUE(allOf(surface, {70, 0, 90, 20}, kBackground));
  high.setVisible(true);
  surface.render();
  EXPECT_TRUE(allOf(surface, {70, 0, 90, 20}, kBlue));
}

TEST_F(SurfacePaint, HiddenControlIsNotPainted) {
  high.setVisible(false);
  surface.invalidateAll();
  surface.render();
  for (const PaintCall& c : log) EXPECT_NE(c.name, "high");
  EXPECT_TRUE(allOf(surface, {40, 40, 60, 60}, clRed));
}

TEST_F(SurfacePaint, BackgroundChangeAndResizeRepaintEverything) {
  surface.setBackground(kYellow);
  surface.render();
  EXPECT_TRUE(allOf(surface, {0, 0, 100, 10}, kYellow));
  EXPECT_TRUE(allOf(surface, {10, 10, 40, 40}, clRed));

  surface.resize(120, 50);
  EXPECT_EQ(surface.pendingRect(), (TRect{0, 0, 120, 50}));
  surface.render();
  EXPECT_TRUE(allOf(surface, {100, 0, 120, 50}, kYellow));
  EXPECT_TRUE(allOf(surface, {40, 40, 60, 50}, kBlue));
}

TEST_F(SurfacePaint, DestroyedControlLeavesTheSurface) {
  {
    RecordingControl temp{"temp", kYellow, &log};
    place(temp, surface, {0, 70, 30, 100});
    surface.render();
    EXPECT_TRUE(allOf(surface, {0, 70, 30, 100}, kYellow));
    EXPECT_EQ(surface.indexOf(&temp), 2);
  }
  EXPECT_EQ(surface.controls(), (std::vector<Control*>{&low, &high}));
  log.clear();
  surface.render();
  EXPECT_TRUE(allOf(surface, {0, 70, 30, 100}, kBackground));
  for (const PaintCall& c : log) EXPECT_NE(c.name, "temp");
}

TEST(Surface, DestroyedSurfaceDetachesItsControls) {
  RecordingControl c{"c", clRed, nullptr};
  {
    Surface s(10, 10, kBackground);
    c.setParent(&s);
    EXPECT_EQ(c.parent(), &s);
  }
  EXPECT_EQ(c.parent(), nullptr);
  c.invalidate();  // must not reach the dead surface
  c.setBounds(1, 1, 2, 2);
}

TEST(Surface, EraseDecidesWhetherOldPixelsStayUnderControls) {
  struct Case {
    bool erase;
    TColor expected;
  };
  for (const Case& tc : {Case{false, kMarker}, Case{true, kBackground}}) {
    SCOPED_TRACE(tc.erase);
    Surface s(40, 40, kBackground);
    Control transparent;  // paints nothing
    place(transparent, s, {0, 0, 40, 40});
    s.render();
    s.image().fill(kMarker);
    s.invalidate({10, 10, 20, 20}, tc.erase);
    s.render();
    EXPECT_TRUE(allOf(s, {10, 10, 20, 20}, tc.expected));
    EXPECT_TRUE(allOf(s, {0, 0, 40, 10}, kMarker));
  }
}

TEST(Surface, EraseAppliesOnlyWhereAsked) {
  Surface s(40, 40, kBackground);
  Control transparent;
  place(transparent, s, {0, 0, 40, 40});
  s.render();
  s.image().fill(kMarker);
  s.invalidate({0, 0, 20, 20}, false);
  s.invalidate({10, 10, 30, 30}, true);
  s.render();
  EXPECT_TRUE(allOf(s, {10, 10, 30, 30}, kBackground));
  EXPECT_TRUE(allOf(s, {0, 0, 20, 10}, kMarker));
  EXPECT_TRUE(allOf(s, {0, 10, 10, 20}, kMarker));
}

TEST(ControlCanvas, DrawingShowsAtOnceClippedAndStaysUntilInvalidated) {
  Surface s(100, 100, kBackground);
  std::vector<TRect> changes;
  s.onChanged = [&](const TRect& r) { changes.push_back(r); };
  std::vector<PaintCall> log;
  RecordingControl c{"c", clRed, &log};
  place(c, s, {20, 30, 60, 50});
  s.render();
  changes.clear();

  {
    Canvas canvas = c.canvas();
    EXPECT_EQ(canvas.origin(), (TPoint{20, 30}));
    EXPECT_EQ(canvas.clipRect(), (TRect{0, 0, 40, 20}));
    canvas.setBrushColor(kBlue);
    canvas.fillRect({-10, -10, 10, 10});  // reaches out of the control
    canvas.setPixel(45, 5, kBlue);        // outside the control
  }
  EXPECT_TRUE(allOf(s, {20, 30, 30, 40}, kBlue));
  EXPECT_EQ(at(s, 19, 30), kBackground);
  EXPECT_EQ(at(s, 20, 29), kBackground);
  EXPECT_EQ(at(s, 65, 35), kBackground);
  EXPECT_EQ(at(s, 30, 40), clRed);
  ASSERT_FALSE(changes.empty());
  EXPECT_EQ(changes.back(), (TRect{20, 30, 60, 50}));
  EXPECT_FALSE(s.hasPendingRepaint());

  s.invalidate({0, 0, 100, 10});
  s.render();
  EXPECT_TRUE(allOf(s, {20, 30, 30, 40}, kBlue));

  c.invalidateRect({0, 0, 5, 5});
  s.render();
  EXPECT_TRUE(allOf(s, {20, 30, 25, 35}, clRed));
  EXPECT_TRUE(allOf(s, {25, 35, 30, 40}, kBlue));
}

TEST(ControlCanvas, ClippedToTheImageAndHarmlessWhenDetached) {
  Surface s(50, 50, kBackground);
  Control c;
  place(c, s, {40, 40, 80, 80});
  Canvas canvas = c.canvas();
  EXPECT_EQ(canvas.clipRect(), (TRect{0, 0, 10, 10}));

  Control loose;
  loose.setBounds(0, 0, 10, 10);
  Canvas nowhere = loose.canvas();
  EXPECT_TRUE(nowhere.clipRect().isEmpty());
  nowhere.setPixel(1, 1, clRed);
  EXPECT_EQ(nowhere.pixel(1, 1), clInvalid);
}

// Three stacked controls over one spot, bottom to top.
class SurfaceInput : public ::testing::Test {
 protected:
  SurfaceInput() {
    place(bottom, surface, {0, 0, 50, 50});
    place(middle, surface, {10, 10, 60, 60});
    place(top, surface, {20, 20, 70, 70});
    place(far, surface, {80, 80, 100, 100});
  }
  void press(int x, int y, MouseButton b = MouseButton::Left) { surface.mouseDown(x, y, b, {}); }
  void move(int x, int y) { surface.mouseMove(x, y, {}); }
  void release(int x, int y, MouseButton b = MouseButton::Left) { surface.mouseUp(x, y, b, {}); }
  std::vector<Event> log;
  Surface surface{100, 100, kBackground};
  InputControl bottom{"bottom", &log};
  InputControl middle{"middle", &log};
  InputControl top{"top", &log};
  InputControl far{"far", &log};
};

TEST_F(SurfaceInput, TopmostVisibleEnabledControlTakesThePointer) {
  struct Case {
    bool topVisible;
    bool middleEnabled;
    TPoint at;
    Event down;  // client coordinates
  };
  const Case cases[] = {
      {true, true, {30, 30}, {"top", "down", 10, 10}},
      {false, true, {30, 30}, {"middle", "down", 20, 20}},
      {false, false, {30, 30}, {"bottom", "down", 30, 30}},
      {true, false, {15, 15}, {"bottom", "down", 15, 15}},
      {true, true, {15, 15}, {"middle", "down", 5, 5}},
  };
  for (const Case& tc : cases) {
    SCOPED_TRACE(tc.down);
    top.setVisible(tc.topVisible);
    middle.setEnabled(tc.middleEnabled);
    log.clear();
    press(tc.at.x, tc.at.y);
    release(tc.at.x, tc.at.y);
    Event up = tc.down;
    up.what = "up";
    EXPECT_EQ(log, (std::vector<Event>{tc.down, up}));
  }
  EXPECT_EQ(surface.controlAt(75, 75), nullptr);
}

TEST_F(SurfaceInput, PressedControlCapturesUntilTheLastButtonIsUp) {
  press(25, 25);
  EXPECT_EQ(surface.captured(), &top);
  move(90, 95);  // over another control, outside the pressed one
  press(90, 95, MouseButton::Right);
  release(90, 95, MouseButton::Left);
  move(-5, 3);
  release(-5, 3, MouseButton::Right);
  EXPECT_EQ(surface.captured(), nullptr);
  move(90, 95);  // free again: to the control under the pointer
  EXPECT_EQ(log, (std::vector<Event>{{"top", "down", 5, 5},
                                     {"top", "move", 70, 75},
                                     {"top", "down", 70, 75},
                                     {"top", "up", 70, 75},
                                     {"top", "move", -25, -17},
                                     {"top", "up", -25, -17},
                                     {"far", "move", 10, 15}}));
}

TEST_F(SurfaceInput, MovesWithoutCaptureGoToTheControlUnderThePointer) {
  move(5, 5);
  move(75, 75);  // over nothing
  move(85, 81);
  EXPECT_EQ(log, (std::vector<Event>{{"bottom", "move", 5, 5}, {"far", "move", 5, 1}}));
}

TEST_F(SurfaceInput, HeldButtonsAreReportedInTheState) {
  std::vector<ShiftState> states;
  Control c;
  place(c, surface, {0, 0, 100, 100});
  c.OnMouseDown = c.OnMouseMove =
      c.OnMouseUp = [&](Control&, const MouseEvent& e) { states.push_back(e.shift); };
  ShiftState shift;
  shift.shift = true;
  surface.mouseDown(1, 1, MouseButton::Left, shift);
  surface.mouseMove(2, 2, {});
  surface.mouseUp(2, 2, MouseButton::Left, {});
  ASSERT_EQ(states.size(), 3u);
  EXPECT_TRUE(states[0].shift && states[0].left);
  EXPECT_TRUE(states[1].left);
  EXPECT_FALSE(states[2].left);
}

TEST_F(SurfaceInput, BringToFrontChangesTheHitOrder) {
  bottom.bringToFront();
  EXPECT_EQ(surface.controlAt(30, 30), &bottom);
  bottom.sendToBack();
  EXPECT_EQ(surface.controlAt(30, 30), &top);
}

TEST_F(SurfaceInput, ControlDestroyedWhileCapturingReleasesTheCapture) {
  auto temp = std::make_unique<InputControl>("temp", &log);
  place(*temp, surface, {0, 0, 10, 10});
  press(5, 5);
  EXPECT_EQ(surface.captured(), temp.get());
  temp.reset();
  EXPECT_EQ(surface.captured(), nullptr);
  move(30, 30);
  release(30, 30);
  EXPECT_EQ(log, (std::vector<Event>{
                     {"temp", "down", 5, 5}, {"top", "move", 10, 10}, {"top", "up", 10, 10}}));
}

TEST_F(SurfaceInput, ManualDragDeliversDragOverAndDropsWhenAccepted) {
  bottom.dragOnDown = true;
  middle.acceptsDrop = true;
  top.setBounds(60, 60, 10, 10);  // out of the way

  press(5, 5);
  EXPECT_EQ(surface.dragged(), &bottom);
  EXPECT_TRUE(bottom.dragging());
  move(30, 30);  // middle
  move(35, 40);  // middle
  move(90, 90);  // far, refuses
  move(75, 75);  // nothing
  move(20, 25);  // middle again
  release(22, 26);
  EXPECT_EQ(surface.dragged(), nullptr);
  EXPECT_EQ(surface.captured(), nullptr);
  EXPECT_EQ(middle.lastSource, &bottom);
  EXPECT_EQ(log, (std::vector<Event>{{"bottom", "down", 5, 5},
                                     {"middle", "enter", 20, 20},
                                     {"middle", "over", 25, 30},
                                     {"middle", "leave", 80, 80},
                                     {"far", "enter", 10, 10},
                                     {"far", "leave", -5, -5},
                                     {"middle", "enter", 10, 15},
                                     {"middle", "drop", 12, 16}}));

  // Once over, moves are plain moves again.
  log.clear();
  move(30, 30);
  EXPECT_EQ(log, (std::vector<Event>{{"middle", "move", 20, 20}}));
}

TEST_F(SurfaceInput, DragReleasedOverARefusingControlDropsNothing) {
  bottom.dragOnDown = true;
  middle.acceptsDrop = true;
  press(5, 5);
  move(30, 30);  // middle would accept, but "top" is above it
  move(90, 90);  // far refuses
  release(90, 90);
  EXPECT_EQ(log, (std::vector<Event>{{"bottom", "down", 5, 5},
                                     {"top", "enter", 10, 10},
                                     {"top", "leave", 70, 70},
                                     {"far", "enter", 10, 10}}));
  EXPECT_EQ(surface.dragged(), nullptr);
}

TEST_F(SurfaceInput, ScreenCoordinatesFollowTheSurfaceOrigin) {
  EXPECT_EQ(top.clientToScreen({1, 2}), (TPoint{21, 22}));
  surface.screenOrigin = [] { return TPoint{100, 200}; };
  EXPECT_EQ(top.clientToScreen({1, 2}), (TPoint{121, 222}));
  EXPECT_EQ(top.screenToClient({121, 222}), (TPoint{1, 2}));
}

TEST(SurfaceWidget, ShowsTheSurfaceAndForwardsClicks) {
  SurfaceWidget w(kBackground);
  w.resize(120, 80);
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  EXPECT_EQ(w.surface().width(), 120);
  EXPECT_EQ(w.surface().height(), 80);

  std::vector<Event> log;
  class Painted : public InputControl {
   public:
    using InputControl::InputControl;
    void paint(Canvas& canvas) override {
      canvas.setBrushColor(kBlue);
      canvas.fillRect(canvas.clipRect());
    }
  } painted{"painted", &log};
  place(painted, w.surface(), {30, 20, 70, 50});

  QTest::mouseClick(&w, Qt::LeftButton, Qt::ShiftModifier, QPoint(35, 30));
  EXPECT_EQ(log, (std::vector<Event>{{"painted", "down", 5, 10}, {"painted", "up", 5, 10}}));

  const QImage shot = w.grab().toImage();
  EXPECT_EQ(QColor(shot.pixel(40, 30)), QColor(0, 0, 255));
  EXPECT_EQ(QColor(shot.pixel(10, 10)), QColor(255, 255, 255));
}

}  // namespace
}  // namespace platform
