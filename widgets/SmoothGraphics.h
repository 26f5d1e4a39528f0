// What the gradient panel is made from: the colour presets, the direction
// type, the resolution of system colours and the routine that renders a
// gradient of solid bands into an off-screen image.
#pragma once

#include <memory>

#include "toolkit/Graphics.h"
#include "widgets/GradientMath.h"

// A system colour (0xFF000000 + n, n in 0..24) replaced by its current value;
// any other colour unchanged.
TColor ResolveColor(TColor colour);

// CustomColorValue(preset) comes from GradientMath.h: the preset's colour,
// black for ccNone.

// A new image of rect's width and height holding a gradient of steps + 1
// solid bands from start to end in the given direction. The caller owns it.
std::unique_ptr<TBitmap> GradientBitmap(TColor start, TColor end, const TRect& rect,
                                        TGradientStyle style, int steps);
