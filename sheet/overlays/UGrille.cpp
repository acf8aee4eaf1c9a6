#include "UGrille.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>

#include "sheet/objects/ucalcul.h"
#include "uCouleurs.h"

using platform::Canvas;
using platform::TColor;
using platform::TRect;

bool GridShown = false;

int PageWidthPx(int ppi) {
  return int(std::nearbyint(ppi * 210 / 25.4));
}
int PageHeightPx(int ppi) {
  return int(std::nearbyint(ppi * 297 / 25.4));
}

TPageSize PageSizeFor(int orientation, int ppi) {
  const int shortSide = PageWidthPx(ppi), longSide = PageHeightPx(ppi);
  return orientation == 1 ? TPageSize{longSide, shortSide} : TPageSize{shortSide, longSide};
}

TPageSize PageSizeMm(int orientation) {
  return orientation == 1 ? TPageSize{297, 210} : TPageSize{210, 297};
}

namespace {

constexpr int32_t kIntMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kIntMax = std::numeric_limits<int32_t>::max();

int32_t Saturate(int64_t v) {
  return int32_t(std::clamp<int64_t>(v, kIntMin, kIntMax));
}

struct Area {
  int32_t ox, oy, w, h;  // mm
};

std::optional<Area> AreaOf(const TGridSettings& g) {
  const auto ox = GridFieldValue(g.OriginX), oy = GridFieldValue(g.OriginY),
             w = GridFieldValue(g.Width), h = GridFieldValue(g.Height);
  if (!ox || !oy || !w || !h) return std::nullopt;
  return Area{*ox, *oy, *w, *h};
}

int32_t ClampSpacing(int32_t v) {
  return std::clamp(v, GridSpacingMin, GridSpacingMax);
}

// The index the colour list would show: out-of-range selections show nothing.
int32_t ListIndex(int32_t v) {
  return v >= 0 && v < NamedColourCount ? v : -1;
}

// First line index worth drawing. Lines left of (or above) the canvas by more than a step are
// skipped so a far-off origin costs nothing; `base` does not depend on which region of the canvas
// is being repainted, so every repaint puts the lines on the same pixels.
int64_t FirstVisibleLine(int32_t origin, int32_t clipStart, double step) {
  const int32_t base = std::min(0, clipStart);
  if (origin >= base) return 0;
  return std::max<int64_t>(0, int64_t(std::floor((double(base) - origin) / step)) - 1);
}

int32_t ClampTo(int64_t v, int32_t lo, int32_t hi) {
  return int32_t(std::clamp<int64_t>(v, lo, hi));
}

int MarkWidth(int64_t i, int w5, int w10) {
  if (i % 10 == 0) return w10;
  if (i % 5 == 0) return w5;
  return 1;
}

}  // namespace

std::optional<int32_t> GridFieldValue(const std::string& text) {
  const char* first = text.data();
  const char* last = first + text.size();
  const bool plus = first != last && *first == '+';
  const char* digits = first + (first != last && (*first == '+' || *first == '-') ? 1 : 0);
  if (digits == last || *digits < '0' || *digits > '9') return std::nullopt;
  if (plus) ++first;  // from_chars takes '-' only
  int32_t v = 0;
  const auto [end, ec] = std::from_chars(first, last, v, 10);
  if (ec != std::errc() || end != last) return std::nullopt;
  return v;
}

TRect GridRect(const TGridSettings& g, int ppi) {
  const auto a = AreaOf(g);
  if (!a) return {};
  const double k = ppi / 25.4;
  const int32_t left = NearestSaturated(a->ox * k), top = NearestSaturated(a->oy * k);
  return {left, top, Saturate(int64_t(left) + NearestSaturated(a->w * k)),
          Saturate(int64_t(top) + NearestSaturated(a->h * k))};
}

