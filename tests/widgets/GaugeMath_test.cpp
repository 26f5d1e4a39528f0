#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>

#include "runtime/Exceptions.h"
#include "widgets/GaugeMath.h"

namespace {

// An exact model of binary floating point with a `bits`-bit significand,
// rounding to nearest with ties to even, for the two products of
// LengthForPercent. value = mantissa × 2^exponent.
#ifdef __SIZEOF_INT128__
using Wide = unsigned __int128;
#else
// 32-bit targets have no 128-bit integer: the few operations the model uses.
struct Wide {
  std::uint64_t hi = 0, lo = 0;
  constexpr Wide() = default;
  constexpr Wide(std::uint64_t value) : lo(value) {}  // NOLINT: converts like the built-in type
  constexpr Wide(std::uint64_t h, std::uint64_t l) : hi(h), lo(l) {}
  explicit operator std::uint64_t() const { return lo; }
  explicit operator long long() const { return static_cast<long long>(lo); }
  friend bool operator==(Wide a, Wide b) { return a.hi == b.hi && a.lo == b.lo; }
  friend bool operator<(Wide a, Wide b) { return a.hi != b.hi ? a.hi < b.hi : a.lo < b.lo; }
  friend bool operator>(Wide a, Wide b) { return b < a; }
  friend Wide operator&(Wide a, Wide b) { return {a.hi & b.hi, a.lo & b.lo}; }
  friend Wide operator-(Wide a, Wide b) { return {a.hi - b.hi - (a.lo < b.lo ? 1 : 0), a.lo - b.lo}; }
  friend Wide operator+(Wide a, Wide b) { return {a.hi + b.hi + (a.lo + b.lo < a.lo ? 1 : 0), a.lo + b.lo}; }
  friend Wide operator<<(Wide a, int n) {
    if (n == 0) return a;
    if (n >= 64) return {a.lo << (n - 64), 0};
    return {(a.hi << n) | (a.lo >> (64 - n)), a.lo << n};
  }
  friend Wide operator>>(Wide a, int n) {
    if (n == 0) return a;
    if (n >= 64) return {0, a.hi >> (n - 64)};
    return {a.hi >> n, (a.lo >> n) | (a.hi << (64 - n))};
  }
  Wide& operator>>=(int n) { return *this = *this >> n; }
  Wide& operator++() { return *this = *this + Wide{1}; }
  friend Wide operator*(Wide a, Wide b) {  // shift and add: slow, but exact
    Wide product;
    for (int bit = 0; bit < 128; ++bit) {
      if ((((bit < 64 ? b.lo >> bit : b.hi >> (bit - 64))) & 1) != 0) product = product + (a << bit);
    }
    return product;
  }
  friend Wide operator/(Wide a, std::uint64_t d) {  // long division by a small divisor
    Wide quotient;
    Wide rest;
    for (int bit = 127; bit >= 0; --bit) {
      rest = (rest << 1) + Wide{((bit < 64 ? a.lo >> bit : a.hi >> (bit - 64))) & 1};
      if (!(rest < Wide{d})) {
        rest = rest - Wide{d};
        quotient = quotient + (Wide{1} << bit);
      }
    }
    return quotient;
  }
};
#endif

struct Binary {
  Wide mantissa;
  int exponent;
};

int BitLength(Wide n) {
  int length = 0;
  while (n != 0) {
    n >>= 1;
    ++length;
  }
  return length;
}

Binary Round(Wide n, int exponent, int bits) {
  const int length = BitLength(n);
  if (length > bits) {
    const int shift = length - bits;
    Wide kept = n >> shift;
    const Wide rest = n & ((Wide{1} << shift) - 1);
    const Wide half = Wide{1} << (shift - 1);
    if (rest > half || (rest == half && (kept & 1) != 0)) ++kept;
    exponent += shift;
    if (BitLength(kept) > bits) {  // the carry ran through: 10...0
      kept >>= 1;
      ++exponent;
    }
    n = kept;
  }
  return {n, exponent};
}

// 1/100 rounded to `bits` significant bits (1/100 = 2^-70 × 2^70/100, whose
// integer part has 64 bits).
Binary OneHundredth(int bits) {
  const Wide scaled = (Wide{1} << 70) * 2 / 100;  // one extra bit for rounding
  Binary c = Round(scaled, -71, 64);
  return Round(c.mantissa, c.exponent, bits);
}

long long ReferenceLength(int percent, int length, int bits) {
  const bool negative = (percent < 0) != (length < 0);
  const Wide absPercent = static_cast<Wide>(percent < 0 ? -static_cast<long long>(percent) : percent);
  const Wide absLength = static_cast<Wide>(length < 0 ? -static_cast<long long>(length) : length);
  const Binary c = OneHundredth(bits);
  const Binary p = Round(c.mantissa * absPercent, c.exponent, bits);
  const Binary q = Round(p.mantissa * absLength, p.exponent, bits);
  Wide whole = 0;
  if (q.exponent >= 0) {
    whole = q.mantissa << q.exponent;
  } else if (q.exponent > -128) {
    whole = q.mantissa >> -q.exponent;
  }
  const long long magnitude = static_cast<long long>(whole);
  return negative ? -magnitude : magnitude;
}

// Reads and sets the x87 control word.
std::uint16_t ControlWord() {
  std::uint16_t word = 0;
  asm volatile("fnstcw %0" : "=m"(word) : : "memory");
  return word;
}

void SetControlWord(std::uint16_t word) { asm volatile("fldcw %0" : : "m"(word) : "memory"); }

}  // namespace

