#pragma once
#include <cstdint>

namespace platform {

// A pixel position; x grows to the right, y downward.
struct TPoint {
  int32_t x = 0;
  int32_t y = 0;
  friend bool operator==(const TPoint&, const TPoint&) = default;
};

// Right and Bottom are exclusive, as in GDI.
struct TRect {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = 0;
  int32_t Bottom = 0;
  int32_t width() const { return Right - Left; }
  int32_t height() const { return Bottom - Top; }
  bool isEmpty() const { return Right <= Left || Bottom <= Top; }
  bool contains(int32_t x, int32_t y) const {
    return x >= Left && x < Right && y >= Top && y < Bottom;
  }
  TRect translated(int32_t dx, int32_t dy) const {
    return {Left + dx, Top + dy, Right + dx, Bottom + dy};
  }
  TRect intersected(const TRect& o) const;
  TRect united(const TRect& o) const;  // an empty side is ignored
  bool intersects(const TRect& o) const { return !intersected(o).isEmpty(); }
  friend bool operator==(const TRect&, const TRect&) = default;
};

inline TRect rectXYWH(int32_t x, int32_t y, int32_t w, int32_t h) {
  return {x, y, x + w, y + h};
}

inline TRect TRect::intersected(const TRect& o) const {
  TRect r{Left > o.Left ? Left : o.Left, Top > o.Top ? Top : o.Top,
          Right < o.Right ? Right : o.Right, Bottom < o.Bottom ? Bottom : o.Bottom};
  if (r.isEmpty()) return {};
  return r;
}

inline TRect TRect::united(const TRect& o) const {
  if (o.isEmpty()) return *this;
  if (isEmpty()) return o;
  return {Left < o.Left ? Left : o.Left, Top < o.Top ? Top : o.Top,
          Right > o.Right ? Right : o.Right, Bottom > o.Bottom ? Bottom : o.Bottom};
}

enum class MouseButton { Left, Right, Middle };

// Modifier and button state at the time of an event (VCL's TShiftState).
struct ShiftState {
  bool shift = false;
  bool ctrl = false;
  bool alt = false;
  bool left = false;
  bool right = false;
  bool middle = false;
};

}  // namespace platform