bool IsWithinGridX(const TGridSettings& g, int ppi, int v) {
  const auto a = AreaOf(g);
  if (!a) return false;
  const double k = ppi / 25.4;
  return NearestSaturated(a->ox * k) <= v && v <= NearestSaturated((double(a->ox) + a->w) * k);
}

bool IsWithinGridY(const TGridSettings& g, int ppi, int v) {
  const auto a = AreaOf(g);
  if (!a) return false;
  const double k = ppi / 25.4;
  return NearestSaturated(a->oy * k) <= v && v <= NearestSaturated((double(a->oy) + a->h) * k);
}

TColor GridColor(const TGridSettings& g) {
  return NamedColourAt(g.ColourIndex, platform::clBlack);
}

void DrawGrid(Canvas& c, const TGridSettings& g, int ppi, double s) {
  if (!(s > 0) || ppi <= 0) return;
  const TRect clip = c.clipRect();
  if (clip.isEmpty()) return;

  // 1. The area, or the whole clip while a field cannot be read.
  const double k = s * ppi / 25.4;
  int32_t ox = 0, oy = 0;
  int64_t W = clip.Right, H = clip.Bottom;
  if (const auto a = AreaOf(g)) {
    ox = NearestSaturated(a->ox * k);
    oy = NearestSaturated(a->oy * k);
    W = NearestSaturated(a->w * k);
    H = NearestSaturated(a->h * k);
  }
  // 2. Steps, unrounded so that they do not drift.
  const double dx = s * (ClampSpacing(g.SpacingX) * ppi / 25.4);
  const double dy = s * (ClampSpacing(g.SpacingY) * ppi / 25.4);

  // 3.
  const TColor penColour = c.penColor(), brushColour = c.brushColor();
  const int penWidth = c.penWidth();
  const platform::BrushStyle brushStyle = c.brushStyle();
  const TColor colour = GridColor(g);
  c.setPenColor(colour);
  c.setPenWidth(1);
  const int w5 = g.Mark5 ? 2 : 1;
  const int w10 = g.Mark10 ? (g.Mark5 ? 3 : 2) : w5;

  if (GridLines(g)) {
    // Line ends are kept a little beyond the clip: a far-off end would cost a walk over
    // pixels that are never shown. The margin covers the widest pen's cap.
    constexpr int margin = 4;
    const int32_t x0 = ClampTo(ox, clip.Left - margin, clip.Right + margin);
    const int32_t x1 = ClampTo(int64_t(ox) + W, clip.Left - margin, clip.Right + margin);
    const int32_t y0 = ClampTo(oy, clip.Top - margin, clip.Bottom + margin);
    const int32_t y1 = ClampTo(int64_t(oy) + H, clip.Top - margin, clip.Bottom + margin);

    // 4a. Vertical lines; the one on the area's right edge is included.
    int64_t i = FirstVisibleLine(ox, clip.Left, dx);
    for (double x = ox + double(i) * dx; NearestSaturated(x) <= int64_t(ox) + W && x < clip.Right;
         ++i, x += dx) {
      c.setPenWidth(MarkWidth(i, w5, w10));
      c.moveTo(NearestSaturated(x), y0);
      c.lineTo(NearestSaturated(x), y1);
    }
    // 4b. Horizontal lines.
    int64_t j = FirstVisibleLine(oy, clip.Top, dy);
    for (double y = oy + double(j) * dy; NearestSaturated(y) <= int64_t(oy) + H && y < clip.Bottom;
         ++j, y += dy) {
      c.setPenWidth(MarkWidth(j, w5, w10));
      c.moveTo(x0, NearestSaturated(y));
      c.lineTo(x1, NearestSaturated(y));
    }
  } else {
    // 5. Intersection points from one step off the canvas origin, over the whole clip.
    c.setBrushColor(colour);
    c.setBrushStyle(platform::BrushStyle::Solid);
    int64_t j = 0;
    for (double y = dy; y < clip.Bottom; ++j, y += dy) {
      int64_t i = 0;
      for (double x = NearestSaturated(dx); x < clip.Right; ++i, x += dx) {
        int m = 1;
        if (i % 10 == 0 && j % 10 == 0)
          m = w10;
        else if (i % 5 == 0 && j % 5 == 0)
          m = w5;
        const TRect box{NearestSaturated(x - m), NearestSaturated(y - m),
                        NearestSaturated(x + m + 1), NearestSaturated(y + m + 1)};
        if (box.intersects(clip)) c.ellipse(box.Left, box.Top, box.Right, box.Bottom);
      }
    }
  }

  c.setPenColor(penColour);
  c.setPenWidth(penWidth);
  c.setBrushColor(brushColour);
  c.setBrushStyle(brushStyle);
}

