#include "widgets/GradientMath.h"

namespace {

constexpr ColorValue Rgb(unsigned red, unsigned green, unsigned blue) {
  return red | (green << 8) | (blue << 16);
}

// In the order of TCustomColor: six families of three shades, darkest
// first, then three pairs, lighter first.
constexpr ColorValue kPresets[] = {
    Rgb(79, 69, 47),    Rgb(135, 119, 65), Rgb(200, 144, 0),  Rgb(30, 96, 60),
    Rgb(48, 152, 96),   Rgb(91, 204, 142), Rgb(47, 69, 79),   Rgb(66, 96, 111),
    Rgb(94, 128, 157),  Rgb(30, 44, 96),   Rgb(48, 80, 152),  Rgb(91, 126, 204),
    Rgb(69, 47, 79),    Rgb(103, 66, 111), Rgb(137, 94, 157), Rgb(96, 30, 60),
    Rgb(152, 48, 96),   Rgb(204, 91, 142), Rgb(25, 136, 141), Rgb(21, 82, 85),
    Rgb(176, 169, 151), Rgb(64, 60, 49),   Rgb(52, 122, 100), Rgb(41, 97, 79),
};
static_assert(sizeof kPresets / sizeof kPresets[0] == ccNone);

int Channel(ColorValue colour, int shift) { return static_cast<int>((colour >> shift) & 0xFF); }

// floor(n × extent / count) for non-negative n, extent and positive count,
// without overflow.
int Edge(int n, int extent, int count) {
  return static_cast<int>(std::int64_t{n} * extent / count);
}

}  // namespace

ColorValue CustomColorValue(TCustomColor preset) {
  if (preset >= ccNone) return 0;
  return kPresets[preset];
}

std::optional<int> SystemColorIndex(ColorValue colour) {
  if (colour >= 0xFF000000u && colour <= 0xFF000018u) return static_cast<int>(colour - 0xFF000000u);
  return std::nullopt;
}

ColorValue BandColor(ColorValue start, ColorValue end, int band, int steps) {
  ColorValue result = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const int from = Channel(start, shift);
    const int delta = Channel(end, shift) - from;
    // C++ division truncates toward zero, as the falling channels need.
    const int channel = steps < 1 ? from : from + static_cast<int>(std::int64_t{band} * delta / steps);
    result |= static_cast<ColorValue>(channel & 0xFF) << shift;
  }
  return result;
}

PixelRect BandRect(int band, int bands, int width, int height, TGradientStyle style) {
  if (bands < 1 || band < 0 || band >= bands || width <= 0 || height <= 0) return {};
  PixelRect r;
  switch (style) {
    case gsHorizontal:
      r = {Edge(band, width, bands), 0, Edge(band + 1, width, bands), height};
      break;
    case gsVertical:
      r = {0, Edge(band, height, bands), width, Edge(band + 1, height, bands)};
      break;
    default:
      return {};
  }
  if (r.Empty()) return {};
  return r;
}

std::optional<PixelPoint> CaptionOrigin(TLayout layout, int width, int height, int textWidth,
                                        int textHeight) {
  const int y = (height - textHeight) / 2;
  switch (layout) {
    case glLeft:
      return PixelPoint{4, y};
    case glCenter:
      return PixelPoint{(width - textWidth) / 2, y};
    case glRight:
      return PixelPoint{width - 4 - textWidth, y};
  }
  return std::nullopt;
}
