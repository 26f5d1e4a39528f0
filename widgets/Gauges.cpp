#include "widgets/Gauges.h"

#include <oleacc.h>

#include <string>

#include "toolkit/Accessibility.h"

namespace {

TRect ToTRect(const PixelRect& r) { return Rect(r.left, r.top, r.right, r.bottom); }

// The whole image black, whatever it held (raster operation BLACKNESS).
void Blacken(TBitmap& image) {
  TCanvas& canvas = image.Canvas();
  const TRect all = Rect(0, 0, image.Width(), image.Height());
  canvas.SetCopyMode(BLACKNESS);
  canvas.CopyRect(all, canvas, all);
  canvas.SetCopyMode(SRCCOPY);
}

// Copies source onto target at (0, 0) with the raster operation rop, then
// sets target's copy mode back to SRCCOPY.
void Combine(TBitmap& target, TBitmap& source, DWORD rop) {
  TCanvas& canvas = target.Canvas();
  canvas.SetCopyMode(rop);
  canvas.Draw(0, 0, source);
  canvas.SetCopyMode(SRCCOPY);
}

}  // namespace

void TBltBitmap::MakeLike(TBitmap& model) {
  SetWidth(model.Width());
  SetHeight(model.Height());
  TCanvas& canvas = Canvas();
  canvas.Brush().SetStyle(bsSolid);
  canvas.Brush().SetColor(clWindowFrame);
  canvas.FillRect(Rect(0, 0, Width(), Height()));
}

TGauge::TGauge(TComponent* owner) : TGraphicControl(owner) {
  SetControlStyle(ControlStyle() | csOpaque);
  SetBounds(Left(), Top(), 100, 100);
}

void TGauge::SetMinValue(int value) {
  if (range_.SetMinValue(value, loading_)) RepaintNow();
}

void TGauge::SetMaxValue(int value) {
  if (range_.SetMaxValue(value, loading_)) RepaintNow();
}

void TGauge::SetProgress(int value) {
  const int before = PercentShown();
  if (range_.SetProgress(value)) RepaintNow();
  if (PercentShown() != before) NotifyValueChange(*this);
}

void TGauge::AdvanceProgress(int delta) {
  const int before = PercentShown();
  range_.AdvanceProgress(delta);
  RepaintNow();
  if (PercentShown() != before) NotifyValueChange(*this);
}

std::optional<TAccessibleItem> TGauge::AccessibleItem() const {
  return TAccessibleItem{ROLE_SYSTEM_PROGRESSBAR, "", std::to_string(PercentShown()) + "%"};
}

void TGauge::SetKind(TGaugeKind value) {
  if (value == kind_) return;
  kind_ = value;
  RepaintNow();
}

void TGauge::SetShowText(bool value) {
  if (value == showText_) return;
  showText_ = value;
  RepaintNow();
}

void TGauge::SetBorderStyle(TBorderStyle value) {
  if (value == borderStyle_) return;
  borderStyle_ = value;
  RepaintNow();
}

void TGauge::SetForeColor(TColor value) {
  if (value == foreColor_) return;
  foreColor_ = value;
  RepaintNow();
}

void TGauge::SetBackColor(TColor value) {
  if (value == backColor_) return;
  backColor_ = value;
  RepaintNow();
}

void TGauge::RepaintNow() {
  // Only what shows is painted: a gauge in a hidden window is painted when
  // the window shows again.
  if (Showing() && Parent() != nullptr && Parent()->HandleAllocated()) Repaint();
}

