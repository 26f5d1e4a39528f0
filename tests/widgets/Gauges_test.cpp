#include <gtest/gtest.h>

#include <string>

#include "tests/widgets/PaintCapture.h"
#include "widgets/Gauges.h"

namespace {

constexpr TColor kNavyText = 0x7FFFFF;  // clNavy xor clWhite
constexpr TColor kRed = 0x0000FF;
constexpr TColor kLime = 0x00FF00;

class GaugeTest : public ::testing::Test {
 protected:
  TApplication app_;
};

TSize MeasureText(TFont& font, const std::string& text) {
  TBitmap scratch(1, 1);
  scratch.Canvas().Font().Assign(font);
  return scratch.Canvas().TextExtent(text);
}

std::unique_ptr<TGauge> MakeGauge(int width, int height, TGaugeKind kind, int progress) {
  auto gauge = MakeComponent<TGauge>();
  gauge->SetBounds(0, 0, width, height);
  gauge->SetKind(kind);
  gauge->SetProgress(progress);
  return gauge;
}

}  // namespace

TEST_F(GaugeTest, MakeLikeTakesTheSizeAndFillsWithTheWindowFrameColour) {
  TBitmap model(37, 11);
  TBltBitmap copy;
  copy.MakeLike(model);
  EXPECT_EQ(copy.Width(), 37);
  EXPECT_EQ(copy.Height(), 11);
  EXPECT_EQ(CountColour(copy, Rect(0, 0, 37, 11), GetSysColor(COLOR_WINDOWFRAME)), 37 * 11);
}

TEST_F(GaugeTest, ANewGaugeShowsAFrameAWhiteInteriorAndACentredBlackZero) {
  auto gauge = MakeComponent<TGauge>();
  EXPECT_EQ(gauge->Width(), 100);
  EXPECT_EQ(gauge->Height(), 100);
  EXPECT_TRUE(gauge->ControlStyle() & csOpaque);
  EXPECT_EQ(gauge->Kind(), gkHorizontalBar);
  EXPECT_EQ(gauge->BorderStyle(), bsSingle);
  auto image = Capture(*gauge);

  const TSize text = MeasureText(gauge->Font(), "0%");
  const TRect textBox = Bounds((99 - text.cx) / 2, (99 - text.cy) / 2, text.cx, text.cy);
  int black = 0;
  for (int y = 0; y < 100; ++y) {
    for (int x = 0; x < 100; ++x) {
      const TColor c = image->Pixel(x, y);
      const bool frame = x == 0 || y == 0 || x == 99 || y == 99;
      const bool inText = x >= textBox.Left && x < textBox.Right && y >= textBox.Top && y < textBox.Bottom;
      if (frame) {
        ASSERT_EQ(c, clBlack) << x << "," << y;
      } else if (inText) {
        ASSERT_TRUE(c == clWhite || c == clBlack) << x << "," << y;
        if (c == clBlack) ++black;
      } else {
        ASSERT_EQ(c, clWhite) << x << "," << y;
      }
    }
  }
  EXPECT_GT(black, 5);
}

