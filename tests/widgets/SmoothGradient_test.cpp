#include <gtest/gtest.h>

#include <string>

#include "tests/widgets/PaintCapture.h"
#include "widgets/SmoothGradient.h"

namespace {

class GradientTest : public ::testing::Test {
 protected:
  TApplication app_;
};

std::unique_ptr<TSmoothGradient> MakeGradient(int width, int height, TGradientStyle style,
                                               TColor start, TColor end) {
  auto gradient = MakeComponent<TSmoothGradient>();
  gradient->SetBounds(0, 0, width, height);
  gradient->SetGradientStyle(style);
  gradient->SetStartColor(start);
  gradient->SetEndColor(end);
  return gradient;
}

TColor BlueLevel(int level) { return static_cast<TColor>(level) << 16; }

}  // namespace

TEST_F(GradientTest, ANewPanelRunsFromBlueToNavyInColumns) {
  ShownForm form;
  auto owned = MakeComponent<TSmoothGradient>();
  EXPECT_EQ(owned->Parent(), nullptr);
  TSmoothGradient* gradient = NewComponent<TSmoothGradient>(form.get());
  EXPECT_EQ(gradient->Parent(), form.get());
  EXPECT_EQ(gradient->Width(), 100);
  EXPECT_EQ(gradient->Height(), 100);
  EXPECT_TRUE(gradient->ControlStyle() & csOpaque);
  EXPECT_EQ(gradient->StartColor(), clBlue);
  EXPECT_EQ(gradient->EndColor(), clNavy);
  EXPECT_EQ(gradient->StartCustomColor(), ccNone);
  EXPECT_EQ(gradient->GradientStyle(), gsHorizontal);
  EXPECT_EQ(gradient->Layout(), glLeft);
  EXPECT_EQ(gradient->Caption(), "");

  auto image = Capture(*owned);
  struct Column {
    int x, blue;
  };
  // Column 0 is band 2, column 1 band 5, column 50 band 130, column 99 band 255.
  for (const Column c : {Column{0, 255}, Column{1, 253}, Column{50, 191}, Column{99, 128}}) {
    SCOPED_TRACE(c.x);
    EXPECT_EQ(image->Pixel(c.x, 0), BlueLevel(c.blue));
    EXPECT_EQ(image->Pixel(c.x, 99), BlueLevel(c.blue));
  }
}

TEST_F(GradientTest, BackdropRowsAtSeveralHeights) {
  struct Row {
    int height, y, blue;
  };
  const Row rows[] = {
      {100, 0, 253}, {100, 99, 0},   {512, 0, 255},  {512, 1, 255},   {512, 2, 254},
      {512, 255, 128}, {512, 511, 0}, {600, 0, 255},  {600, 1, 255},   {600, 2, 254},
      {600, 596, 1}, {600, 597, 0},  {600, 599, 0},
  };
  int height = 0;
  std::unique_ptr<TBitmap> image;
  for (const auto& r : rows) {
    SCOPED_TRACE(std::to_string(r.height) + " rows, row " + std::to_string(r.y));
    if (r.height != height) {
      height = r.height;
      image = Capture(*MakeGradient(9, height, gsVertical, clBlue, clBlack));
      for (int y = 0; y < height; ++y) {
        ASSERT_EQ(image->Pixel(0, y), image->Pixel(8, y)) << "row " << y << " is one band";
      }
      for (int i = 0; 512 == height && i < 256; ++i) {
        ASSERT_EQ(image->Pixel(4, 2 * i), BlueLevel(255 - i));
        ASSERT_EQ(image->Pixel(4, 2 * i + 1), BlueLevel(255 - i));
      }
    }
    EXPECT_EQ(image->Pixel(4, r.y), BlueLevel(r.blue));
  }
}

