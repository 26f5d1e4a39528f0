#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "widgets/GradientMath.h"

namespace {

constexpr ColorValue kBlue = 0xFF0000;
constexpr ColorValue kNavy = 0x800000;
constexpr ColorValue kBlack = 0x000000;

int Blue(ColorValue c) { return static_cast<int>((c >> 16) & 0xFF); }

// The band that paints each row (gsVertical) of an image `height` rows high;
// -1 where no band paints, -2 where two do.
std::vector<int> BandOfEachRow(int height) {
  std::vector<int> owner(static_cast<size_t>(height), -1);
  for (int band = 0; band < 256; ++band) {
    const PixelRect r = BandRect(band, 256, 7, height, gsVertical);
    if (r.Empty()) continue;
    for (int y = r.top; y < r.bottom; ++y) {
      int& o = owner.at(static_cast<size_t>(y));
      o = o == -1 ? band : -2;
    }
  }
  return owner;
}

}  // namespace

TEST(GradientBands, BackdropColoursRunFromBlueToBlack) {
  for (int i = 0; i < 256; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(BandColor(kBlue, kBlack, i, 255), static_cast<ColorValue>(255 - i) << 16);
  }
}

TEST(GradientBands, ChannelsTruncateTowardZero) {
  struct Case {
    ColorValue start, end;
    int band;
    ColorValue expected;
  };
  const Case cases[] = {
      // A new panel: blue to navy.
      {kBlue, kNavy, 0, 0xFF0000},
      {kBlue, kNavy, 1, 0xFF0000},
      {kBlue, kNavy, 2, 0xFF0000},
      {kBlue, kNavy, 3, 0xFE0000},
      {kBlue, kNavy, 128, 0xC00000},
      {kBlue, kNavy, 255, 0x800000},
      // A falling channel keeps its start value for three bands.
      {100, 0, 2, 100},
      {100, 0, 3, 99},
      // Rising, all three channels at once.
      {0x000000, 0x0A141E, 128, 0x050A0F},
      // Only the low three bytes are read.
      {0xFF0000FF, 0x12000000, 255, 0x000000},
      // Start equal to end: one flat colour.
      {0x123456, 0x123456, 77, 0x123456},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.start) + " to " + std::to_string(c.end) + " band " +
                 std::to_string(c.band));
    EXPECT_EQ(BandColor(c.start, c.end, c.band, 255), c.expected);
  }
  EXPECT_EQ(BandColor(0x102030, 0xFFFFFF, 5, 0), 0x102030u);
}

TEST(GradientBands, EveryPixelGetsExactlyOneBandInOrder) {
  for (int height : {1, 2, 99, 100, 255, 256, 257, 512, 600, 767, 1200}) {
    SCOPED_TRACE(height);
    const std::vector<int> owner = BandOfEachRow(height);
    int previous = -1;
    for (int y = 0; y < height; ++y) {
      ASSERT_GE(owner[static_cast<size_t>(y)], 0) << "row " << y;
      ASSERT_GE(owner[static_cast<size_t>(y)], previous) << "row " << y;
      previous = owner[static_cast<size_t>(y)];
    }
    EXPECT_EQ(owner.back(), 255);
  }
}

TEST(GradientBands, RowsOfTheBackdrop) {
  const std::vector<int> h512 = BandOfEachRow(512);
  for (int i = 0; i < 256; ++i) {
    EXPECT_EQ(h512[static_cast<size_t>(2 * i)], i);
    EXPECT_EQ(h512[static_cast<size_t>(2 * i + 1)], i);
  }
  const std::vector<int> h600 = BandOfEachRow(600);
  EXPECT_EQ(BandRect(0, 256, 800, 600, gsVertical), (PixelRect{0, 0, 800, 2}));
  EXPECT_EQ(BandRect(255, 256, 800, 600, gsVertical), (PixelRect{0, 597, 800, 600}));
  EXPECT_EQ(h600[2], 1);
  const std::vector<int> h100 = BandOfEachRow(100);
  EXPECT_EQ(h100.front(), 2);
  EXPECT_EQ(Blue(BandColor(kBlue, kBlack, h100.front(), 255)), 253);
  EXPECT_EQ(h100.back(), 255);
}

TEST(GradientBands, ColumnsOfANewPanel) {
  EXPECT_EQ(BandRect(2, 256, 100, 100, gsHorizontal), (PixelRect{0, 0, 1, 100}));
  EXPECT_TRUE(BandRect(1, 256, 100, 100, gsHorizontal).Empty());
  EXPECT_EQ(BandRect(255, 256, 100, 100, gsHorizontal), (PixelRect{99, 0, 100, 100}));
}

TEST(GradientBands, NothingForAnUnknownStyleOrAnEmptyImage) {
  EXPECT_TRUE(BandRect(10, 256, 100, 100, static_cast<TGradientStyle>(2)).Empty());
  EXPECT_TRUE(BandRect(255, 256, 0, 100, gsHorizontal).Empty());
  EXPECT_TRUE(BandRect(255, 256, 100, 0, gsVertical).Empty());
  EXPECT_TRUE(BandRect(256, 256, 100, 100, gsVertical).Empty());
  // Wide images do not overflow the products.
  EXPECT_EQ(BandRect(255, 256, 2000000000, 1, gsHorizontal).right, 2000000000);
}

TEST(GradientPresets, TableValues) {
  struct Case {
    TCustomColor preset;
    int red, green, blue;
  };
  const Case cases[] = {
      {ccLeather, 79, 69, 47},       {ccBuffedGold, 200, 144, 0}, {ccGlass, 91, 204, 142},
      {ccBrushedSteel, 94, 128, 157}, {ccSky, 91, 126, 204},      {ccPastels, 137, 94, 157},
      {ccRose, 204, 91, 142},        {ccAquaMarine, 25, 136, 141}, {ccManuscript, 176, 169, 151},
      {ccLichen, 41, 97, 79},        {ccNone, 0, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.preset));
    EXPECT_EQ(CustomColorValue(c.preset),
              static_cast<ColorValue>(c.red + 256 * c.green + 65536 * c.blue));
  }
  EXPECT_EQ(CustomColorValue(static_cast<TCustomColor>(200)), 0u);
}

TEST(GradientPresets, SystemColourValues) {
  EXPECT_EQ(SystemColorIndex(0xFF000000u), 0);
  EXPECT_EQ(SystemColorIndex(0xFF00000Fu), 15);
  EXPECT_EQ(SystemColorIndex(0xFF000018u), 24);
  EXPECT_FALSE(SystemColorIndex(0xFF000019u));
  EXPECT_FALSE(SystemColorIndex(0x00FF0000u));
  EXPECT_FALSE(SystemColorIndex(0xFE000005u));
}

TEST(GradientCaption, PlacementByLayout) {
  struct Case {
    TLayout layout;
    int width, height, textWidth, textHeight;
    PixelPoint expected;
  };
  const Case cases[] = {
      {glLeft, 200, 50, 60, 15, {4, 17}},
      {glCenter, 200, 50, 61, 15, {69, 17}},
      {glRight, 200, 50, 60, 15, {136, 17}},
      // Wider than the control: starts left of it; taller: above it.
      {glRight, 50, 10, 80, 15, {-34, -2}},
      {glCenter, 50, 10, 81, 15, {-15, -2}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.layout));
    EXPECT_EQ(CaptionOrigin(c.layout, c.width, c.height, c.textWidth, c.textHeight), c.expected);
  }
  EXPECT_FALSE(CaptionOrigin(static_cast<TLayout>(3), 100, 100, 10, 10));
}
