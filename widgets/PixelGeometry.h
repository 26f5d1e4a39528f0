// Plain pixel rectangles and points for the display components' arithmetic.
// Rectangles are (left, top, right, bottom) with the left and top edges inside
// and the right and bottom edges outside.
#pragma once

struct PixelPoint {
  int x = 0;
  int y = 0;
  friend bool operator==(const PixelPoint&, const PixelPoint&) = default;
};

struct PixelRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  bool Empty() const noexcept { return right <= left || bottom <= top; }
  friend bool operator==(const PixelRect&, const PixelRect&) = default;
};