TEST(LengthForPercent, WorkedCases) {
  struct Case {
    int percent, length, expected;
  };
  const Case cases[] = {
      {5, 20, 0},   {10, 10, 0},    {20, 5, 0},     {15, 20, 2},    {50, 20, 10},
      {1, 249, 2},  {50, 249, 124}, {100, 249, 249}, {0, 249, 0},   {100, 1, 1},
      {33, 100, 33}, {100, 2147483647, 2147483647},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.percent) + "% of " + std::to_string(c.length));
    EXPECT_EQ(LengthForPercent(c.percent, c.length), c.expected);
  }
}

// Equality with the exact model over a large table proves that this build
// really computes in 64-bit significands; the same table passes in every
// build, so all builds agree.
TEST(LengthForPercent, AgreesWithExactExtendedArithmetic) {
  int mismatches = 0;
  for (int percent = -3; percent <= 103 && mismatches < 10; ++percent) {
    for (int length = -50; length <= 1200 && mismatches < 10; ++length) {
      const long long expected = ReferenceLength(percent, length, 64);
      const int actual = LengthForPercent(percent, length);
      if (actual != expected) {
        ++mismatches;
        ADD_FAILURE() << percent << "% of " << length << ": " << actual << ", expected " << expected;
      }
    }
  }
  std::uint32_t seed = 12345;
  for (int i = 0; i < 20000 && mismatches < 10; ++i) {
    seed = seed * 1664525u + 1013904223u;
    const int percent = static_cast<int>(seed % 101);
    seed = seed * 1664525u + 1013904223u;
    const int length = static_cast<int>(seed >> 1);
    if (LengthForPercent(percent, length) != ReferenceLength(percent, length, 64)) {
      ++mismatches;
      ADD_FAILURE() << percent << "% of " << length;
    }
  }
}

TEST(LengthForPercent, QuartersAreAlwaysExact) {
  for (int length = 0; length <= 70000; ++length) {
    ASSERT_EQ(LengthForPercent(0, length), 0) << length;
    ASSERT_EQ(LengthForPercent(25, length), length / 4) << length;
    ASSERT_EQ(LengthForPercent(50, length), length / 2) << length;
    ASSERT_EQ(LengthForPercent(75, length), static_cast<int>(3LL * length / 4)) << length;
    ASSERT_EQ(LengthForPercent(100, length), length) << length;
  }
}

// A caller (or a DLL loaded into the process) may leave the x87 unit at
// double precision or another rounding mode; the lengths must not move, and
// the caller's control word must come back unchanged.
TEST(LengthForPercent, IgnoresTheCallersPrecisionAndRounding) {
  const std::uint16_t original = ControlWord();
  const std::uint16_t modes[] = {
      static_cast<std::uint16_t>((original & ~0x0F00u) | 0x0200u),  // 53 bits, nearest
      static_cast<std::uint16_t>((original & ~0x0F00u) | 0x0000u),  // 24 bits, nearest
      static_cast<std::uint16_t>((original & ~0x0F00u) | 0x0B00u),  // 64 bits, upward
  };
  for (const std::uint16_t mode : modes) {
    SCOPED_TRACE(mode);
    SetControlWord(mode);
    int mismatches = 0;
    for (int percent = 0; percent <= 100; ++percent) {
      for (int length = 0; length <= 300; ++length) {
        if (LengthForPercent(percent, length) != ReferenceLength(percent, length, 64)) ++mismatches;
      }
    }
    const PixelPoint pie = PieStartPoint(50, 40, 30);
    const std::uint16_t after = ControlWord();
    SetControlWord(original);
    EXPECT_EQ(mismatches, 0);
    EXPECT_EQ(pie, (PixelPoint{40, 60}));
    EXPECT_EQ(after, mode);
  }
}

