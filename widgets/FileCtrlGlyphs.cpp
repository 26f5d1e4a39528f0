#include "widgets/FileCtrlGlyphs.h"

#include <iterator>
#include <stdexcept>

namespace filectrl {

namespace {

// One letter per pixel. '.' is the background, the colour of the bottom-left
// pixel, drawn transparent.
//   k black   r maroon  g green  o olive  n navy  p purple  t teal    s silver
//   d grey    R red     G lime   y yellow b blue  . fuchsia c aqua    w white
constexpr char kPaletteLetters[] = "krgonptsdRGyb.cw";

constexpr const char* kOpenFolderArt[] = {
    "................",
    "................",
    ".kkkk...........",
    "kwyyyk..........",
    "kwyyyykkkkkkk...",
    "kwooooooooooyk..",
    "kwoookkkkkkkkkkk",
    "kwookyyyyyyyyyk.",
    "kwokyyyyyyyyyk..",
    "kwkyyyyyyyyyk...",
    "kkyyyyyyyyyk....",
    "kyyyyyyyyyk.....",
    "kyyyyyyyyk......",
    "kkkkkkkkk.......",
    "................",
};
constexpr const char* kClosedFolderArt[] = {
    "................",
    "................",
    "..kkkk..........",
    ".kwyyyk.........",
    "kkkkkkkkkkkkkkk.",
    "kwwwwwwwwwwwwyk.",
    "kwyyyyyyyyyyydk.",
    "kwyyyyyyyyyyydk.",
    "kwyyyyyyyyyyydk.",
    "kwyyyyyyyyyyydk.",
    "kwyyyyyyyyyyydk.",
    "kwyyyyyyyyyyydk.",
    "kyddddddddddddk.",
    "kkkkkkkkkkkkkkk.",
    "................",
};
constexpr const char* kFloppyArt[] = {
    "................",
    "................",
    ".kkkkkkkkkkkkkk.",
    "kwwwwwwwwwwwwwsk",
    "kssdkkkkkkkkdssk",
    "kssssssssssssssk",
    "kssssssssssddssk",
    "kddddddddddddddk",
    ".kkkkkkkkkkkkkk.",
    "................",
    "................",
};
constexpr const char* kHardArt[] = {
    "................",
    "................",
    ".kkkkkkkkkkkkkk.",
    "kwwwwwwwwwwwwwsk",
    "kssssssssssssssk",
    "ksssssssssssGssk",
    "kssssssssssssssk",
    "kddddddddddddddk",
    ".kkkkkkkkkkkkkk.",
    "................",
    "................",
};
constexpr const char* kNetworkArt[] = {
    ".kkkkkkkkkkkkkk.",
    "kwwwwwwwwwwwwwsk",
    "ksssssssssssGssk",
    "kddddddddddddddk",
    ".kkkkkkkkkkkkkk.",
    ".......kk.......",
    ".......kk.......",
    "kkkkkkkkkkkkkkkk",
    "................",
    "................",
    "................",
};
constexpr const char* kCdRomArt[] = {
    "....kkkkkkkk....",
    "..kkcwwccccckk..",
    ".kccccckkccccck.",
    "..kkcccccccckk..",
    ".kkkkkkkkkkkkkk.",
    "kwwwwwwwwwwwwwsk",
    "ksskkkkkkkkkkssk",
    "kssssssssssGsssk",
    "kddddddddddddddk",
    ".kkkkkkkkkkkkkk.",
    "................",
};
constexpr const char* kRamArt[] = {
    "................",
    "................",
    ".gggggggggggggg.",
    ".gkkkgkkkgkkkgg.",
    ".gkkkgkkkgkkkgg.",
    ".gkkkgkkkgkkkgg.",
    ".gggggggggggggg.",
    ".gygygygygygygg.",
    "................",
    "................",
    "................",
};

std::uint8_t PaletteIndex(char letter) {
  for (std::uint8_t i = 0; i < 16; ++i) {
    if (kPaletteLetters[i] == letter) return i;
  }
  throw std::logic_error(std::string("glyph art uses an unknown colour letter ") + letter);
}

template <std::size_t Rows>
Glyph FromArt(const char* name, const char* const (&rows)[Rows]) {
  Glyph glyph;
  glyph.name = name;
  glyph.height = static_cast<int>(Rows);
  glyph.width = static_cast<int>(std::char_traits<char>::length(rows[0]));
  for (const char* row : rows) {
    if (static_cast<int>(std::char_traits<char>::length(row)) != glyph.width) {
      throw std::logic_error(std::string("glyph art rows differ in length: ") + name);
    }
    for (const char* p = row; *p; ++p) glyph.pixels.push_back(PaletteIndex(*p));
  }
  return glyph;
}

// The current folder is the open folder with a dotted outline: every other
// black pixel, in a checkerboard, gives way to the background.
Glyph Dithered(Glyph glyph, const char* name) {
  glyph.name = name;
  const std::uint8_t black = PaletteIndex('k');
  const std::uint8_t background = glyph.TransparentIndex();
  for (int y = 0; y < glyph.height; ++y) {
    for (int x = 0; x < glyph.width; ++x) {
      auto& p = glyph.pixels[static_cast<std::size_t>(y * glyph.width + x)];
      if (p == black && (x + y) % 2 == 1) p = background;
    }
  }
  return glyph;
}

std::array<Glyph, kGlyphCount> MakeGlyphs() {
  Glyph open = FromArt("OPENFOLDER", kOpenFolderArt);
  Glyph current = Dithered(open, "CURRENTFOLDER");
  return {std::move(open),
          FromArt("CLOSEDFOLDER", kClosedFolderArt),
          std::move(current),
          FromArt("FLOPPY", kFloppyArt),
          FromArt("HARD", kHardArt),
          FromArt("NETWORK", kNetworkArt),
          FromArt("CDROM", kCdRomArt),
          FromArt("RAM", kRamArt)};
}

}  // namespace

const std::array<std::uint32_t, 16>& GlyphPalette() {
  static const std::array<std::uint32_t, 16> palette = {
      0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
      0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
  return palette;
}

std::vector<std::uint8_t> GlyphBmpData(const Glyph& glyph) {
  std::vector<std::uint8_t> out;
  auto put16 = [&out](std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
  };
  auto put32 = [&put16](std::uint32_t v) {
    put16(v & 0xFFFF);
    put16(v >> 16);
  };
  const std::uint32_t rowBytes = (static_cast<std::uint32_t>(glyph.width) * 4 + 31) / 32 * 4;
  const std::uint32_t imageBytes = rowBytes * static_cast<std::uint32_t>(glyph.height);
  const std::uint32_t bitsOffset = 14 + 40 + 16 * 4;
  // BITMAPFILEHEADER
  out.push_back('B');
  out.push_back('M');
  put32(bitsOffset + imageBytes);
  put32(0);
  put32(bitsOffset);
  // BITMAPINFOHEADER
  put32(40);
  put32(static_cast<std::uint32_t>(glyph.width));
  put32(static_cast<std::uint32_t>(glyph.height));  // positive: bottom-up
  put16(1);
  put16(4);
  put32(0);  // BI_RGB
  put32(imageBytes);
  put32(3780);  // 96 pixels per inch
  put32(3780);
  put32(16);
  put32(0);
  for (std::uint32_t rgb : GlyphPalette()) {  // RGBQUAD: blue, green, red, 0
    out.push_back(static_cast<std::uint8_t>(rgb));
    out.push_back(static_cast<std::uint8_t>(rgb >> 8));
    out.push_back(static_cast<std::uint8_t>(rgb >> 16));
    out.push_back(0);
  }
  for (int y = glyph.height - 1; y >= 0; --y) {
    std::vector<std::uint8_t> row(rowBytes, 0);
    for (int x = 0; x < glyph.width; ++x) {
      const std::uint8_t index = glyph.At(x, y);
      row[static_cast<std::size_t>(x / 2)] |= static_cast<std::uint8_t>(x % 2 ? index : index << 4);
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

const Glyph& GetGlyph(GlyphId id) {
  static const std::array<Glyph, kGlyphCount> glyphs = MakeGlyphs();
  return glyphs.at(static_cast<std::size_t>(id));
}

}  // namespace filectrl
