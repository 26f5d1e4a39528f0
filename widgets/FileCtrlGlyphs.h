// The directory chooser's glyphs: 16-colour pictures of our own, kept as
// pixel data. Each is drawn with the colour of its bottom-left pixel as
// transparent.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace filectrl {

enum class GlyphId { OpenFolder, ClosedFolder, CurrentFolder, Floppy, Hard, Network, CDRom, Ram };

inline constexpr int kGlyphCount = 8;

struct Glyph {
  std::string name;  // "OPENFOLDER", "CLOSEDFOLDER", ...
  int width = 0;
  int height = 0;
  // One palette index (0..15) per pixel, rows from the top.
  std::vector<std::uint8_t> pixels;

  std::uint8_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
  std::uint8_t TransparentIndex() const { return At(0, height - 1); }
};

// The standard 16-colour palette as 0xRRGGBB, index 0 black to 15 white.
const std::array<std::uint32_t, 16>& GlyphPalette();

const Glyph& GetGlyph(GlyphId id);

// The glyph for 100, 150 or 200 % (other percentages: 100): its pixel art
// enlarged by the pixel-art rules that keep outlines one art pixel wide and
// round diagonal edges instead of making steps: 200 % by the 2x rule, 150 %
// by the 3x rule sampled at every second pixel. The background stays at the
// bottom-left.
Glyph ScaledGlyph(const Glyph& glyph, int percent);

// The glyph as a 4-bit BMP file image (file header, info header, the
// 16-colour palette, rows bottom-up).
std::vector<std::uint8_t> GlyphBmpData(const Glyph& glyph);

}  // namespace filectrl
