// Pictures of every gauge kind and of captioned gradients, painted onto a
// sheet and saved as gauges.bmp and gradients.bmp in the working directory,
// for people to look at.
#include <gtest/gtest.h>

#include <string>

#include "tests/screenshots/Screenshots.h"
#include "widgets/Gauges.h"
#include "widgets/SmoothGradient.h"

namespace {

constexpr TColor kSheet = 0xE0E0E0;

std::unique_ptr<TBitmap> Sheet(int width, int height) {
  auto sheet = std::make_unique<TBitmap>(width, height);
  sheet->Canvas().Brush().SetColor(kSheet);
  sheet->Canvas().FillRect(Rect(0, 0, width, height));
  return sheet;
}

}  // namespace

TEST(WidgetScreenshot, EveryGaugeKindAtZeroThirtyThreeFiftyAndHundred) {
  TApplication app;
  const int percents[] = {0, 33, 50, 100};
  constexpr int kCellW = 140, kCellH = 80;
  auto sheet = Sheet(kCellW * 4, kCellH * 5 + 40);
  for (int kind = gkText; kind <= gkNeedle; ++kind) {
    for (int column = 0; column < 4; ++column) {
      auto gauge = MakeComponent<TGauge>();
      gauge->SetBounds(column * kCellW + 10, kind * kCellH + 10, 120, 60);
      gauge->SetKind(static_cast<TGaugeKind>(kind));
      gauge->SetForeColor(clNavy);
      gauge->Font().SetStyle(fsBold);
      gauge->Font().SetHeight(-13);
      gauge->SetProgress(percents[column]);
      gauge->PaintTo(sheet->Canvas().Handle());
      // Each bordered gauge has its black frame corner where it was put.
      EXPECT_EQ(sheet->Pixel(gauge->Left(), gauge->Top()), clBlack);
    }
  }
  // The boot window's gauge at its own size, half way.
  auto boot = MakeComponent<TGauge>();
  boot->SetBounds(10, kCellH * 5 + 10, 250, 19);
  boot->SetForeColor(clNavy);
  boot->Font().SetStyle(fsBold);
  boot->SetProgress(50);
  boot->PaintTo(sheet->Canvas().Handle());
  Save(*sheet, "gauges.bmp");
}

TEST(WidgetScreenshot, GradientsWithACaptionInEachLayout) {
  TApplication app;
  constexpr int kCellW = 260, kCellH = 100;
  auto sheet = Sheet(kCellW * 3, kCellH * 2);
  const TLayout layouts[] = {glLeft, glCenter, glRight};
  for (int row = 0; row < 2; ++row) {
    for (int column = 0; column < 3; ++column) {
      auto gradient = MakeComponent<TSmoothGradient>();
      gradient->SetBounds(column * kCellW + 10, row * kCellH + 10, 240, 80);
      gradient->SetLayout(layouts[column]);
      gradient->SetCaption("Setup");
      gradient->Font().SetColor(clWhite);
      gradient->Font().SetStyle(fsBold);
      gradient->Font().SetHeight(-24);
      if (row == 1) {
        gradient->SetGradientStyle(gsVertical);
        gradient->SetEndColor(clBlack);
      }
      gradient->PaintTo(sheet->Canvas().Handle());
      EXPECT_EQ(sheet->Pixel(gradient->Left() + 239, gradient->Top() + 79), row == 0 ? clNavy : clBlack);
    }
  }
  Save(*sheet, "gradients.bmp");
}
