// Points and rectangles in pixels, shared by the window, canvas and control code.
#pragma once

namespace vkr {

struct Point {
  int x = 0;
  int y = 0;
  friend bool operator==(const Point& a, const Point& b) { return a.x == b.x && a.y == b.y; }
  friend bool operator!=(const Point& a, const Point& b) { return !(a == b); }
};

// Left and top inside, right and bottom outside, as Windows counts them.
struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool Contains(Point p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
  friend bool operator==(const Rect& a, const Rect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
  }
  friend bool operator!=(const Rect& a, const Rect& b) { return !(a == b); }
};

inline Rect RectOfSize(int left, int top, int width, int height) { return {left, top, left + width, top + height}; }

}  // namespace vkr