TEST(PercentForValue, TruncatesExactlyWithoutOverflow) {
  struct Case {
    std::int64_t value, span;
    int expected;
  };
  const Case cases[] = {
      {0, 0, 0},
      {5, 0, 0},
      {2, 3, 66},
      {1, 3, 33},
      {3, 3, 100},
      {5, 1000, 0},
      {10, 1000, 1},
      {-2, 3, -66},
      {999999, 1000000, 99},
      {2147483647, 2147483647, 100},
      {4294967293LL, 4294967294LL, 99},
      {2147483647, 1, INT_MAX},
      {INT64_MAX, 1, INT_MAX},
      {INT64_MAX / 2, INT64_MAX, 49},
      {INT64_MAX / 2 + 1, INT64_MAX, 50},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.value) + " of " + std::to_string(c.span));
    EXPECT_EQ(PercentForValue(c.value, c.span), c.expected);
  }
}

TEST(GaugeShapes, BarFills) {
  struct Case {
    int width, height;
    bool bordered;
    TGaugeKind kind;
    int percent;
    PixelRect expected;
  };
  const Case cases[] = {
      // The boot window's gauge: 250 × 19 with a border, W = 249.
      {250, 19, true, gkHorizontalBar, 1, {1, 1, 2, 18}},
      {250, 19, true, gkHorizontalBar, 50, {1, 1, 124, 18}},
      {250, 19, true, gkHorizontalBar, 100, {1, 1, 249, 18}},
      {250, 19, true, gkHorizontalBar, 0, {}},
      // W = 20.
      {21, 10, true, gkHorizontalBar, 5, {}},
      {21, 10, true, gkHorizontalBar, 15, {1, 1, 2, 9}},
      {21, 10, true, gkHorizontalBar, 50, {1, 1, 10, 9}},
      // Vertical: the bottom F rows of R; R exactly at 100 %.
      {10, 21, true, gkVerticalBar, 50, {1, 10, 9, 20}},
      {10, 21, true, gkVerticalBar, 100, {1, 1, 9, 20}},
      {10, 21, true, gkVerticalBar, 0, {1, 20, 9, 20}},
      // Unbordered: the extents count one pixel more than the control.
      {20, 10, false, gkHorizontalBar, 100, {0, 0, 21, 11}},
      {10, 20, false, gkVerticalBar, 100, {0, 1, 11, 21}},
      // A percentage above 100 fills no more than the bar.
      {21, 10, true, gkHorizontalBar, 150, {1, 1, 20, 9}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + " at " +
                 std::to_string(c.percent));
    const PixelRect r = GaugePaintRect(c.width, c.height, c.bordered);
    const PixelRect fill = c.kind == gkHorizontalBar ? HorizontalBarFill(r, c.percent)
                                                     : VerticalBarFill(r, c.percent);
    if (c.expected.Empty()) {
      EXPECT_TRUE(fill.Empty());
    } else {
      EXPECT_EQ(fill, c.expected);
    }
  }
}

TEST(GaugeShapes, DialBoxIsTheRectangleOnABorderedGauge) {
  EXPECT_EQ(DialBox(GaugePaintRect(100, 60, true), true), (PixelRect{1, 1, 99, 59}));
  EXPECT_EQ(DialBox(GaugePaintRect(100, 60, false), false), (PixelRect{0, 0, 100, 60}));
  // At 144 pixels per inch the border is two pixels wide.
  EXPECT_EQ(GaugePaintRect(150, 90, true, 2), (PixelRect{2, 2, 148, 88}));
}

TEST(GaugeShapes, PieStartPointRunsClockwiseFromTwelve) {
  struct Case {
    int percent;
    PixelPoint expected;
  };
  const Case cases[] = {{0, {50, 0}},   {25, {100, 30}}, {50, {50, 60}},
                        {75, {0, 30}},  {100, {50, 0}},  {12, {84, 8}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.percent);
    EXPECT_EQ(PieStartPoint(c.percent, 50, 30), c.expected);
  }
}

TEST(GaugeShapes, NeedleSweepsFromLeftOverTheTop) {
  struct Case {
    int percent;
    PixelPoint expected;
  };
  const Case cases[] = {{0, {0, 40}}, {50, {50, 0}}, {100, {100, 40}}, {25, {15, 12}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.percent);
    EXPECT_EQ(NeedleTip(c.percent, 50, 40), c.expected);
  }
}

TEST(GaugeShapes, PercentTextIsCentredByHalvingTowardZero) {
  const PixelRect boot = GaugePaintRect(250, 19, true);
  EXPECT_EQ(PercentTextOrigin(boot, 30, 13), (PixelPoint{109, 2}));
  EXPECT_EQ(PercentTextOrigin(boot, 31, 14), (PixelPoint{109, 2}));
  // Wider than R: starts left of it (−3 div 2 is −1).
  EXPECT_EQ(PercentTextOrigin(GaugePaintRect(10, 10, true), 12, 8), (PixelPoint{-1, 0}));
  EXPECT_EQ(PercentText(42), "42%");
  EXPECT_EQ(PercentText(0), "0%");
}

