// The progress gauge: a non-windowed control that shows how far a value has
// come through a range as a whole percentage, as text, a horizontal or
// vertical bar, a pie or a needle dial. Every paint builds the picture
// off-screen and copies it to the screen in one step; the percentage text is
// combined by exclusive-or, so it shows the complement of what lies beneath.
#pragma once

#include "toolkit/Controls.h"
#include "toolkit/Graphics.h"
#include "widgets/GaugeMath.h"

// An off-screen image that can take the size of another one.
class TBltBitmap : public TBitmap {
 public:
  using TBitmap::TBitmap;
  // Takes model's width, then its height, and fills the whole image with the
  // system colour clWindowFrame.
  void MakeLike(TBitmap& model);
};

class TGauge : public TGraphicControl {
 public:
  // Range 0..100 at 0, a bordered horizontal bar, black on white, with text;
  // 100 × 100 and opaque.
  explicit TGauge(TComponent* owner);

  int MinValue() const noexcept { return range_.MinValue(); }
  // Fails with EInvalidOperation when the new bound would pass the other one
  // (unless the gauge is being loaded); Progress follows a moved bound.
  void SetMinValue(int value);
  int MaxValue() const noexcept { return range_.MaxValue(); }
  void SetMaxValue(int value);
  int Progress() const noexcept { return range_.Progress(); }
  // Clamped to the range; repaints at once only when PercentShown changes.
  void SetProgress(int value);
  // Progress + delta (clamped), then repaints at once in any case.
  void AdvanceProgress(int delta);
  // The whole percentage the gauge shows.
  int PercentShown() const noexcept { return range_.PercentShown(); }

  TGaugeKind Kind() const noexcept { return kind_; }
  void SetKind(TGaugeKind value);
  bool ShowText() const noexcept { return showText_; }
  void SetShowText(bool value);
  TBorderStyle BorderStyle() const noexcept { return borderStyle_; }
  void SetBorderStyle(TBorderStyle value);
  TColor ForeColor() const noexcept { return foreColor_; }
  void SetForeColor(TColor value);
  TColor BackColor() const noexcept { return backColor_; }
  void SetBackColor(TColor value);

  // While loading, MinValue and MaxValue may be given in any order.
  bool Loading() const noexcept { return loading_; }
  void SetLoading(bool value) noexcept { loading_ = value; }

  // A progress indicator whose value is PercentShown with "%"; each change
  // of it is told to screen readers.
  std::optional<TAccessibleItem> AccessibleItem() const override;

 protected:
  void Paint() override;

 private:
  // Repaints and tells screen readers, once the percentage shown changed.
  void PercentChanged();
  // Draws the shape of Kind into the overlay, within r.
  void DrawShape(TCanvas& canvas, const PixelRect& r);
  // Puts the percentage text onto the image by exclusive-or, clipped to r.
  void DrawPercentText(TBitmap& image, const PixelRect& r);
  // Paints into the parent's surface before returning, when there is one.
  void RepaintNow();

  GaugeRange range_;
  TGaugeKind kind_ = gkHorizontalBar;
  bool showText_ = true;
  TBorderStyle borderStyle_ = bsSingle;
  TColor foreColor_ = clBlack;
  TColor backColor_ = clWhite;
  bool loading_ = false;
};
