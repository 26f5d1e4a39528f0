// Canvas and off-screen bitmaps, read back pixel by pixel.
#include <gtest/gtest.h>

#include <cstring>

#include "runtime/Bmp.h"
#include "tests/support/TestFiles.h"
#include "tests/toolkit/GuiTest.h"

namespace {

// A 4-bit BMP file image: width x height, pixels given as palette indexes
// (top row first), standard VGA palette.
std::vector<unsigned char> FourBitBmp(int width, int height, const std::vector<std::uint8_t>& indexes) {
  bmp::InfoHeader header;
  header.width = width;
  header.height = height;
  header.bitCount = 4;
  header.palette = bmp::kStandard16Colors;
  return bmp::EncodeFile(header, bmp::PackIndexedRows(width, height, 4, indexes));
}

TEST(Colors, SystemColoursResolveWhenDrawn) {
  const struct {
    TColor color;
    int index;
  } cases[] = {{clWindow, COLOR_WINDOW}, {clWindowFrame, COLOR_WINDOWFRAME}, {clWindowText, COLOR_WINDOWTEXT},
               {clBtnFace, COLOR_BTNFACE}, {clBtnShadow, COLOR_BTNSHADOW}, {clBtnHighlight, COLOR_BTNHIGHLIGHT}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.index);
    EXPECT_EQ(c.color, 0xFF000000u + static_cast<TColor>(c.index));
    EXPECT_EQ(ColorToRGB(c.color), GetSysColor(c.index));
  }
  EXPECT_EQ(ColorToRGB(clNavy), 0x800000u);
  EXPECT_EQ(ColorToRGB(clBlue), 0xFF0000u);

  TBitmap bitmap(4, 4);
  bitmap.Canvas().Brush().SetColor(clBtnFace);
  bitmap.Canvas().FillRect(Rect(0, 0, 4, 4));
  EXPECT_EQ(bitmap.Pixel(2, 2), GetSysColor(COLOR_BTNFACE));
}

TEST(Bitmap, NewBitmapIsWhiteAndPixelsReadBack) {
  TBitmap bitmap(10, 6);
  EXPECT_EQ(bitmap.Width(), 10);
  EXPECT_EQ(bitmap.Height(), 6);
  EXPECT_EQ(bitmap.PixelFormat(), pf32bit);
  EXPECT_EQ(bitmap.Pixel(0, 0), clWhite);
  EXPECT_EQ(bitmap.Pixel(9, 5), clWhite);
  bitmap.Canvas().Brush().SetColor(clNavy);
  bitmap.Canvas().FillRect(Rect(2, 1, 5, 3));  // right and bottom edges outside
  EXPECT_EQ(bitmap.Pixel(2, 1), clNavy);
  EXPECT_EQ(bitmap.Pixel(4, 2), clNavy);
  EXPECT_EQ(bitmap.Pixel(5, 2), clWhite);
  EXPECT_EQ(bitmap.Pixel(4, 3), clWhite);
  EXPECT_EQ(bitmap.Pixel(1, 1), clWhite);
}

TEST(Bitmap, RasterOperations) {
  TBitmap picture(8, 8);
  picture.Canvas().Brush().SetColor(0x123456);
  picture.Canvas().FillRect(Rect(0, 0, 8, 8));
  picture.Canvas().Brush().SetColor(clWhite);
  picture.Canvas().FillRect(Rect(0, 0, 4, 4));

  TBitmap copy(8, 8);
  copy.Canvas().SetCopyMode(SRCCOPY);
  copy.Canvas().CopyRect(Rect(0, 0, 8, 8), picture.Canvas(), Rect(0, 0, 8, 8));
  EXPECT_EQ(copy.Pixel(6, 6), 0x123456u);
  EXPECT_EQ(copy.Pixel(1, 1), clWhite);

  // SRCINVERT of a picture onto itself gives black everywhere.
  copy.Canvas().SetCopyMode(SRCINVERT);
  copy.Canvas().CopyRect(Rect(0, 0, 8, 8), picture.Canvas(), Rect(0, 0, 8, 8));
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) ASSERT_EQ(copy.Pixel(x, y), clBlack) << x << "," << y;

  TBitmap target(8, 8);
  target.Canvas().SetCopyMode(BLACKNESS);
  target.Canvas().CopyRect(Rect(2, 2, 6, 6), picture.Canvas(), Rect(0, 0, 4, 4));
  EXPECT_EQ(target.Pixel(3, 3), clBlack);
  EXPECT_EQ(target.Pixel(1, 1), clWhite);
  EXPECT_EQ(target.Pixel(6, 6), clWhite);

  // Draw uses the copy mode too.
  TBitmap drawn(8, 8);
  drawn.Canvas().Draw(0, 0, picture);
  EXPECT_EQ(drawn.Pixel(7, 7), 0x123456u);
}

