#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "widgets/FileCtrlGlyphs.h"

using namespace filectrl;

TEST(Glyphs, NamesSizesAndABackgroundAtTheBottomLeft) {
  struct Case {
    GlyphId id;
    const char* name;
    int width;
    int height;
  };
  const Case cases[] = {
      {GlyphId::OpenFolder, "OPENFOLDER", 16, 15},    {GlyphId::ClosedFolder, "CLOSEDFOLDER", 16, 15},
      {GlyphId::CurrentFolder, "CURRENTFOLDER", 16, 15}, {GlyphId::Floppy, "FLOPPY", 16, 11},
      {GlyphId::Hard, "HARD", 16, 11},                {GlyphId::Network, "NETWORK", 16, 11},
      {GlyphId::CDRom, "CDROM", 16, 11},              {GlyphId::Ram, "RAM", 16, 11},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Glyph& g = GetGlyph(c.id);
    EXPECT_EQ(g.name, c.name);
    EXPECT_EQ(g.width, c.width);
    EXPECT_EQ(g.height, c.height);
    ASSERT_EQ(g.pixels.size(), static_cast<std::size_t>(c.width * c.height));
    // Drawn with the bottom-left colour as transparent: that colour must be
    // the background around the picture, never part of it.
    const std::uint8_t background = g.TransparentIndex();
    EXPECT_EQ(GlyphPalette()[background], 0xFF00FFu);
    int drawn = 0;
    for (auto p : g.pixels) {
      EXPECT_LT(p, 16);
      drawn += p != background;
    }
    EXPECT_GT(drawn, c.width * c.height / 4) << "too little of the picture is drawn";
  }
  for (const auto& a : cases) {
    for (const auto& b : cases) {
      if (&a == &b) continue;
      EXPECT_NE(GetGlyph(a.id).pixels, GetGlyph(b.id).pixels) << a.name << " " << b.name;
    }
  }
}

TEST(Glyphs, TheCurrentFolderIsTheOpenFolderWithADottedOutline) {
  const Glyph& open = GetGlyph(GlyphId::OpenFolder);
  const Glyph& current = GetGlyph(GlyphId::CurrentFolder);
  const std::uint8_t black = 0;
  int dotted = 0;
  for (int y = 0; y < open.height; ++y) {
    for (int x = 0; x < open.width; ++x) {
      SCOPED_TRACE(std::to_string(x) + "," + std::to_string(y));
      if (open.At(x, y) != black) {
        EXPECT_EQ(current.At(x, y), open.At(x, y));
      } else if (current.At(x, y) != black) {
        EXPECT_EQ(current.At(x, y), current.TransparentIndex());
        ++dotted;
      }
    }
  }
  EXPECT_GT(dotted, 10);
}

TEST(Glyphs, BmpImagesCarryThePixelsBottomUpWithThePalette) {
  auto u16 = [](const std::vector<std::uint8_t>& d, std::size_t at) { return d[at] | d[at + 1] << 8; };
  auto u32 = [&](const std::vector<std::uint8_t>& d, std::size_t at) {
    return static_cast<std::uint32_t>(u16(d, at)) | static_cast<std::uint32_t>(u16(d, at + 2)) << 16;
  };
  for (GlyphId id : {GlyphId::OpenFolder, GlyphId::Floppy}) {
    const Glyph& g = GetGlyph(id);
    SCOPED_TRACE(g.name);
    const std::vector<std::uint8_t> bmp = GlyphBmpData(g);
    ASSERT_EQ(bmp.size(), 14u + 40 + 64 + 8u * static_cast<std::size_t>(g.height));
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    EXPECT_EQ(u32(bmp, 2), bmp.size());
    EXPECT_EQ(u32(bmp, 10), 14u + 40 + 64);
    EXPECT_EQ(u32(bmp, 18), static_cast<std::uint32_t>(g.width));
    EXPECT_EQ(u32(bmp, 22), static_cast<std::uint32_t>(g.height));
    EXPECT_EQ(u16(bmp, 28), 4);
    // Palette entry 9 (red) as blue, green, red, 0.
    EXPECT_EQ(u32(bmp, 54 + 9 * 4), 0x00FF0000u);
    for (int y = 0; y < g.height; ++y) {
      for (int x = 0; x < g.width; ++x) {
        const std::uint8_t byte = bmp[118 + static_cast<std::size_t>((g.height - 1 - y) * 8 + x / 2)];
        ASSERT_EQ(x % 2 ? byte & 0x0F : byte >> 4, g.At(x, y)) << x << "," << y;
      }
    }
  }
}

TEST(Glyphs, LargerSizesKeepTheArtAndItsBackground) {
  const struct {
    int percent;
    int width, height;  // of a 16 x 15 glyph
  } sizes[] = {{100, 16, 15}, {150, 24, 23}, {200, 32, 30}};
  for (const auto& size : sizes) {
    for (int id = 0; id < kGlyphCount; ++id) {
      const Glyph& art = GetGlyph(static_cast<GlyphId>(id));
      const Glyph g = ScaledGlyph(art, size.percent);
      SCOPED_TRACE(art.name + " at " + std::to_string(size.percent) + " %");
      if (art.height == 15) {
        EXPECT_EQ(g.width, size.width);
        EXPECT_EQ(g.height, size.height);
      }
      ASSERT_EQ(g.pixels.size(), static_cast<std::size_t>(g.width * g.height));
      EXPECT_EQ(g.TransparentIndex(), art.TransparentIndex());
      // Enlarged, never blended: only the art's own colours, and at 200 %
      // every art pixel keeps at least one of its four.
      for (auto p : g.pixels) {
        EXPECT_NE(std::find(art.pixels.begin(), art.pixels.end(), p), art.pixels.end()) << int(p);
      }
      if (size.percent != 200) continue;
      for (int y = 0; y < art.height; ++y) {
        for (int x = 0; x < art.width; ++x) {
          const auto p = art.At(x, y);
          EXPECT_TRUE(g.At(2 * x, 2 * y) == p || g.At(2 * x + 1, 2 * y) == p || g.At(2 * x, 2 * y + 1) == p ||
                      g.At(2 * x + 1, 2 * y + 1) == p)
              << x << "," << y;
        }
      }
    }
  }
}
