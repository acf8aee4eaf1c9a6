#include "uLibelle.h"

#include <cstdlib>

#include "platform/Bitmap.h"
#include "ucalcul.h"

using platform::Font;
using platform::TColor;
using platform::TPoint;

namespace {

constexpr uint8_t kBold = 1, kItalic = 2, kUnderline = 4, kStrikeOut = 8;

// Text is measured with the label's own font; the target does not matter.
platform::Canvas& measuringCanvas(const Font& f) {
  static platform::Bitmap scratch(1, 1);
  static platform::Canvas canvas(scratch);
  canvas.setFont(f);
  return canvas;
}

// Character height in pixels of a size in points at the model's 96 pixels per inch.
int32_t charHeight(int size) {
  return Nearest(std::abs(size) * 96.0 / 72.0);
}

}  // namespace

TLibelle::TLibelle(TLayerHost& host, TPoint position, const Font& font)
    : host_(&host), position_(position), color_(font.color), font_(font) {
  setParent(host.Owner());
  const TPoint o = host.PanelOrigin();
  setBounds(position.x + o.x, position.y + o.y, 0, 0);
}

TLibelle::TLibelle(TPoint position, TLayerHost& host, const Font& font, const std::string& text)
    : TLibelle(host, position, font) {
  SetText(text);
  SetLayerActive(false);
}

std::unique_ptr<TLibelle> TLibelle::CreateFromStream(platform::Stream& s, TLayerHost& host) {
  const uint16_t version = s.readU16();
  const bool visible = s.readBool();
  const TColor color = s.readU32();
  Font font;
  font.name = s.readString();
  font.size = s.readI32();
  const uint8_t style = s.readU8();
  font.bold = style & kBold;
  font.italic = style & kItalic;
  font.underline = style & kUnderline;
  font.strikeOut = style & kStrikeOut;
  TPoint position;
  position.x = s.readI32();
  position.y = s.readI32();
  const std::string text = s.readString();
  TGroupStack groups;
  if (version >= 1) groups.Read(s);

  // The font's colour is not stored: the text colour is the record's.
  std::unique_ptr<TLibelle> label(new TLibelle(host, position, font));
  label->visible_ = visible;
  label->color_ = color;
  label->SetEntries(groups.Entries());
  label->SetText(text);
  label->Reposition();
  return label;
}

void TLibelle::SaveToStream(platform::Stream& s) const {
  s.writeU16(kVersion);
  s.writeBool(visible_);
  s.writeU32(color_);
  s.writeString(font_.name);
  s.writeI32(font_.size);
  s.writeU8(uint8_t((font_.bold ? kBold : 0) | (font_.italic ? kItalic : 0) |
                    (font_.underline ? kUnderline : 0) | (font_.strikeOut ? kStrikeOut : 0)));
  s.writeI32(position_.x);
  s.writeI32(position_.y);
  s.writeString(text_);
  Write(s);
}

void TLibelle::paint(platform::Canvas& canvas) {
  if (text_.empty() || !visible_) return;
  canvas.setBrushStyle(platform::BrushStyle::Clear);
  Font f = font_;
  f.color = selected_ ? HighlightColor() : color_;
  canvas.setFont(f);
  canvas.textOut(0, 0, text_);
}

void TLibelle::DrawScaled(platform::Canvas& target, double scale) {
  if (text_.empty() || !visible_) return;
  target.setBrushStyle(platform::BrushStyle::Clear);
  // Name, colour and character height come from the label; the target keeps its style.
  Font f = target.font();
  f.name = font_.name;
  f.color = color_;
  const int32_t height = std::abs(Nearest(charHeight(font_.size) * scale));
  f.size = Nearest(height * 72.0 / 96.0);
  target.setFont(f);
  target.textOut(Nearest(position_.x * scale), Nearest(position_.y * scale), text_);
}

