#include "widgets/FileCtrlGlyphs.h"

#include <iterator>
#include <stdexcept>

#include "runtime/Bmp.h"

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

const Glyph& GetGlyph(GlyphId id) {
  static const std::array<Glyph, kGlyphCount> glyphs = MakeGlyphs();
  return glyphs.at(static_cast<std::size_t>(id));
}

}  // namespace filectrl
