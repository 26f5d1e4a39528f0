// Writes pictures of every gauge kind and of captioned gradients into
// screenshots/ under the working directory (the build tree under CTest), for
// people to look at; checks that what was written reads back the same.
#include <gtest/gtest.h>

#include <string>

#include "tests/widgets/PaintCapture.h"
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

void SaveAndCheck(TBitmap& sheet, const std::string& name) {
  CreateDirectoryA("screenshots", nullptr);
  const std::string path = "screenshots\\" + name;
  sheet.SaveToFile(path);
  TBitmap back;
  back.LoadFromFile(path);
  ASSERT_EQ(back.Width(), sheet.Width());
  ASSERT_EQ(back.Height(), sheet.Height());
  int differences = 0;
  for (int y = 0; y < sheet.Height(); y += 3) {
    for (int x = 0; x < sheet.Width(); x += 3) {
      if (back.Pixel(x, y) != sheet.Pixel(x, y)) ++differences;
    }
  }
  EXPECT_EQ(differences, 0) << path;
}

}  // namespace

TEST(Screenshots, EveryGaugeKindAtZeroThirtyThreeFiftyAndHundred) {
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
  SaveAndCheck(*sheet, "gauges.bmp");
}

TEST(Screenshots, GradientsWithACaptionInEachLayout) {
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
  SaveAndCheck(*sheet, "gradients.bmp");
}