TEST(Canvas, ShapesAndLines) {
  TBitmap bitmap(40, 40);
  TCanvas& c = bitmap.Canvas();
  c.Pen().SetColor(clBlack);
  c.Brush().SetColor(clRed);
  c.Ellipse(0, 0, 40, 40);
  EXPECT_EQ(bitmap.Pixel(20, 20), clRed);
  EXPECT_EQ(bitmap.Pixel(1, 1), clWhite) << "corners stay outside the ellipse";
  EXPECT_EQ(bitmap.Pixel(20, 0), clBlack) << "outline in the pen colour";

  TBitmap pie(40, 40);
  pie.Canvas().Pen().SetColor(clBlue);
  pie.Canvas().Brush().SetColor(clBlue);
  // Counter-clockwise from 12 o'clock (20,0) to 3 o'clock (40,20)... pie
  // runs counter-clockwise from the first radial to the second.
  pie.Canvas().Pie(0, 0, 40, 40, 40, 20, 20, 0);
  EXPECT_EQ(pie.Pixel(28, 12), clBlue) << "upper right quarter filled";
  EXPECT_EQ(pie.Pixel(12, 28), clWhite) << "lower left quarter empty";

  TBitmap lines(10, 10);
  lines.Canvas().Pen().SetColor(clNavy);
  lines.Canvas().MoveTo(1, 5);
  lines.Canvas().LineTo(8, 5);
  EXPECT_EQ(lines.Pixel(1, 5), clNavy);
  EXPECT_EQ(lines.Pixel(7, 5), clNavy);
  EXPECT_EQ(lines.Pixel(8, 5), clWhite) << "the end point is not drawn";
  EXPECT_EQ(lines.Canvas().PenPos().X, 8);
}

TEST(Canvas, TextBackgroundFollowsTheBrush) {
  TBitmap opaque(60, 20);
  opaque.Canvas().Brush().SetColor(clYellow);
  opaque.Canvas().Font().SetColor(clBlack);
  opaque.Canvas().TextOut(0, 0, "  ");  // blanks: only background
  EXPECT_EQ(opaque.Pixel(1, 2), clYellow);

  TBitmap clear(60, 20);
  clear.Canvas().Brush().SetStyle(bsClear);
  clear.Canvas().TextOut(0, 0, "  ");
  EXPECT_EQ(clear.Pixel(1, 2), clWhite);
}

TEST(Canvas, TextExtentIsConsistent) {
  TBitmap bitmap(10, 10);
  TCanvas& c = bitmap.Canvas();
  c.Font().SetName("Arial");
  c.Font().SetHeight(-13);
  const TSize one = c.TextExtent("W");
  const TSize three = c.TextExtent("WWW");
  EXPECT_GT(one.cx, 0);
  EXPECT_EQ(one.cy, three.cy);
  EXPECT_EQ(three.cx, 3 * one.cx);
  EXPECT_EQ(c.TextWidth("WWW"), three.cx);
  EXPECT_EQ(c.TextHeight("WWW"), three.cy);
  EXPECT_EQ(c.TextExtent("").cx, 0);

  c.Font().SetHeight(-26);
  EXPECT_GT(c.TextHeight("W"), one.cy) << "a new font is selected after a change";

  // TextOut moves the pen position by the text width.
  c.MoveTo(0, 0);
  c.TextOut(3, 0, "WW");
  EXPECT_EQ(c.PenPos().X, 3 + c.TextWidth("WW"));
}

