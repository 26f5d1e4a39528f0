#include "widgets/FileCtrlGlyphs.h"

#include <algorithm>
#include <iterator>

#include "runtime/Bmp.h"
#include "runtime/Exceptions.h"

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
  throw Exception(std::string("glyph art uses an unknown colour letter ") + letter);
}

template <std::size_t Rows>
Glyph FromArt(const char* name, const char* const (&rows)[Rows]) {
  Glyph glyph;
  glyph.name = name;
  glyph.height = static_cast<int>(Rows);
  glyph.width = static_cast<int>(std::char_traits<char>::length(rows[0]));
  for (const char* row : rows) {
    if (static_cast<int>(std::char_traits<char>::length(row)) != glyph.width) {
      throw Exception(std::string("glyph art rows differ in length: ") + name);
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
  static const std::array<std::uint32_t, 16> palette = std::to_array(bmp::kStandard16Colors);
  return palette;
}

std::vector<std::uint8_t> GlyphBmpData(const Glyph& glyph) {
  const std::vector<std::uint8_t> rows = bmp::PackIndexedRows(glyph.width, glyph.height, 4, glyph.pixels);
  bmp::InfoHeader header;
  header.width = glyph.width;
  header.height = glyph.height;
  header.bitCount = 4;
  header.imageBytes = static_cast<std::uint32_t>(rows.size());
  header.pixelsPerMeter = bmp::kPixelsPerMeterAt96Dpi;
  header.palette = GlyphPalette();
  return bmp::EncodeFile(header, rows);
}

namespace {

// The pixel at (x, y), the nearest edge pixel outside the glyph.
std::uint8_t Near(const Glyph& g, int x, int y) {
  return g.At(std::clamp(x, 0, g.width - 1), std::clamp(y, 0, g.height - 1));
}

Glyph Times2(const Glyph& g) {
  Glyph out{g.name, g.width * 2, g.height * 2, {}};
  out.pixels.resize(static_cast<std::size_t>(out.width * out.height));
  for (int y = 0; y < g.height; ++y) {
    for (int x = 0; x < g.width; ++x) {
      const std::uint8_t p = g.At(x, y), a = Near(g, x, y - 1), b = Near(g, x + 1, y), c = Near(g, x - 1, y),
                         d = Near(g, x, y + 1);
      const std::uint8_t block[4] = {c == a && c != d && a != b ? a : p, a == b && a != c && b != d ? b : p,
                                     d == c && d != b && c != a ? c : p, b == d && b != a && d != c ? d : p};
      for (int i = 0; i < 4; ++i) {
        out.pixels[static_cast<std::size_t>((2 * y + i / 2) * out.width + 2 * x + i % 2)] = block[i];
      }
    }
  }
  return out;
}

Glyph Times3(const Glyph& g) {
  Glyph out{g.name, g.width * 3, g.height * 3, {}};
  out.pixels.resize(static_cast<std::size_t>(out.width * out.height));
  for (int y = 0; y < g.height; ++y) {
    for (int x = 0; x < g.width; ++x) {
      const std::uint8_t a = Near(g, x - 1, y - 1), b = Near(g, x, y - 1), c = Near(g, x + 1, y - 1),
                         d = Near(g, x - 1, y), e = g.At(x, y), f = Near(g, x + 1, y),
                         gg = Near(g, x - 1, y + 1), h = Near(g, x, y + 1), i = Near(g, x + 1, y + 1);
      std::uint8_t block[9] = {e, e, e, e, e, e, e, e, e};
      if (b != h && d != f) {
        block[0] = d == b ? d : e;
        block[1] = (d == b && e != c) || (b == f && e != a) ? b : e;
        block[2] = b == f ? f : e;
        block[3] = (d == b && e != gg) || (d == h && e != a) ? d : e;
        block[5] = (b == f && e != i) || (h == f && e != c) ? f : e;
        block[6] = d == h ? d : e;
        block[7] = (d == h && e != i) || (h == f && e != gg) ? h : e;
        block[8] = h == f ? f : e;
      }
      for (int k = 0; k < 9; ++k) {
        out.pixels[static_cast<std::size_t>((3 * y + k / 3) * out.width + 3 * x + k % 3)] = block[k];
      }
    }
  }
  return out;
}

}  // namespace

Glyph ScaledGlyph(const Glyph& glyph, int percent) {
  if (percent == 200) return Times2(glyph);
  if (percent != 150) return glyph;
  const Glyph big = Times3(glyph);
  // Every second pixel of the 3x picture, rounded up: 16 x 15 becomes 24 x 23.
  Glyph out{glyph.name, (glyph.width * 3 + 1) / 2, (glyph.height * 3 + 1) / 2, {}};
  out.pixels.reserve(static_cast<std::size_t>(out.width * out.height));
  for (int y = 0; y < out.height; ++y) {
    for (int x = 0; x < out.width; ++x) out.pixels.push_back(big.At(2 * x, 2 * y));
  }
  return out;
}

const Glyph& GetGlyph(GlyphId id) {
  static const std::array<Glyph, kGlyphCount> glyphs = MakeGlyphs();
  return glyphs.at(static_cast<std::size_t>(id));
}

}  // namespace filectrl
