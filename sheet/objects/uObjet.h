#pragma once
// What every drawing object offers its layer, and the base shared by the four plain kinds
// (curve, segment, point, arc): colour, width, selection, the move-state machine and the
// group stack.
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/Canvas.h"
#include "platform/Colour.h"
#include "platform/Streams.h"
#include "platform/Surface.h"
#include "platform/Types.h"

class TSegment;

// The layer an object lives on, as the object sees it.
class TLayerHost {
 public:
  virtual ~TLayerHost() = default;
  // Where Draw paints: the paint's canvas during a repaint, else the layer's window canvas.
  virtual platform::Canvas& LayerCanvas() = 0;
  // The page panel; objects invalidate their bounds there.
  virtual platform::Surface* Owner() const = 0;
  // Page point (0, 0) in the panel: the first layer's Left and Top.
  virtual platform::TPoint PanelOrigin() const = 0;
  // Every point of the active layer that marks `segment` gets SetSelected(selected).
  virtual void MarksFollowSelection(const TSegment& segment, bool selected) = 0;
  // The first segment with that id, layers in chain order from the first one.
  virtual TSegment* FindSegmentById(int32_t id) = 0;
};

// Stack of positive group numbers, innermost last; 0 is never a group number.
class TGroupStack {
 public:
  void PushGroup(int32_t n) { groups_.push_back(n); }
  void PopGroup(int32_t n) {
    if (!groups_.empty() && groups_.back() == n) groups_.pop_back();
  }
  int32_t CurrentGroup() const { return groups_.empty() ? 0 : groups_.back(); }
  bool InGroup(int32_t n) const;
  void RemapGroups(const std::function<int32_t(int32_t)>& remap);
  const std::vector<int32_t>& Entries() const { return groups_; }
  void SetEntries(std::vector<int32_t> g) { groups_ = std::move(g); }

  // n as i32 then the entries; a count beyond the bytes left is a stream error.
  void Write(platform::Stream& s) const;
  void Read(platform::Stream& s);

 private:
  std::vector<int32_t> groups_;
};

class TObjetGraphique : public TGroupStack {
 public:
  virtual ~TObjetGraphique() = default;

  virtual void SaveToStream(platform::Stream& s) const = 0;
  virtual void Draw() = 0;
  // Coordinates and pen width multiplied by the scale; own colour; no move states.
  virtual void DrawScaled(platform::Canvas& target, double scale) = 0;
  virtual void SetSelected(bool selected) = 0;
  virtual bool Selected() const = 0;
  virtual void SetColor(platform::TColor c) = 0;
  virtual platform::TColor Color() const = 0;
  virtual void SetWidth(uint8_t w) = 0;
  virtual uint8_t Width() const = 0;
  // Repaint rectangle in the page panel's coordinates.
  virtual platform::TRect GetBounds() const = 0;
  virtual void InvalidateBounds() = 0;
  virtual bool HitTest(int32_t x, int32_t y) = 0;
  virtual void MoveBy(int32_t dx, int32_t dy) = 0;
  virtual void FinishMove() = 0;
  // axis 1: x -> 2cx - x; axis 2: y -> 2cy - y.
  virtual void Mirror(int axis, int32_t cx, int32_t cy) = 0;
  // A quarter turn within a page of width a and height b (turn true: portrait to landscape).
  virtual void QuarterTurn(bool turn, int32_t a, int32_t b) = 0;
  virtual void StoreRotationOrigin() = 0;
  virtual void RotateFromOrigin(double cx, double cy, double c, double s) = 0;
};

// Move states of the plain kinds while they are dragged or turned.
enum TMoveState : uint8_t {
  msNone = 0,      // not selected: own colour
  msSelected = 1,  // highlight colour, copy pen
  msErasing = 2,   // bounds invalidated; the next Draw paints nothing
  msErased = 3,    // left out of repaints; the next step draws it at its new place
  msDragging = 4,  // each step redraws the old place, moves, draws the new place
};

class TObjetSimple : public TObjetGraphique {
 public:
  static constexpr platform::TColor kHighlight = 0xC0C0C0;

  explicit TObjetSimple(TLayerHost& host, uint8_t width) : width(width), host_(&host) {}

  // The common prologue (visibility, pen width, move state, pen colour), then DrawFigure.
  void Draw() override;
  void SetSelected(bool s) override;
  bool Selected() const override { return selected; }
  void SetColor(platform::TColor c) override;
  platform::TColor Color() const override { return color; }
  uint8_t Width() const override { return width; }
  platform::TRect GetBounds() const override;
  void InvalidateBounds() override;
  void MoveBy(int32_t dx, int32_t dy) override;
  void FinishMove() override;
  void RotateFromOrigin(double cx, double cy, double c, double s) override;
  virtual platform::TColor HighlightColor() const { return kHighlight; }

  TLayerHost& Host() const { return *host_; }
  platform::Canvas& canvas() const { return host_->LayerCanvas(); }
  // Moves the object to another layer (import, undo).
  void SetHost(TLayerHost& host) { host_ = &host; }

  platform::TColor color = platform::clRed;
  uint8_t width;
  bool selected = false;
  uint8_t moveState = msNone;
  bool visible = true;

 protected:
  // Paints the figure in the canvas's current pen colour.
  virtual void DrawFigure(platform::Canvas& c) = 0;
  // Page box before the kind's margin.
  virtual platform::TRect PageBox() const = 0;
  virtual int32_t BoundsMargin() const = 0;
  // Moves the defining points and updates the derived fields.
  virtual void Translate(int32_t dx, int32_t dy) = 0;
  virtual void RotatePoints(double cx, double cy, double c, double s) = 0;
  // Whether Draw stops at once when `visible` is 0.
  virtual bool HidesWhenInvisible() const { return true; }
  // A rectangle of page coordinates in the panel's coordinates.
  platform::TRect ToPanel(const platform::TRect& page) const;
  platform::TPoint ToPanel(platform::TPoint page) const;

 private:
  template <class Step>
  void DragStep(Step&& step);

  TLayerHost* host_;
};

// A text label is also a control of the page panel; the layer tells it about its layer.
class TLibelleBase : public platform::Control, public TObjetGraphique {
 public:
  // A label of an active layer comes to the front; one whose layer stops being active
  // deselects itself.
  virtual void SetLayerActive(bool active) = 0;
  // Shows or hides the label with its layer and repaints it.
  virtual void SetLayerVisible(bool visible) = 0;
  // Recomputes Left and Top from the label's page position and the first layer's place.
  virtual void PlaceOnPanel(platform::TPoint firstLayerOrigin) = 0;
};
