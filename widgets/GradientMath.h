// The gradient panel's arithmetic, free of any drawing: the colour presets,
// which colour values name system colours, the colour and rectangle of each
// band, and where the caption goes. Builds on every platform.
#pragma once

#include <cstdint>
#include <optional>

#include "widgets/PixelGeometry.h"

// Direction of the gradient, one byte.
enum TGradientStyle : std::uint8_t {
  gsHorizontal,  // the colour changes from left to right (vertical stripes)
  gsVertical,    // the colour changes from top to bottom (horizontal stripes)
};

// Horizontal placement of the caption, one byte.
enum TLayout : std::uint8_t {
  glLeft,
  glCenter,
  glRight,
};

// Named colour presets, one byte; ccNone means the colour property applies.
enum TCustomColor : std::uint8_t {
  ccLeather,
  ccOldGold,
  ccBuffedGold,
  ccBottleGreen,
  ccEmerald,
  ccGlass,
  ccNight,
  ccGirder,
  ccBrushedSteel,
  ccTwilight,
  ccSapphire,
  ccSky,
  ccRoyalPurple,
  ccShadows,
  ccPastels,
  ccRoyal,
  ccRuby,
  ccRose,
  ccAquaMarine,
  ccTeal,
  ccManuscript,
  ccChocolate,
  ccMoss,
  ccLichen,
  ccNone,
};

// A colour value: red + 256 × green + 65536 × blue, or 0xFF000000 + n for
// the platform's system colour n (0..24).
using ColorValue = std::uint32_t;

// The preset's colour; ccNone, and any value outside the enumeration, black.
ColorValue CustomColorValue(TCustomColor preset);

// The system colour index a colour value names, if it names one.
std::optional<int> SystemColorIndex(ColorValue colour);

// The colour of band `band` of a gradient with steps + 1 bands from start to
// end: each channel is the start channel plus band × delta / steps truncated
// toward zero. Only the low three bytes of start and end are read. With
// steps below 1 every band has the start colour.
ColorValue BandColor(ColorValue start, ColorValue end, int band, int steps);

// Band `band` of `bands` over an image of width × height: for gsHorizontal
// columns floor(band × width / bands) up to floor((band + 1) × width / bands),
// for gsVertical rows likewise. Empty for any other style and for bands that
// get no pixel, so that consecutive bands never overlap.
PixelRect BandRect(int band, int bands, int width, int height, TGradientStyle style);

// Where a caption of the given extent starts in a control of width × height;
// nothing for a layout outside the enumeration.
std::optional<PixelPoint> CaptionOrigin(TLayout layout, int width, int height, int textWidth,
                                        int textHeight);