TEST_F(GradientTest, EndColoursFromPresetsOrProperties) {
  struct Case {
    const char* name;
    TColor start, end;
    TCustomColor startPreset, endPreset;
    TColor column[4];  // at x = 0, 2, 3, 255 of a 256-wide panel
  };
  const Case cases[] = {
      {"falling red truncates", 100, 0, ccNone, ccNone, {100, 100, 99, 0}},
      {"flat", 0x204060, 0x204060, ccNone, ccNone, {0x204060, 0x204060, 0x204060, 0x204060}},
      {"sky to black, start colour ignored", clRed, clBlack, ccSky, ccNone,
       {0xCC7E5B, 0xCB7E5B, 0xCA7D5A, 0}},
      {"both presets", clRed, clRed, ccLeather, ccRuby, {0x2F454F, 0x2F454F, 0x2F454F, 0x603098}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto gradient = MakeGradient(256, 4, gsHorizontal, c.start, c.end);
    gradient->SetStartCustomColor(c.startPreset);
    gradient->SetEndCustomColor(c.endPreset);
    auto image = Capture(*gradient);
    EXPECT_EQ(image->Pixel(0, 1), c.column[0]);
    EXPECT_EQ(image->Pixel(2, 1), c.column[1]);
    EXPECT_EQ(image->Pixel(3, 1), c.column[2]);
    EXPECT_EQ(image->Pixel(255, 1), c.column[3]);
  }
}

TEST_F(GradientTest, SystemColoursFollowTheSettingAtEveryPaint) {
  const TColor highlight = clSystemColor | COLOR_HIGHLIGHT;
  auto gradient = MakeGradient(20, 20, gsVertical, highlight, highlight);
  const int element = COLOR_HIGHLIGHT;
  const COLORREF original = GetSysColor(COLOR_HIGHLIGHT);
  EXPECT_EQ(ResolveColor(highlight), original);
  EXPECT_EQ(Capture(*gradient)->Pixel(10, 10), original);
  const COLORREF changed = original ^ 0x00305070;
  SetSysColors(1, &element, &changed);
  const TColor after = Capture(*gradient)->Pixel(10, 10);
  const TColor resolved = ResolveColor(highlight);
  SetSysColors(1, &element, &original);
  EXPECT_EQ(after, changed);
  EXPECT_EQ(resolved, changed);
  // Only 0xFF000000..0xFF000018 name system colours.
  EXPECT_EQ(ResolveColor(0xFF000019u), 0xFF000019u);
  EXPECT_EQ(ResolveColor(0x00123456u), 0x00123456u);
}

TEST_F(GradientTest, GradientBitmapIsTheRectanglesSize) {
  auto image = GradientBitmap(clBlack, clWhite, Rect(10, 20, 74, 52), gsHorizontal, 255);
  EXPECT_EQ(image->Width(), 64);
  EXPECT_EQ(image->Height(), 32);
  // A quarter of the bands get a column: column x shows band 4x + 3.
  EXPECT_EQ(image->Pixel(0, 0), 0x030303u);
  EXPECT_EQ(image->Pixel(32, 5), 0x838383u);
  EXPECT_EQ(image->Pixel(63, 31), clWhite);
  auto empty = GradientBitmap(clBlack, clWhite, Rect(0, 0, 0, 50), gsVertical, 255);
  EXPECT_TRUE(empty->Empty());
  // An unknown style leaves the new image as it was made.
  auto blank = GradientBitmap(clBlack, clBlack, Rect(0, 0, 8, 8), static_cast<TGradientStyle>(7), 255);
  EXPECT_EQ(blank->Pixel(4, 4), clWhite);
}

TEST_F(GradientTest, CaptionIsPlacedByLayoutAndCutAtTheEdges) {
  constexpr TColor kFlat = 0x400000;
  struct Case {
    const char* name;
    TLayout layout;
    int width;
    std::string caption;
  };
  const Case cases[] = {
      {"left", glLeft, 200, "Setup"},
      {"centre", glCenter, 200, "Setup"},
      {"right", glRight, 200, "Setup"},
      {"right, wider than the panel", glRight, 30, "A caption far too wide"},
      {"empty", glCenter, 200, ""},
      {"unknown layout", static_cast<TLayout>(3), 200, "Setup"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto gradient = MakeGradient(c.width, 40, gsHorizontal, kFlat, kFlat);
    gradient->SetBounds(20, 0, c.width, 40);
    gradient->SetCaption(c.caption);
    gradient->SetLayout(c.layout);
    gradient->Font().SetColor(clWhite);
    gradient->Font().SetHeight(-16);
    auto image = Capture(*gradient, c.width + 40, 40);

    TBitmap scratch(1, 1);
    scratch.Canvas().Font().Assign(gradient->Font());
    const TSize text = scratch.Canvas().TextExtent(c.caption);
    const int expectedX = c.layout == glLeft ? 4 : c.layout == glCenter ? (c.width - text.cx) / 2
                                                                       : c.width - 4 - text.cx;
    int left = 1 << 20, right = -1, top = 1 << 20, bottom = -1, outside = 0;
    for (int y = 0; y < 40; ++y) {
      for (int x = 0; x < c.width + 40; ++x) {
        const TColor p = image->Pixel(x, y);
        const bool inControl = x >= 20 && x < 20 + c.width;
        if (!inControl) {
          if (p != kUntouched) ++outside;
          continue;
        }
        if (p == kFlat) continue;
        left = std::min(left, x - 20);
        right = std::max(right, x - 20);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
    }
    EXPECT_EQ(outside, 0);
    if (c.caption.empty() || c.layout > glRight) {
      EXPECT_EQ(right, -1) << "no caption drawn";
      continue;
    }
    ASSERT_GE(right, 0) << "caption drawn";
    EXPECT_EQ(gradient->Canvas().Font().Quality(), ANTIALIASED_QUALITY);
    const int expectedY = (40 - text.cy) / 2;
    EXPECT_GE(top, expectedY);
    EXPECT_LT(bottom, expectedY + text.cy);
    if (expectedX >= 0) {
      EXPECT_GE(left, expectedX);
      EXPECT_LT(left, expectedX + 4);
    } else {
      EXPECT_EQ(left, 0);  // starts left of the panel and is cut there
    }
    EXPECT_LT(right, std::min(expectedX + text.cx, c.width));
  }
}

TEST_F(GradientTest, SettersInvalidateAndSeveralChangesPaintOnce) {
  ShownForm form;
  TSmoothGradient* gradient = NewComponent<TSmoothGradient>(form.get());
  int paints = 0;
  gradient->OnPaint = [&](TObject*) { ++paints; };
  Application->ProcessMessages();
  paints = 0;
  gradient->SetStartColor(clRed);
  gradient->SetEndColor(clRed);
  gradient->SetStartCustomColor(ccNone);
  gradient->SetEndCustomColor(ccMoss);
  gradient->SetGradientStyle(gsVertical);
  gradient->SetLayout(glCenter);
  gradient->SetCaption("Title");
  EXPECT_EQ(paints, 0);
  form->Update();
  EXPECT_EQ(paints, 1);
  Application->ProcessMessages();
  EXPECT_EQ(paints, 1);
  // The same value again still invalidates.
  gradient->SetLayout(glCenter);
  form->Update();
  EXPECT_EQ(paints, 2);
}
