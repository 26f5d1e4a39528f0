#include "widgets/GaugeMath.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <limits>

#include "runtime/Exceptions.h"

static_assert(std::numeric_limits<long double>::digits == 64,
              "the gauge's arithmetic needs the 80-bit extended type");

namespace {

// π rounded to the extended type.
constexpr long double kPi = 3.14159265358979323846264338327950288L;

// The extended value nearest to 1/100; it lies just below 1/100.
constexpr long double kOneHundredth = 0.01L;

#if defined(__i386__) || defined(__x86_64__)
// Holds the x87 control word at 64-bit precision and round-to-nearest for its
// lifetime. Windows may start a thread at 53-bit precision and a loaded DLL
// may change the control word; either would round the products to fewer bits
// and move lengths by a pixel.
class ExtendedPrecisionScope {
 public:
  ExtendedPrecisionScope() {
    asm volatile("fnstcw %0" : "=m"(saved_) : : "memory");
    // Bits 8-9 precision (11 = 64 bits), bits 10-11 rounding (00 = nearest).
    const std::uint16_t extended = static_cast<std::uint16_t>((saved_ & ~0x0F00u) | 0x0300u);
    asm volatile("fldcw %0" : : "m"(extended) : "memory");
  }
  ~ExtendedPrecisionScope() { asm volatile("fldcw %0" : : "m"(saved_) : "memory"); }
  ExtendedPrecisionScope(const ExtendedPrecisionScope&) = delete;
  ExtendedPrecisionScope& operator=(const ExtendedPrecisionScope&) = delete;

 private:
  std::uint16_t saved_ = 0;
};
#else
#error "the gauge's arithmetic is written for the x87 extended type"
#endif

// Truncates toward zero into the int range.
int TruncateToInt(long double x) {
  if (x >= 2147483648.0L) return INT_MAX;
  if (x <= -2147483649.0L) return INT_MIN;
  return static_cast<int>(x);
}

// x to the nearest integer, halves to even, into the int range.
int RoundToInt(long double x) {
  return TruncateToInt(std::nearbyint(x));
}

int Saturate(std::int64_t v) {
  if (v > INT_MAX) return INT_MAX;
  if (v < INT_MIN) return INT_MIN;
  return static_cast<int>(v);
}

std::string RangeMessage(std::int64_t low, std::int64_t high) {
  char text[80];
  std::snprintf(text, sizeof text, "Value must be between %lld and %lld",
                static_cast<long long>(low), static_cast<long long>(high));
  return text;
}

}  // namespace

int PercentForValue(std::int64_t value, std::int64_t span) {
  if (span == 0) return 0;
  // value × 100 is exact in 64 bits for everything a gauge passes (at most 33
  // significant bits); beyond that the quotient is taken in extended.
  constexpr std::int64_t kExactLimit = std::int64_t{1} << 56;
  if (value < kExactLimit && value > -kExactLimit && span < kExactLimit && span > -kExactLimit) {
    return Saturate(value * 100 / span);
  }
  return TruncateToInt(static_cast<long double>(value) * 100.0L / static_cast<long double>(span));
}

int LengthForPercent(int percent, int length) {
  ExtendedPrecisionScope scope;
  // The operands pass through volatile storage so that the products are
  // formed, and stored, while the control word above is in force.
  volatile long double percentValue = percent;
  volatile long double lengthValue = length;
  volatile long double p = percentValue * kOneHundredth;
  volatile long double q = p * lengthValue;
  return TruncateToInt(q);
}

std::string PercentText(int percent) {
  char text[16];
  std::snprintf(text, sizeof text, "%d%%", percent);
  return text;
}

PixelRect GaugePaintRect(int width, int height, bool bordered, int borderWidth) {
  if (bordered) return {borderWidth, borderWidth, width - borderWidth, height - borderWidth};
  return {0, 0, width, height};
}

PixelRect HorizontalBarFill(const PixelRect& r, int percent) {
  const int w = r.right - r.left + 1;
  const int h = r.bottom - r.top + 1;
  int f = LengthForPercent(percent, w);
  if (f > w) f = w;
  if (f < 1) return {};
  return {r.left, r.top, f, h};
}

PixelRect VerticalBarFill(const PixelRect& r, int percent) {
  const int w = r.right - r.left + 1;
  const int h = r.bottom - r.top + 1;
  int f = LengthForPercent(percent, h);
  if (f >= h) f = h - 1;
  return {r.left, h - f, w, h};
}

PixelRect DialBox(const PixelRect& r, bool bordered) {
  const int extra = bordered ? 1 : 0;
  return {r.left, r.top, r.right - r.left + extra, r.bottom - r.top + extra};
}

PixelPoint PieStartPoint(int percent, int mx, int my) {
  ExtendedPrecisionScope scope;
  // The angle is formed in extended and then held as a double.
  volatile double angle = static_cast<double>((percent / 50.0L + 0.5L) * kPi);
  const long double a = angle;
  return {RoundToInt(mx * (1.0L - std::cos(a))), RoundToInt(my * (1.0L - std::sin(a)))};
}

PixelPoint NeedleTip(int percent, int cx, int baseY) {
  ExtendedPrecisionScope scope;
  volatile double angle = static_cast<double>(percent / 100.0L * kPi);
  const long double a = angle;
  return {RoundToInt((1.0L - std::cos(a)) * cx), RoundToInt((1.0L - std::sin(a)) * baseY)};
}

PixelPoint PercentTextOrigin(const PixelRect& r, int textWidth, int textHeight) {
  return {(r.right - r.left + 1 - textWidth) / 2, (r.bottom - r.top + 1 - textHeight) / 2};
}

int GaugeRange::PercentShown() const noexcept {
  return PercentForValue(std::int64_t{progress_} - min_, std::int64_t{max_} - min_);
}

bool GaugeRange::SetMinValue(int value, bool loading) {
  if (value == min_) return false;
  if (value > max_ && !loading) {
    throw EInvalidOperation(RangeMessage(-2147483647, std::int64_t{max_} - 1));
  }
  min_ = value;
  if (progress_ < value) progress_ = value;
  return true;
}

bool GaugeRange::SetMaxValue(int value, bool loading) {
  if (value == max_) return false;
  if (value < min_ && !loading) {
    throw EInvalidOperation(RangeMessage(std::int64_t{min_} + 1, 2147483647));
  }
  max_ = value;
  if (progress_ > value) progress_ = value;
  return true;
}

bool GaugeRange::SetProgress(int value) {
  const int shownBefore = PercentShown();
  if (value < min_) {
    value = min_;
  } else if (value > max_) {
    value = max_;
  }
  if (value == progress_) return false;
  progress_ = value;
  return PercentShown() != shownBefore;
}

void GaugeRange::AdvanceProgress(int delta) {
  SetProgress(Saturate(std::int64_t{progress_} + delta));
}