void TGauge::Paint() {
  const int width = Width();
  const int height = Height();
  if (width <= 0 || height <= 0) return;  // nothing to draw, and no image to make

  TBitmap image(width, height);
  Blacken(image);
  // The frame is as wide as one layout pixel became.
  const PixelRect r =
      GaugePaintRect(width, height, borderStyle_ == bsSingle, ScaleForPixelsPerInch(1, PixelsPerInch()));
  {
    TBltBitmap overlay;
    overlay.MakeLike(image);
    Blacken(overlay);
    DrawShape(overlay.Canvas(), r);
    // The image is black, so after this it equals the overlay.
    Combine(image, overlay, SRCINVERT);
  }
  if (showText_) DrawPercentText(image, r);

  TCanvas& canvas = Canvas();
  canvas.SetCopyMode(SRCCOPY);
  canvas.Draw(0, 0, image);
}

void TGauge::DrawShape(TCanvas& canvas, const PixelRect& r) {
  const bool bordered = borderStyle_ == bsSingle;
  const int percent = PercentShown();
  canvas.Pen().SetStyle(psSolid);
  canvas.Pen().SetWidth(1);
  canvas.Brush().SetStyle(bsSolid);
  switch (kind_) {
    case gkText:
      canvas.Brush().SetColor(backColor_);
      canvas.FillRect(ToTRect(r));
      break;
    case gkHorizontalBar:
    case gkVerticalBar: {
      canvas.Brush().SetColor(backColor_);
      canvas.FillRect(ToTRect(r));
      const PixelRect fill =
          kind_ == gkHorizontalBar ? HorizontalBarFill(r, percent) : VerticalBarFill(r, percent);
      if (!fill.Empty()) {
        canvas.Brush().SetColor(foreColor_);
        canvas.FillRect(ToTRect(fill));
      }
      break;
    }
    case gkPie: {
      const PixelRect box = DialBox(r, bordered);
      canvas.Brush().SetColor(Color());
      canvas.FillRect(ToTRect(r));
      canvas.Pen().SetColor(foreColor_);
      canvas.Brush().SetColor(backColor_);
      canvas.Ellipse(box.left, box.top, box.right, box.bottom);
      if (percent > 0) {
        const int mx = box.right / 2;
        const int my = box.bottom / 2;
        const PixelPoint start = PieStartPoint(percent, mx, my);
        canvas.Brush().SetColor(foreColor_);
        canvas.Pie(box.left, box.top, box.right, box.bottom, start.x, start.y, mx, 0);
      }
      break;
    }
    case gkNeedle: {
      const PixelRect box = DialBox(r, bordered);
      const int w = box.right;
      canvas.Brush().SetColor(Color());
      canvas.FillRect(ToTRect(r));
      canvas.Pen().SetColor(foreColor_);
      canvas.Brush().SetColor(backColor_);
      canvas.Pie(r.left, r.top, w, 2 * box.bottom - 1, r.left + w, r.bottom - 1, r.left,
                 r.bottom - 1);
      canvas.MoveTo(r.left, r.bottom);
      canvas.LineTo(r.left + w, r.bottom);
      if (percent > 0) {
        const int cx = Width() / 2;
        const PixelPoint tip = NeedleTip(percent, cx, r.bottom - 1);
        canvas.MoveTo(cx, r.bottom - 1);
        canvas.LineTo(tip.x, tip.y);
      }
      break;
    }
  }
}

void TGauge::DrawPercentText(TBitmap& image, const PixelRect& r) {
  const std::string text = PercentText(PercentShown());
  TBltBitmap layer;
  layer.MakeLike(image);
  Blacken(layer);
  TCanvas& canvas = layer.Canvas();
  canvas.Brush().SetStyle(bsClear);
  canvas.Font().Assign(Font());
  canvas.Font().SetColor(clWhite);
  // Plain glyphs: a smoothed edge pixel would combine into a colour that is
  // neither the fill's nor its complement.
  canvas.Font().SetQuality(NONANTIALIASED_QUALITY);
  const TSize extent = canvas.TextExtent(text);
  const PixelPoint at = PercentTextOrigin(r, extent.cx, extent.cy);
  canvas.TextRect(ToTRect(r), at.x, at.y, text);
  Combine(image, layer, SRCINVERT);
}