TEST_F(GaugeTest, BarsFillTheirColumnsAndRows) {
  struct Case {
    const char* name;
    int width, height;
    TGaugeKind kind;
    int percent;
    TRect filled;  // navy part; the rest of R is white
  };
  const Case cases[] = {
      {"boot 1%", 250, 19, gkHorizontalBar, 1, Rect(1, 1, 2, 18)},
      {"boot 50%", 250, 19, gkHorizontalBar, 50, Rect(1, 1, 124, 18)},
      {"boot 100%", 250, 19, gkHorizontalBar, 100, Rect(1, 1, 249, 18)},
      {"W=20 5%", 21, 12, gkHorizontalBar, 5, Rect(0, 0, 0, 0)},
      {"W=20 15%", 21, 12, gkHorizontalBar, 15, Rect(1, 1, 2, 11)},
      {"W=20 50%", 21, 12, gkHorizontalBar, 50, Rect(1, 1, 10, 11)},
      {"vertical 50%", 12, 21, gkVerticalBar, 50, Rect(1, 10, 11, 20)},
      {"vertical 100%", 12, 21, gkVerticalBar, 100, Rect(1, 1, 11, 20)},
      {"vertical 0%", 12, 21, gkVerticalBar, 0, Rect(0, 0, 0, 0)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto gauge = MakeGauge(c.width, c.height, c.kind, c.percent);
    gauge->SetShowText(false);
    gauge->SetForeColor(clNavy);
    auto image = Capture(*gauge);
    int wrong = 0;
    for (int y = 0; y < c.height; ++y) {
      for (int x = 0; x < c.width; ++x) {
        const bool frame = x == 0 || y == 0 || x == c.width - 1 || y == c.height - 1;
        const bool fill = x >= c.filled.Left && x < c.filled.Right && y >= c.filled.Top && y < c.filled.Bottom;
        const TColor expected = frame ? clBlack : fill ? clNavy : clWhite;
        if (image->Pixel(x, y) != expected && ++wrong < 5) {
          ADD_FAILURE() << "pixel " << x << "," << y << " is " << std::hex << image->Pixel(x, y);
        }
      }
    }
  }
}

TEST_F(GaugeTest, PieGrowsClockwiseFromTwelveToAFullEllipse) {
  struct Probe {
    int x, y;
    TColor colour;
  };
  struct Case {
    int percent;
    std::vector<Probe> probes;
  };
  // 81 × 81 bordered: the ellipse fills R = (1, 1, 80, 80), centre (40, 40).
  const Case cases[] = {
      {0, {{40, 40, clWhite}, {55, 25, clWhite}, {25, 55, clWhite}, {3, 3, kLime}}},
      {25, {{55, 25, kRed}, {25, 25, clWhite}, {55, 55, clWhite}, {25, 55, clWhite}}},
      {50, {{55, 25, kRed}, {55, 55, kRed}, {25, 55, clWhite}, {25, 25, clWhite}}},
      {100, {{40, 40, kRed}, {25, 25, kRed}, {25, 55, kRed}, {3, 3, kLime}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.percent);
    auto gauge = MakeGauge(81, 81, gkPie, c.percent);
    gauge->SetShowText(false);
    gauge->SetForeColor(kRed);
    gauge->SetColor(kLime);
    auto image = Capture(*gauge);
    for (const auto& p : c.probes) {
      EXPECT_EQ(image->Pixel(p.x, p.y), p.colour) << p.x << "," << p.y;
    }
    // Inside the outline nothing is left of the back colour at 100 %, and
    // nothing of the fore colour at 0 %.
    int inside = 0, back = 0, fore = 0;
    for (int y = 10; y < 71; ++y) {
      for (int x = 10; x < 71; ++x) {
        if ((x - 40) * (x - 40) + (y - 40) * (y - 40) > 30 * 30) continue;
        ++inside;
        if (image->Pixel(x, y) == clWhite) ++back;
        if (image->Pixel(x, y) == kRed) ++fore;
      }
    }
    if (c.percent == 0) {
      EXPECT_EQ(back, inside);
    }
    if (c.percent == 100) {
      EXPECT_EQ(fore, inside);
    }
  }
}

TEST_F(GaugeTest, NeedleDialHasABaseLineAndPointsUpAtHalf) {
  // 81 × 41 bordered: R = (1, 1, 80, 40), dial box (1, 1, 80, 79), pivot (40, 39).
  for (const int percent : {0, 50}) {
    SCOPED_TRACE(percent);
    auto gauge = MakeGauge(81, 41, gkNeedle, percent);
    gauge->SetShowText(false);
    gauge->SetForeColor(kRed);
    gauge->SetColor(kLime);
    auto image = Capture(*gauge);
    EXPECT_EQ(image->Pixel(3, 4), kLime);      // outside the dial
    EXPECT_EQ(image->Pixel(20, 30), clWhite);  // inside it
    for (int x = 1; x <= 80; ++x) EXPECT_EQ(image->Pixel(x, 40), kRed) << "base line at " << x;
    EXPECT_EQ(image->Pixel(0, 40), clBlack);
    int needle = 0;
    for (int y = 2; y < 38; ++y) {
      if (image->Pixel(40, y) == kRed) ++needle;
    }
    EXPECT_EQ(needle, percent == 0 ? 0 : 36);
    EXPECT_EQ(image->Pixel(44, 20), clWhite);
  }
}

TEST_F(GaugeTest, TextOverTheFillIsTheComplementAndStaysInsideTheFrame) {
  struct Case {
    int width;
    const char* name;
  };
  // The boot gauge, and one narrower than its text: cut at R's edges.
  for (const Case c : {Case{250, "boot"}, Case{16, "narrow"}}) {
    SCOPED_TRACE(c.name);
    auto gauge = MakeGauge(c.width, 19, gkHorizontalBar, 100);
    gauge->SetForeColor(clNavy);
    gauge->Font().SetStyle(fsBold);
    auto image = Capture(*gauge);
    int text = 0, other = 0;
    for (int y = 0; y < 19; ++y) {
      for (int x = 0; x < c.width; ++x) {
        const TColor p = image->Pixel(x, y);
        if (x == 0 || y == 0 || x == c.width - 1 || y == 18) {
          if (p != clBlack) ++other;
        } else if (p == kNavyText) {
          ++text;
        } else if (p != clNavy) {
          ++other;
        }
      }
    }
    EXPECT_GT(text, 10);
    EXPECT_EQ(other, 0);
  }
}

TEST_F(GaugeTest, AGaugeOfZeroWidthOrHeightDrawsNothing) {
  const int before = LiveGdiObjects();
  for (const TSize size : {TSize{0, 10}, TSize{10, 0}, TSize{0, 0}}) {
    auto gauge = MakeComponent<TGauge>();
    gauge->SetBounds(5, 5, size.cx, size.cy);
    auto image = Capture(*gauge, 20, 20);
    EXPECT_EQ(CountColour(*image, Rect(0, 0, 20, 20), kUntouched), 400);
  }
  EXPECT_EQ(LiveGdiObjects(), before);
}

TEST_F(GaugeTest, EveryKindPaintsWithoutLeakingGdiObjects) {
  for (int kind = gkText; kind <= gkNeedle + 1; ++kind) {
    SCOPED_TRACE(kind);
    auto gauge = MakeGauge(60, 40, static_cast<TGaugeKind>(kind), 33);
    {
      auto warmUp = Capture(*gauge);  // the control's own font and canvas
    }
    const int before = LiveGdiObjects();
    {
      auto image = Capture(*gauge);
      if (kind > gkNeedle) {
        // An unknown kind draws no shape: R stays black, the text shows white.
        EXPECT_EQ(image->Pixel(2, 2), clBlack);
      }
    }
    EXPECT_EQ(LiveGdiObjects(), before);
  }
}

TEST_F(GaugeTest, ColoursAreResolvedAtEveryPaint) {
  auto gauge = MakeGauge(30, 10, gkText, 0);
  gauge->SetShowText(false);
  gauge->SetBackColor(clSystemColor | COLOR_HIGHLIGHT);
  const int element = COLOR_HIGHLIGHT;
  const COLORREF original = GetSysColor(COLOR_HIGHLIGHT);
  EXPECT_EQ(Capture(*gauge)->Pixel(5, 5), original);
  const COLORREF changed = original ^ 0x00A05010;
  SetSysColors(1, &element, &changed);
  const TColor after = Capture(*gauge)->Pixel(5, 5);
  SetSysColors(1, &element, &original);
  EXPECT_EQ(after, changed);
}

class GaugeRepaintTest : public GaugeTest {
 protected:
  void SetUp() override {
    gauge_ = MakeComponent<TGauge>();
    gauge_->SetParent(form_.get());
    gauge_->SetBounds(10, 10, 250, 19);
    gauge_->OnPaint = [this](TObject*) { ++paints_; };
    Application->ProcessMessages();
    paints_ = 0;
  }
  void TearDown() override { gauge_.reset(); }

  ShownForm form_;
  std::unique_ptr<TGauge> gauge_;
  int paints_ = 0;
};

TEST_F(GaugeRepaintTest, AMillionStepsCostAtMostAHundredRepaints) {
  gauge_->SetMaxValue(1000000);
  paints_ = 0;
  for (int v = 0; v <= 1000000; ++v) gauge_->SetProgress(v);
  EXPECT_LE(paints_, 100);
  EXPECT_EQ(gauge_->PercentShown(), 100);
}

TEST_F(GaugeRepaintTest, RepaintsAtOnceOnlyWhenSomethingShowsDifferently) {
  struct Step {
    const char* name;
    std::function<void(TGauge&)> action;
    int paints;
  };
  const Step steps[] = {
      {"same kind", [](TGauge& g) { g.SetKind(gkHorizontalBar); }, 0},
      {"new kind", [](TGauge& g) { g.SetKind(gkPie); }, 1},
      {"same colour", [](TGauge& g) { g.SetForeColor(clBlack); }, 0},
      {"new colour", [](TGauge& g) { g.SetBackColor(clNavy); }, 1},
      {"text off", [](TGauge& g) { g.SetShowText(false); }, 1},
      {"no border", [](TGauge& g) { g.SetBorderStyle(bsNone); }, 1},
      {"same percentage", [](TGauge& g) { g.SetMaxValue(1000); g.SetProgress(5); }, 1},
      {"next percentage", [](TGauge& g) { g.SetProgress(10); }, 1},
      {"advance at the end", [](TGauge& g) { g.SetProgress(1000); g.AdvanceProgress(1); }, 2},
      {"failing bound", [](TGauge& g) { EXPECT_THROW(g.SetMinValue(5000), EInvalidOperation); }, 0},
      {"hidden", [](TGauge& g) { g.Hide(); g.AdvanceProgress(-500); }, 0},
  };
  for (const auto& s : steps) {
    SCOPED_TRACE(s.name);
    paints_ = 0;
    s.action(*gauge_);
    EXPECT_EQ(paints_, s.paints);
  }
}

TEST_F(GaugeRepaintTest, RepaintAtOnceReachesTheScreen) {
  gauge_->SetForeColor(clNavy);
  gauge_->SetShowText(false);
  gauge_->SetProgress(50);
  WindowDC dc(form_->Handle());
  EXPECT_EQ(GetPixel(dc.Get(), 10 + 60, 10 + 9), clNavy);
  EXPECT_EQ(GetPixel(dc.Get(), 10 + 200, 10 + 9), clWhite);
  gauge_->SetProgress(100);
  EXPECT_EQ(GetPixel(dc.Get(), 10 + 200, 10 + 9), clNavy);
}
