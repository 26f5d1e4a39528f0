#include "widgets/SmoothGradient.h"

namespace {

TColor EndColour(TCustomColor preset, TColor colour) {
  return preset != ccNone ? CustomColorValue(preset) : ResolveColor(colour);
}

}  // namespace

TSmoothGradient::TSmoothGradient(TComponent* owner) : TGraphicControl(owner) {
  if (auto* window = dynamic_cast<TWinControl*>(owner)) SetParent(window);
  SetControlStyle(ControlStyle() | csOpaque);
  SetBounds(Left(), Top(), 100, 100);
  SetCaption(Name());
}

TSmoothGradient::~TSmoothGradient() = default;

void TSmoothGradient::SetStartColor(TColor value) {
  startColor_ = value;
  Invalidate();
}

void TSmoothGradient::SetEndColor(TColor value) {
  endColor_ = value;
  Invalidate();
}

void TSmoothGradient::SetStartCustomColor(TCustomColor value) {
  startCustomColor_ = value;
  Invalidate();
}

void TSmoothGradient::SetEndCustomColor(TCustomColor value) {
  endCustomColor_ = value;
  Invalidate();
}

void TSmoothGradient::SetGradientStyle(TGradientStyle value) {
  gradientStyle_ = value;
  Invalidate();
}

void TSmoothGradient::SetLayout(TLayout value) {
  layout_ = value;
  Invalidate();
}

void TSmoothGradient::TextChanged() { Invalidate(); }

void TSmoothGradient::Paint() {
  const int width = Width();
  const int height = Height();
  if (width <= 0 || height <= 0) return;
  TCanvas& canvas = Canvas();
  {
    const std::unique_ptr<TBitmap> image =
        GradientBitmap(EndColour(startCustomColor_, startColor_), EndColour(endCustomColor_, endColor_),
                       Rect(0, 0, width, height), gradientStyle_, 255);
    canvas.SetCopyMode(SRCCOPY);
    canvas.Draw(0, 0, *image);
  }

  const std::string& caption = Caption();
  if (caption.empty()) return;
  canvas.Brush().SetStyle(bsClear);
  canvas.Font().Assign(Font());
  LOGFONTA smooth = canvas.Font().LogFont();
  smooth.lfQuality = ANTIALIASED_QUALITY;
  canvas.Font().SetLogFont(smooth);
  const TSize extent = canvas.TextExtent(caption);
  const auto at = CaptionOrigin(layout_, width, height, extent.cx, extent.cy);
  if (!at) return;
  canvas.TextOut(at->x, at->y, caption);
}
