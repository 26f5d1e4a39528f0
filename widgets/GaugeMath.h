// The progress gauge's arithmetic, free of any drawing: the percentage shown,
// the extended-precision lengths of the bars, the points of the pie and the
// needle, the placement of the percentage text, and the range rules of the
// gauge's setters. Builds on every platform.
#pragma once

#include <cstdint>
#include <string>

#include "widgets/PixelGeometry.h"

// Shape of a gauge, one byte, in this order.
enum TGaugeKind : std::uint8_t {
  gkText,
  gkHorizontalBar,
  gkVerticalBar,
  gkPie,
  gkNeedle,
};

// value × 100 / span truncated toward zero; 0 for an empty span. Exact for
// every difference of two 32-bit values; the result saturates at the ends of
// the int range.
int PercentForValue(std::int64_t value, std::int64_t span);

// trunc((percent × 0.01) × length) in 80-bit extended arithmetic, each
// operation rounded to nearest with ties to even, where 0.01 is the extended
// value nearest to 1/100 (just below it): 5 % of 20 gives 0, 15 % of 20
// gives 2. The x87 unit is switched to 64-bit precision and nearest rounding
// for the computation, whatever the caller left in its control word. The
// result saturates at the ends of the int range.
int LengthForPercent(int percent, int length);

// The text the gauge shows: the percentage followed by a percent sign.
std::string PercentText(int percent);

// The rectangle the shapes are drawn in: the control's rectangle, shrunk by
// the border's width (one pixel at 96 pixels per inch) on every side when
// the gauge has a border.
PixelRect GaugePaintRect(int width, int height, bool bordered, int borderWidth = 1);

// The filled part of a horizontal bar drawn in r (whose extents count one
// more pixel than r holds); empty when nothing is filled.
PixelRect HorizontalBarFill(const PixelRect& r, int percent);

// The filled part of a vertical bar drawn in r, growing from the bottom.
PixelRect VerticalBarFill(const PixelRect& r, int percent);

// The box of the pie's ellipse and of the needle's dial: (r.left, r.top, W, H)
// where W and H are r's extents, plus one each on a bordered gauge.
PixelRect DialBox(const PixelRect& r, bool bordered);

// Start point of the pie's wedge for a box whose half extents are mx and my;
// the wedge ends at (mx, 0), 12 o'clock, and grows clockwise.
PixelPoint PieStartPoint(int percent, int mx, int my);

// Tip of the needle that pivots at (cx, baseY): from the left (0 %) through
// the top (50 %) to the right (100 %).
PixelPoint NeedleTip(int percent, int cx, int baseY);

// Where the percentage text of the given extent starts: centred on r's
// extents (plus one), in image coordinates.
PixelPoint PercentTextOrigin(const PixelRect& r, int textWidth, int textHeight);

// The gauge's range and value with the rules of its setters. Each setter
// answers whether the gauge must repaint at once.
class GaugeRange {
 public:
  int MinValue() const noexcept { return min_; }
  int MaxValue() const noexcept { return max_; }
  int Progress() const noexcept { return progress_; }
  // PercentForValue(Progress − MinValue, MaxValue − MinValue), the
  // differences taken in 64 bits so that no range overflows.
  int PercentShown() const noexcept;

  // A bound that would cross the other one fails with EInvalidOperation
  // "Value must be between %d and %d" and changes nothing, except while the
  // gauge is being loaded (bounds then come in any order). Progress follows
  // the moved bound.
  bool SetMinValue(int value, bool loading);
  bool SetMaxValue(int value, bool loading);
  // Clamps to the range; repaints only when the percentage shown changes.
  bool SetProgress(int value);
  // Progress + delta through SetProgress (clamped, never overflowing); the
  // caller repaints whatever came of it.
  void AdvanceProgress(int delta);

 private:
  int min_ = 0;
  int max_ = 100;
  int progress_ = 0;
};
