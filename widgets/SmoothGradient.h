// The gradient panel: a non-windowed control filled with a two-colour linear
// gradient of 256 solid bands, with an optional one-line caption over it.
#pragma once

#include "toolkit/Controls.h"
#include "widgets/SmoothGraphics.h"

class TSmoothGradient : public TGraphicControl {
 public:
  // Takes its owner, when that is a window, as its parent; 100 × 100, opaque,
  // horizontal from clBlue to clNavy, caption = the component's name.
  explicit TSmoothGradient(TComponent* owner);
  ~TSmoothGradient() override;

  // Every setter stores its value and invalidates: the paint comes later,
  // from the message loop. The caption is the control's Caption/SetCaption.
  TColor StartColor() const noexcept { return startColor_; }
  void SetStartColor(TColor value);
  TColor EndColor() const noexcept { return endColor_; }
  void SetEndColor(TColor value);
  // A preset other than ccNone overrides the colour property.
  TCustomColor StartCustomColor() const noexcept { return startCustomColor_; }
  void SetStartCustomColor(TCustomColor value);
  TCustomColor EndCustomColor() const noexcept { return endCustomColor_; }
  void SetEndCustomColor(TCustomColor value);
  TGradientStyle GradientStyle() const noexcept { return gradientStyle_; }
  void SetGradientStyle(TGradientStyle value);
  TLayout Layout() const noexcept { return layout_; }
  void SetLayout(TLayout value);

 protected:
  void Paint() override;
  void TextChanged() override;

 private:
  TColor startColor_ = clBlue;
  TColor endColor_ = clNavy;
  TCustomColor startCustomColor_ = ccNone;
  TCustomColor endCustomColor_ = ccNone;
  TGradientStyle gradientStyle_ = gsHorizontal;
  TLayout layout_ = glLeft;
};
