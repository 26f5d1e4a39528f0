// Scaling a form's layout from 96 pixels per inch to the screen's density:
// one pass that multiplies the numbers, then one that applies them.
#include <windows.h>

#include "toolkit/ExtCtrls.h"
#include "toolkit/Forms.h"
#include "toolkit/StdCtrls.h"

int ScaleForPixelsPerInch(int value, int ppi) { return MulDiv(value, ppi, kDesignPixelsPerInch); }

std::string FaceForPixelsPerInch(const std::string& face, int ppi) {
  if (ppi == kDesignPixelsPerInch) return face;
  // Bitmap faces come in a few sizes only; the TrueType face of the same
  // design draws smooth text at any size.
  if (lstrcmpiA(face.c_str(), "MS Sans Serif") == 0 || lstrcmpiA(face.c_str(), "System") == 0) {
    return "Microsoft Sans Serif";
  }
  return face;
}

namespace {
void ScaleFont(TFont& font, int ppi) {
  font.SetName(FaceForPixelsPerInch(font.Name(), ppi));
  font.SetHeight(ScaleForPixelsPerInch(font.Height(), ppi));
}
}  // namespace

void TControl::ChangeScale(int ppi) {
  // The fields only: the form applies the bounds once every number is
  // scaled. The edges are scaled where they lie in the form (the parents
  // still hold their 96-DPI bounds: children are scaled first), so that
  // controls that meet or keep apart at 96 pixels per inch still do, inside
  // their containers too.
  int x = 0, y = 0;
  for (TWinControl* p = parent_; p != nullptr && p->parent_ != nullptr; p = p->parent_) {
    x += p->left_;
    y += p->top_;
  }
  const auto scale = [ppi](int origin, int value) {
    return ScaleForPixelsPerInch(origin + value, ppi) - ScaleForPixelsPerInch(origin, ppi);
  };
  const int right = scale(x, left_ + width_), bottom = scale(y, top_ + height_);
  left_ = scale(x, left_);
  top_ = scale(y, top_);
  width_ = right - left_;
  height_ = bottom - top_;
  if (!parentFont_) ScaleFont(font_, ppi);
  pixelsPerInch_ = ppi;
}

void TWinControl::ChangeScale(int ppi) {
  // A client size of 0 moves no anchored child when the size changes.
  lastClientWidth_ = 0;
  lastClientHeight_ = 0;
  for (TControl* c : std::vector<TControl*>(controls_)) c->ChangeScale(ppi);
  TControl::ChangeScale(ppi);
}

void TWinControl::ApplyScaledBounds() {
  lastClientWidth_ = 0;
  lastClientHeight_ = 0;
  if (handle_ != nullptr) {
    SetWindowPos(handle_, nullptr, left_, top_, width_, WindowHeight(height_), SWP_NOZORDER | SWP_NOACTIVATE);
  }
  ClientSizeChanged();  // aligns the children to the scaled client area
  for (TControl* c : std::vector<TControl*>(controls_)) {
    if (auto* w = dynamic_cast<TWinControl*>(c)) w->ApplyScaledBounds();
  }
}

void TLabel::ChangeScale(int ppi) {
  TGraphicControl::ChangeScale(ppi);
  AdjustSize();  // a label sized by its text measures it in the scaled font
  FitScaledHeight();
}

void TLabel::FitScaledHeight() {
  // A face drawn at another size need not keep the widths of the bitmap
  // face the layout was made with: a wrapped text of a fixed size grows
  // downwards rather than lose its last lines.
  if (autoSize_ || !wordWrap_ || pixelsPerInch_ == kDesignPixelsPerInch) return;
  TCanvas& canvas = Canvas();
  if (!canvas.Font().Equals(font_)) canvas.Font().Assign(font_);
  TRect r = Rect(0, 0, width_, 0);
  canvas.DrawText(caption_.empty() ? std::string(" ") : caption_, r, DrawTextFlags() | DT_CALCRECT);
  if (r.Height() > height_) SetBounds(left_, top_, width_, r.Height());
}

void TPanel::ChangeScale(int ppi) {
  TCustomControl::ChangeScale(ppi);
  bevelWidth_ = ScaleForPixelsPerInch(bevelWidth_, ppi);
  borderWidth_ = ScaleForPixelsPerInch(borderWidth_, ppi);
}

void TCustomListControl::ChangeScale(int ppi) {
  TWinControl::ChangeScale(ppi);
  SetItemHeight(ScaleForPixelsPerInch(ItemHeight(), ppi));
}

void TForm::ScaleTo(int ppi) {
  if (ppi <= 0 || ppi == pixelsPerInch_ || pixelsPerInch_ != kDesignPixelsPerInch) return;
  const TSize client = pendingClientSize_ ? *pendingClientSize_ : TSize{ClientWidth(), ClientHeight()};
  // The form keeps its place on the screen; its size follows the client area.
  lastClientWidth_ = 0;
  lastClientHeight_ = 0;
  ScaleFont(font_, ppi);
  for (TControl* c : std::vector<TControl*>(controls_)) c->ChangeScale(ppi);
  pixelsPerInch_ = ppi;
  SetClientSize(ScaleForPixelsPerInch(client.cx, ppi), ScaleForPixelsPerInch(client.cy, ppi));
  for (TControl* c : std::vector<TControl*>(controls_)) {
    if (auto* w = dynamic_cast<TWinControl*>(c)) w->ApplyScaledBounds();
  }
  if (position_ != poDesigned) CenterOnScreen();
  if (handle_ != nullptr) RedrawWindow(handle_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}