platform::MouseEvent TLibelle::ToScreen(const platform::MouseEvent& e) const {
  platform::MouseEvent out = e;
  const TPoint p = clientToScreen({e.x, e.y});
  out.x = p.x;
  out.y = p.y;
  return out;
}

void TLibelle::mouseDown(const platform::MouseEvent& e) {
  if (OnMouseDown) OnMouseDown(*this, ToScreen(e));
}

void TLibelle::mouseMove(const platform::MouseEvent& e) {
  if (OnMouseMove) OnMouseMove(*this, ToScreen(e));
}

void TLibelle::mouseUp(const platform::MouseEvent& e) {
  if (OnMouseUp) OnMouseUp(*this, ToScreen(e));
}

void TLibelle::dragOver(Control*, int, int, platform::DragState, bool& accept) {
  accept = true;
}

void TLibelle::dragDrop(Control*, int, int) {}

void TLibelle::SetSelected(bool s) {
  if (s == selected_) return;
  selected_ = s;
  invalidate();
}

TColor TLibelle::HighlightColor() const {
  // Silver text would not show its selection in silver.
  return color_ == platform::clSilver ? color_ ^ 0xFF00FF : platform::clSilver;
}

void TLibelle::SetColor(TColor c) {
  if (c == color_) return;
  color_ = c;
  SetSelected(false);
  invalidate();
}

void TLibelle::SetVisible(bool v) {
  if (v == visible_) return;
  visible_ = v;
  invalidate();
}

void TLibelle::SetLayerVisible(bool v) {
  SetVisible(v);
  // A hidden layer's labels take no pointer input either.
  setVisible(v);
}

void TLibelle::SetLayerActive(bool active) {
  if (active == layerActive_) return;
  layerActive_ = active;
  if (active)
    bringToFront();
  else
    SetSelected(false);
}

void TLibelle::Resize() {
  platform::Canvas& c = measuringCanvas(font_);
  setBounds(left(), top(), c.textWidth(text_ + " "), c.textHeight(text_));
}

void TLibelle::SetText(const std::string& text) {
  if (text == text_) return;
  text_ = text;
  Resize();
  invalidate();
}

void TLibelle::SetFont(const Font& font) {
  font_ = font;
  color_ = font.color;
  Resize();
  invalidate();
}

bool TLibelle::ContainsScreenPoint(TPoint screen) const {
  const TPoint p = screenToClient(screen);
  return platform::TRect{0, 0, width(), height()}.contains(p.x, p.y);
}

void TLibelle::PlaceOnPanel(TPoint o) {
  setBounds(position_.x + o.x, position_.y + o.y, width(), height());
}

void TLibelle::Reposition() {
  PlaceOnPanel(host_->PanelOrigin());
}

void TLibelle::RepositionTop() {
  setTop(position_.y + host_->PanelOrigin().y);
}

void TLibelle::MoveBy(int32_t dx, int32_t dy) {
  position_.x += dx;
  position_.y += dy;
  Reposition();
}

void TLibelle::Mirror(int axis, int32_t cx, int32_t cy) {
  if (axis == 1)
    MoveBy((cx - position_.x) * 2 - width(), 0);
  else if (axis == 2)
    MoveBy(0, (cy - position_.y) * 2 - height());
}

void TLibelle::QuarterTurn(bool turn, int32_t a, int32_t b) {
  QuarterTurnPoint(position_, turn, a, b);
}

void TLibelle::StoreRotationOrigin() {
  halfSize_ = {width() / 2, height() / 2};
  rotationOrigin_ = {position_.x + halfSize_.x, position_.y + halfSize_.y};
}

void TLibelle::RotateFromOrigin(double cx, double cy, double c, double s) {
  const TPoint centre = RotatePoint(rotationOrigin_, cx, cy, c, s);
  position_ = {centre.x - halfSize_.x, centre.y - halfSize_.y};
  Reposition();
  invalidate();
}