TEST(Font, QualityAndLogFontRecreateTheFont) {
  TFont font;
  font.SetName("Arial");
  font.SetStyle(fsBold);
  HFONT before = font.Handle();
  LOGFONTA lf{};
  GetObjectA(before, sizeof lf, &lf);
  EXPECT_EQ(lf.lfWeight, FW_BOLD);
  lf.lfQuality = ANTIALIASED_QUALITY;
  font.SetLogFont(lf);
  LOGFONTA after{};
  GetObjectA(font.Handle(), sizeof after, &after);
  EXPECT_EQ(after.lfQuality, ANTIALIASED_QUALITY);
  EXPECT_EQ(font.Quality(), ANTIALIASED_QUALITY);
  EXPECT_EQ(font.Style(), static_cast<TFontStyles>(fsBold));
  EXPECT_STREQ(after.lfFaceName, "Arial");

  font.SetQuality(NONANTIALIASED_QUALITY);
  GetObjectA(font.Handle(), sizeof after, &after);
  EXPECT_EQ(after.lfQuality, NONANTIALIASED_QUALITY);
}

TEST(Bitmap, SixteenColourPictureAndTransparentDrawing) {
  // 4 x 3: bottom-left pixel (index 12, blue) is the transparent colour.
  const std::vector<std::uint8_t> pixels = {
      4, 15, 12, 0,   // navy, white, blue, black
      12, 9, 4, 12,   // blue, red, navy, blue
      12, 12, 10, 2,  // blue, blue, lime, green
  };
  const auto bmp = FourBitBmp(4, 3, pixels);
  TBitmap picture;
  picture.LoadFromBmpData(bmp.data(), bmp.size());
  EXPECT_EQ(picture.PixelFormat(), pf4bit);
  EXPECT_EQ(picture.Width(), 4);
  EXPECT_EQ(picture.Height(), 3);
  EXPECT_EQ(picture.Pixel(0, 0), clNavy);
  EXPECT_EQ(picture.Pixel(1, 1), clRed);
  EXPECT_EQ(picture.TransparentColor(), clBlue);

  TBitmap target(6, 5);
  target.Canvas().Brush().SetColor(clYellow);
  target.Canvas().FillRect(Rect(0, 0, 6, 5));
  picture.SetTransparent(true);
  target.Canvas().Draw(1, 1, picture);
  const struct {
    int x, y;
    TColor color;
  } expected[] = {
      {1, 1, clNavy}, {2, 1, clWhite}, {3, 1, clYellow}, {4, 1, clBlack},
      {1, 2, clYellow}, {2, 2, clRed}, {3, 2, clNavy}, {4, 2, clYellow},
      {1, 3, clYellow}, {2, 3, clYellow}, {3, 3, clLime}, {4, 3, clGreen},
      {0, 0, clYellow}, {5, 4, clYellow},
  };
  for (const auto& e : expected) {
    SCOPED_TRACE(std::to_string(e.x) + "," + std::to_string(e.y));
    EXPECT_EQ(target.Pixel(e.x, e.y), e.color);
  }
}

TEST(Bitmap, DamagedPicturesAreRefused) {
  auto bmp = FourBitBmp(4, 3, std::vector<std::uint8_t>(12, 1));
  const struct {
    const char* what;
    std::size_t keep;
    std::size_t at;
    unsigned char value;
  } cases[] = {
      {"truncated bits", bmp.size() - 1, 0, 'B'},
      {"no signature", bmp.size(), 0, 'X'},
      {"header only", sizeof(BITMAPFILEHEADER) + 8, 0, 'B'},
      {"compressed", bmp.size(), sizeof(BITMAPFILEHEADER) + 16, BI_RLE4},
      {"17 colours at 4 bits", bmp.size(), sizeof(BITMAPFILEHEADER) + 32, 17},
      {"pixels inside the colour table", bmp.size(), 10, 60},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<unsigned char> damaged(bmp.begin(), bmp.begin() + static_cast<std::ptrdiff_t>(c.keep));
    damaged[c.at] = c.value;
    TBitmap picture;
    EXPECT_THROW(picture.LoadFromBmpData(damaged.data(), damaged.size()), EInvalidOperation);
    EXPECT_TRUE(picture.Empty());
  }
}

