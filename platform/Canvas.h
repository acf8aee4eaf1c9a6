#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "Bitmap.h"
#include "Colour.h"
#include "Types.h"

namespace platform {

enum class PenMode { Copy, Xor };
enum class BrushStyle { Solid, Clear };
// Raster operations of the block transfers: plain copy, or source AND destination (SRCAND).
enum class RasterOp { Copy, And };

struct Font {
  std::string name = "Arial";
  int size = 10;  // points; at 96 pixels per inch 12 points is a 16-pixel character height
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool strikeOut = false;
  TColor color = clBlack;
  friend bool operator==(const Font&, const Font&) = default;
};

// Row access for code that writes pixels itself (the anti-aliased primitives). `row(y)[x]`
// addresses canvas point (x, y); callers keep to `clip` (canvas coordinates).
struct RawPixels {
  uint32_t* bits = nullptr;  // target pixel (0, 0)
  int stride = 0;            // in pixels
  TPoint origin;             // target position of canvas (0, 0)
  TRect clip;                // canvas coordinates
  uint32_t* row(int y) const { return bits + ptrdiff_t(y + origin.y) * stride + origin.x; }
};

// GDI-like drawing on a Bitmap, through an origin and a clip. No antialiasing.
// Shapes follow GDI: ellipse/arc bounding boxes exclude their right and bottom edges,
// line-to does not paint its end point.
class Canvas {
 public:
  explicit Canvas(Bitmap& target);
  // origin: where canvas (0, 0) lies in the target; clip: a target rectangle.
  Canvas(Bitmap& target, TPoint origin, const TRect& clip);

  Bitmap& target() const { return *target_; }
  TPoint origin() const { return origin_; }
  TRect clipRect() const;  // canvas coordinates

  void setPenColor(TColor c) { penColor_ = c; }
  TColor penColor() const { return penColor_; }
  void setPenWidth(int w) { penWidth_ = w < 1 ? 1 : w; }
  int penWidth() const { return penWidth_; }
  void setPenMode(PenMode m) { penMode_ = m; }
  PenMode penMode() const { return penMode_; }
  void setBrushColor(TColor c) { brushColor_ = c; }
  TColor brushColor() const { return brushColor_; }
  void setBrushStyle(BrushStyle s) { brushStyle_ = s; }
  BrushStyle brushStyle() const { return brushStyle_; }
  void setFont(const Font& f) { font_ = f; }
  const Font& font() const { return font_; }

  void moveTo(int x, int y) { penPos_ = {x, y}; }
  void lineTo(int x, int y);
  TPoint penPos() const { return penPos_; }
  void polyline(const std::vector<TPoint>& pts);
  void polygon(const std::vector<TPoint>& pts);  // filled with the brush unless clear
  void ellipse(int x1, int y1, int x2, int y2);  // filled with the brush unless clear
  void rectangle(int x1, int y1, int x2, int y2);
  // Counter-clockwise on screen from the radial through (x3, y3) to the radial through (x4, y4).
  void arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
  void polyBezier(const TPoint (&pts)[4]);

  // Text in UTF-8, top-left at (x, y); the background is filled unless the brush is clear.
  void textOut(int x, int y, const std::string& text);
  int textWidth(const std::string& text) const;
  int textHeight(const std::string& text) const;

  void fillRect(const TRect& r);          // brush colour, whatever the brush style
  TColor pixel(int x, int y) const;       // clInvalid outside the clip or the image
  void setPixel(int x, int y, TColor c);  // dropped outside the clip
  // Fills with the brush the 4-connected area of colour `surface` that contains (x, y).
  void floodFill(int x, int y, TColor surface);

  // Block transfers; the source is stretched when the rectangles differ in size.
  void draw(int x, int y, const Bitmap& src, RasterOp op = RasterOp::Copy);
  void stretchDraw(const TRect& dest, const Bitmap& src, RasterOp op = RasterOp::Copy);
  void copyRect(const TRect& dest, const Bitmap& src, const TRect& srcRect,
                RasterOp op = RasterOp::Copy);

  RawPixels raw() const;

  // Takes another canvas's target, origin and clip, keeping this one's pen, brush and font.
  void retarget(const Canvas& other) {
    target_ = other.target_;
    origin_ = other.origin_;
    clip_ = other.clip_;
  }

 private:
  Bitmap* target_;
  TPoint origin_;
  TRect clip_;  // target coordinates, within the image
  TColor penColor_ = clBlack;
  int penWidth_ = 1;
  PenMode penMode_ = PenMode::Copy;
  TColor brushColor_ = clWhite;
  BrushStyle brushStyle_ = BrushStyle::Solid;
  Font font_;
  TPoint penPos_;
};

}  // namespace platform
