#include "widgets/SmoothGraphics.h"

TColor ResolveColor(TColor colour) {
  // Here only n in 0..24 names a system colour; the toolkit looks it up.
  return SystemColorIndex(colour) ? ColorToRGB(colour) : colour;
}

std::unique_ptr<TBitmap> GradientBitmap(TColor start, TColor end, const TRect& rect,
                                        TGradientStyle style, int steps) {
  const int width = rect.Width() > 0 ? rect.Width() : 0;
  const int height = rect.Height() > 0 ? rect.Height() : 0;
  auto image = std::make_unique<TBitmap>(width, height);
  if (width == 0 || height == 0) return image;
  TCanvas& canvas = image->Canvas();
  canvas.Brush().SetStyle(bsSolid);
  const int bands = steps < 1 ? 1 : steps + 1;
  for (int band = 0; band < bands; ++band) {
    const PixelRect r = BandRect(band, bands, width, height, style);
    if (r.Empty()) continue;
    canvas.Brush().SetColor(BandColor(start, end, band, steps));
    canvas.FillRect(Rect(r.left, r.top, r.right, r.bottom));
  }
  return image;
}