TEST(Bitmap, SaveAndLoadRoundTrip) {
  testing_support::TempDir dir;
  TBitmap picture(5, 4);
  picture.Canvas().Brush().SetColor(clTeal);
  picture.Canvas().FillRect(Rect(1, 1, 3, 3));
  const std::string path = dir / "pic.bmp";
  picture.SaveToFile(path);
  TBitmap loaded;
  loaded.LoadFromFile(path);
  EXPECT_EQ(loaded.Width(), 5);
  EXPECT_EQ(loaded.Height(), 4);
  EXPECT_EQ(loaded.Pixel(1, 1), clTeal);
  EXPECT_EQ(loaded.Pixel(3, 3), clWhite);
  EXPECT_THROW(loaded.LoadFromFile(dir / "missing.bmp"), EFOpenError);

  const std::string cut = dir / "cut.bmp";
  const testing_support::Bytes saved = testing_support::ReadFile(path);
  testing_support::WriteFile(cut, testing_support::Bytes(saved.begin(), saved.begin() + 60));
  try {
    loaded.LoadFromFile(cut);
    FAIL() << "a cut file loaded";
  } catch (const EInvalidOperation& e) {
    EXPECT_NE(e.Message().find("cut short"), std::string::npos) << e.Message();
    EXPECT_NE(e.Message().find(cut), std::string::npos) << e.Message();
  }
}

TEST(Gdi, OwnershipTypesCountAndRelease) {
  const int before = LiveGdiObjects();
  {
    GdiObject pen(CreatePen(PS_SOLID, 1, 0));
    EXPECT_EQ(LiveGdiObjects(), before + 1);
    GdiObject moved(std::move(pen));
    EXPECT_FALSE(pen);
    EXPECT_EQ(LiveGdiObjects(), before + 1);
    MemoryDC dc;
    EXPECT_EQ(LiveGdiObjects(), before + 2);
    {
      WindowDC screen;
      EXPECT_EQ(LiveGdiObjects(), before + 3);
    }
    EXPECT_EQ(LiveGdiObjects(), before + 2);
    {
      SelectGuard select(dc.Get(), moved.Get());
      EXPECT_EQ(GetCurrentObject(dc.Get(), OBJ_PEN), moved.Get());
    }
    EXPECT_NE(GetCurrentObject(dc.Get(), OBJ_PEN), moved.Get()) << "the guard put the old pen back";
  }
  EXPECT_EQ(LiveGdiObjects(), before);
  static_assert(!std::is_copy_constructible_v<GdiObject>);
  static_assert(!std::is_copy_constructible_v<TBitmap>);
}

TEST(Gdi, RepeatedDrawingLeaksNothing) {
  auto drawSome = [] {
    TBitmap bitmap(50, 30);
    TCanvas& c = bitmap.Canvas();
    for (int i = 0; i < 20; ++i) {
      c.Brush().SetColor(static_cast<TColor>(i * 0x010203));
      c.Pen().SetColor(static_cast<TColor>(i * 0x030201));
      c.Font().SetHeight(-10 - i % 5);
      c.FillRect(Rect(0, 0, 50, 30));
      c.Ellipse(0, 0, 20, 20);
      c.TextOut(2, 2, "text");
      c.Brush().SetStyle(bsClear);
      c.TextOut(2, 12, "text");
    }
    TBitmap other(50, 30);
    other.Canvas().CopyRect(Rect(0, 0, 50, 30), c, Rect(0, 0, 50, 30));
    other.SetTransparent(true);
    c.Draw(0, 0, other);
  };
  drawSome();  // first use may create lasting objects (none expected)
  const int before = LiveGdiObjects();
  for (int i = 0; i < 50; ++i) drawSome();
  EXPECT_EQ(LiveGdiObjects(), before);
}

}  // namespace