void ResetGridArea(TGridSettings& g, int orientation) {
  const TPageSize page = PageSizeMm(orientation);
  g.OriginX = "0";
  g.OriginY = "0";
  g.Width = std::to_string(page.width);
  g.Height = std::to_string(page.height);
}

void ResetGrid(TGridSettings& g, int orientation) {
  g.ColourIndex = 0;
  g.Lines = true;
  g.SpacingX = 10;
  g.SpacingY = 10;
  g.Mark5 = false;
  g.Mark10 = false;
  ResetGridArea(g, orientation);
}

void WriteGridRecord(platform::Stream& s, const TGridSettings& g) {
  s.writeU16(GridRecordVersion);
  s.writeI32(g.SpacingX);
  s.writeI32(g.SpacingY);
  s.writeI32(g.ColourIndex);
  s.writeBool(g.Lines);
  s.writeBool(g.Mark5);
  s.writeBool(g.Mark10);
  s.writeString(g.OriginX);
  s.writeString(g.OriginY);
  s.writeString(g.Width);
  s.writeString(g.Height);
}

void ReadGridRecord(platform::Stream& s, TGridSettings& g, int orientation) {
  TGridSettings r = g;
  const uint16_t version = s.readU16();
  r.SpacingX = ClampSpacing(s.readI32());
  r.SpacingY = ClampSpacing(s.readI32());
  r.ColourIndex = ListIndex(s.readI32());
  r.Lines = s.readBool();
  if (version >= 1) {
    r.Mark5 = s.readBool();
    r.Mark10 = s.readBool();
  }
  if (version < 2) {
    ResetGridArea(r, orientation);
  } else {
    r.OriginX = s.readString();
    r.OriginY = s.readString();
    r.Width = s.readString();
    r.Height = s.readString();
  }
  g = std::move(r);
}

std::string CheckGridField(TGridSettings& g, TGridField left, int orientation) {
  const bool across = left == TGridField::OriginX || left == TGridField::Width;
  std::string& originText = across ? g.OriginX : g.OriginY;
  std::string& extentText = across ? g.Width : g.Height;
  const TPageSize page = PageSizeMm(orientation);
  const int pageExtent = across ? page.width : page.height;

  const auto origin = GridFieldValue(originText), extent = GridFieldValue(extentText);
  if (!origin || !extent) {
    switch (left) {
      case TGridField::OriginX:
        g.OriginX = "0";
        return "la position gauche de la grille indiquée n'est pas correcte !";
      case TGridField::OriginY:
        g.OriginY = "0";
        return "la position supérieure de la grille indiquée n'est pas correcte !";
      case TGridField::Width:
        g.Width = "0";
        return "la largeur de la grille indiquée n'est pas correcte !";
      case TGridField::Height:
        g.Height = "0";
        return "la hauteur de la grille indiquée n'est pas correcte !";
    }
  }
  if (int64_t(*origin) + *extent <= pageExtent) return {};
  // Leaving an origin corrects the extent silently; leaving the extent says why.
  extentText = std::to_string(int64_t(pageExtent) - *origin);
  if (left == TGridField::Width) return "La grille ne peut pas être plus large que la page";
  if (left == TGridField::Height) return "La grille ne peut pas être plus haute que la page";
  return {};
}
