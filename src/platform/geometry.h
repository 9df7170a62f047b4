// Plain geometry values shared by the windows, the controls and the canvas: integer pixels, the
// rectangle in the system's left/top/right/bottom form (right and bottom exclusive).
#pragma once

#include <cmath>
#include <cstdint>

namespace vkr {

struct Point {
  int x = 0;
  int y = 0;
  friend bool operator==(const Point& a, const Point& b) { return a.x == b.x && a.y == b.y; }
  friend bool operator!=(const Point& a, const Point& b) { return !(a == b); }
};

struct Size {
  int width = 0;
  int height = 0;
  friend bool operator==(const Size& a, const Size& b) { return a.width == b.width && a.height == b.height; }
  friend bool operator!=(const Size& a, const Size& b) { return !(a == b); }
};

struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool IsEmpty() const { return right <= left || bottom <= top; }
  bool Contains(Point p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
  Rect Offset(int dx, int dy) const { return Rect{left + dx, top + dy, right + dx, bottom + dy}; }
  friend bool operator==(const Rect& a, const Rect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
  }
  friend bool operator!=(const Rect& a, const Rect& b) { return !(a == b); }
};

// The rectangle at (left, top) of the given size.
inline Rect BoundsRect(int left, int top, int width, int height) { return Rect{left, top, left + width, top + height}; }

// The intersection; an empty rectangle (all zero) when they do not overlap.
inline Rect Intersect(const Rect& a, const Rect& b) {
  Rect r{a.left > b.left ? a.left : b.left, a.top > b.top ? a.top : b.top, a.right < b.right ? a.right : b.right,
         a.bottom < b.bottom ? a.bottom : b.bottom};
  return r.IsEmpty() ? Rect{} : r;
}

// Rounds to the nearest integer, a half going to the even neighbour (2.5 -> 2, 3.5 -> 4, -0.5 -> 0):
// the rounding of the layout rules' centring and of the processor clock.
inline std::int64_t RoundHalfEven(double value) {
  const double floor = std::floor(value);
  const double fraction = value - floor;
  double rounded = floor;
  if (fraction > 0.5) {
    rounded = floor + 1;
  } else if (fraction == 0.5) {
    rounded = std::fmod(floor, 2.0) == 0 ? floor : floor + 1;
  }
  return static_cast<std::int64_t>(rounded);
}

}  // namespace vkr