TEST(GaugeRange, StartsAtZeroOfZeroToHundred) {
  GaugeRange g;
  EXPECT_EQ(g.MinValue(), 0);
  EXPECT_EQ(g.MaxValue(), 100);
  EXPECT_EQ(g.Progress(), 0);
  EXPECT_EQ(g.PercentShown(), 0);
}

TEST(GaugeRange, BoundsThatWouldCrossFailAndChangeNothing) {
  struct Case {
    bool setMin;
    int value;
    const char* message;
  };
  const Case cases[] = {
      {true, 150, "Value must be between -2147483647 and 99"},
      {false, -5, "Value must be between 1 and 2147483647"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    GaugeRange g;
    g.SetProgress(40);
    try {
      if (c.setMin) {
        g.SetMinValue(c.value, false);
      } else {
        g.SetMaxValue(c.value, false);
      }
      ADD_FAILURE() << "no failure";
    } catch (const EInvalidOperation& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
    EXPECT_EQ(g.MinValue(), 0);
    EXPECT_EQ(g.MaxValue(), 100);
    EXPECT_EQ(g.Progress(), 40);
  }
}

TEST(GaugeRange, BoundsMoveProgressAndAlwaysRepaint) {
  GaugeRange g;
  g.SetProgress(50);
  EXPECT_TRUE(g.SetMinValue(60, false));
  EXPECT_EQ(g.Progress(), 60);
  EXPECT_TRUE(g.SetMaxValue(70, false));
  g.SetProgress(68);
  EXPECT_TRUE(g.SetMaxValue(65, false));
  EXPECT_EQ(g.Progress(), 65);
  EXPECT_FALSE(g.SetMaxValue(65, false));
  EXPECT_TRUE(g.SetMinValue(65, false));  // an empty range is allowed
  EXPECT_EQ(g.PercentShown(), 0);

  GaugeRange h;
  EXPECT_TRUE(h.SetMinValue(100, false));
  EXPECT_EQ(h.Progress(), 100);
  EXPECT_EQ(h.PercentShown(), 0);
}

TEST(GaugeRange, LoadingTakesBoundsInAnyOrder) {
  GaugeRange g;
  EXPECT_TRUE(g.SetMinValue(500, true));
  EXPECT_TRUE(g.SetMaxValue(1000, true));
  EXPECT_EQ(g.MinValue(), 500);
  EXPECT_EQ(g.MaxValue(), 1000);
  EXPECT_EQ(g.Progress(), 500);
}

TEST(GaugeRange, ProgressClampsAndRepaintsOnlyWhenThePercentageChanges) {
  GaugeRange g;
  g.SetMaxValue(1000, false);
  EXPECT_FALSE(g.SetProgress(5));
  EXPECT_EQ(g.Progress(), 5);
  EXPECT_TRUE(g.SetProgress(10));
  EXPECT_EQ(g.PercentShown(), 1);
  EXPECT_TRUE(g.SetProgress(5000));
  EXPECT_EQ(g.Progress(), 1000);
  EXPECT_FALSE(g.SetProgress(1000));
  EXPECT_TRUE(g.SetProgress(-7));
  EXPECT_EQ(g.Progress(), 0);
}

TEST(GaugeRange, AdvanceStopsAtTheEndsWithoutOverflow) {
  GaugeRange g;
  for (int i = 0; i < 150; ++i) g.AdvanceProgress(1);
  EXPECT_EQ(g.Progress(), 100);
  g.SetMaxValue(INT_MAX, false);
  g.SetProgress(INT_MAX);
  g.AdvanceProgress(INT_MAX);
  EXPECT_EQ(g.Progress(), INT_MAX);
  g.SetMinValue(INT_MIN, false);
  g.SetProgress(INT_MIN + 1);
  g.AdvanceProgress(INT_MIN);
  EXPECT_EQ(g.Progress(), INT_MIN);
}

TEST(GaugeRange, AMillionStepsCostAtMostAHundredRepaints) {
  GaugeRange g;
  g.SetMaxValue(1000000, false);
  int repaints = 0;
  for (int v = 0; v <= 1000000; ++v) {
    if (g.SetProgress(v)) ++repaints;
  }
  EXPECT_EQ(g.PercentShown(), 100);
  EXPECT_LE(repaints, 100);
  EXPECT_GE(repaints, 100);  // every whole percentage was shown
}

TEST(GaugeRange, TheWidestRangeStillShowsItsPercentage) {
  GaugeRange g;
  g.SetMinValue(INT_MIN, false);
  g.SetMaxValue(INT_MAX, false);
  g.SetProgress(0);
  EXPECT_EQ(g.PercentShown(), 50);
  g.SetProgress(INT_MAX);
  EXPECT_EQ(g.PercentShown(), 100);
}
