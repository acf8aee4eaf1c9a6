#pragma once
// A one-line text label: a window-less control of the page panel that keeps its place in
// page coordinates too, so it can be stored, transformed with the other objects and printed.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/Canvas.h"
#include "platform/Streams.h"
#include "platform/Surface.h"
#include "platform/Types.h"
#include "uObjet.h"

class TLibelle : public TLibelleBase {
 public:
  static constexpr uint16_t kVersion = 1;

  // A label at page point `position` on the host's panel, in `font` (its colour becomes the
  // label's colour), sized to `text`. Not selected; its layer not active.
  TLibelle(platform::TPoint position, TLayerHost& host, const platform::Font& font,
           const std::string& text);

  // Reads a record of version 0 or 1 into a new label on the host's panel.
  static std::unique_ptr<TLibelle> CreateFromStream(platform::Stream& s, TLayerHost& host);
  void SaveToStream(platform::Stream& s) const override;

  // Control painting and input.
  void paint(platform::Canvas& canvas) override;
  // Pointer events go on to the sheet's handlers (OnMouseDown, OnMouseMove, OnMouseUp) with
  // the label as sender and the position in screen coordinates.
  void mouseDown(const platform::MouseEvent& e) override;
  void mouseMove(const platform::MouseEvent& e) override;
  void mouseUp(const platform::MouseEvent& e) override;
  // A drag over a label is accepted; a drop on it is ignored.
  void dragOver(Control* source, int x, int y, platform::DragState state, bool& accept) override;
  void dragDrop(Control* source, int x, int y) override;

  // The operations every object offers its layer.
  void Draw() override { invalidate(); }
  void DrawScaled(platform::Canvas& target, double scale) override;
  void SetSelected(bool s) override;
  bool Selected() const override { return selected_; }
  void SetColor(platform::TColor c) override;
  platform::TColor Color() const override { return color_; }
  // Labels have no pen width.
  void SetWidth(uint8_t) override {}
  uint8_t Width() const override { return 0; }
  // The control's rectangle on the panel.
  platform::TRect GetBounds() const override { return boundsRect(); }
  void InvalidateBounds() override { invalidate(); }
  // A press on a label reaches the sheet in screen coordinates: (x, y) is a screen point.
  bool HitTest(int32_t x, int32_t y) override { return ContainsScreenPoint({x, y}); }
  void MoveBy(int32_t dx, int32_t dy) override;
  // Labels move at once: nothing is left to finish.
  void FinishMove() override {}
  // The label's box is reflected; the text reads the same way.
  void Mirror(int axis, int32_t cx, int32_t cy) override;
  // Turns the page position only; the layer places the control afterwards.
  void QuarterTurn(bool turn, int32_t a, int32_t b) override;
  void StoreRotationOrigin() override;
  // Turns the label's centre; the text stays horizontal.
  void RotateFromOrigin(double cx, double cy, double c, double s) override;

  void SetLayerActive(bool active) override;
  void SetLayerVisible(bool visible) override;
  void PlaceOnPanel(platform::TPoint firstLayerOrigin) override;

  // Label-specific operations.
  void SetText(const std::string& text);
  const std::string& Text() const { return text_; }
  void SetFont(const platform::Font& font);
  const platform::Font& GetFont() const { return font_; }
  // The own `visible` field: an invisible label paints and prints nothing.
  void SetVisible(bool v);
  bool LabelVisible() const { return visible_; }
  bool LayerActive() const { return layerActive_; }
  platform::TColor HighlightColor() const;
  bool ContainsScreenPoint(platform::TPoint screen) const;
  platform::TPoint Position() const { return position_; }
  // Left and Top from the page position (Reposition), or Top only (RepositionTop).
  void Reposition();
  void RepositionTop();
  platform::TPoint HalfSize() const { return halfSize_; }
  platform::TPoint RotationOrigin() const { return rotationOrigin_; }

  // Moves the label to another layer (import, undo).
  void SetHost(TLayerHost& host) { host_ = &host; }

 private:
  TLibelle(TLayerHost& host, platform::TPoint position, const platform::Font& font);
  void Resize();
  platform::MouseEvent ToScreen(const platform::MouseEvent& e) const;

  TLayerHost* host_;
  bool visible_ = true;
  std::string text_;
  platform::TPoint position_;
  platform::TColor color_;
  platform::TPoint halfSize_;
  platform::TPoint rotationOrigin_;
  bool selected_ = false;
  bool layerActive_ = false;
  platform::Font font_;
};
