// Paints a graphic control into an off-screen bitmap, the way its parent's
// paint does, so that tests can read its pixels back.
#pragma once

#include <memory>

#include "toolkit/Toolkit.h"

// A colour no gauge or gradient in the tests paints: what is left of it was
// not drawn.
constexpr TColor kUntouched = 0x123456;

inline std::unique_ptr<TBitmap> Capture(TGraphicControl& control, int width, int height) {
  auto image = std::make_unique<TBitmap>(width, height);
  image->Canvas().Brush().SetColor(kUntouched);
  image->Canvas().FillRect(Rect(0, 0, width, height));
  control.PaintTo(image->Canvas().Handle());
  return image;
}

inline std::unique_ptr<TBitmap> Capture(TGraphicControl& control) {
  return Capture(control, control.Left() + control.Width(), control.Top() + control.Height());
}

// Pixels of `image` inside `area` that have `colour`.
inline int CountColour(TBitmap& image, const TRect& area, TColor colour) {
  int count = 0;
  for (int y = area.Top; y < area.Bottom; ++y) {
    for (int x = area.Left; x < area.Right; ++x) {
      if (image.Pixel(x, y) == colour) ++count;
    }
  }
  return count;
}

// A shown form on the display, for controls that must repaint at once.
class ShownForm {
 public:
  ShownForm() : form_(MakeComponent<TForm>()) {
    form_->SetBounds(0, 0, 400, 300);
    form_->Show();
    Application->ProcessMessages();
  }
  ~ShownForm() { form_->Hide(); }
  TForm& operator*() { return *form_; }
  TForm* operator->() { return form_.get(); }
  TForm* get() { return form_.get(); }

 private:
  std::unique_ptr<TForm> form_;
};
