#include "toolkit/ExtCtrls.h"

#include <cstdlib>
#include <map>

#include "runtime/Exceptions.h"
#include "runtime/FileSystem.h"
#include "toolkit/Internal.h"

namespace {
std::map<UINT_PTR, TTimer*>& Timers() {
  static std::map<UINT_PTR, TTimer*> timers;
  return timers;
}
UINT_PTR gNextTimerId = 1;

LRESULT CALLBACK UtilityWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_TIMER) {
    bool delivered = true;
    Dispatch([&] { delivered = toolkit_internal::DeliverTimer(wParam); });
    if (delivered) return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}
}  // namespace

namespace toolkit_internal {
bool DeliverTimer(UINT_PTR id) {
  auto it = Timers().find(id);
  if (it == Timers().end()) return false;
  it->second->Tick();
  return true;
}

HWND UtilityWindow() {
  static HWND window = [] {
    const char* name = "ToolkitUtility";
    WNDCLASSA wc{};
    wc.lpfnWndProc = UtilityWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = name;
    RegisterClassA(&wc);
    HWND w = CreateWindowExA(0, name, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (w == nullptr) throw EInvalidOperation("Cannot create the timer window: " + LastErrorText());
    return w;
  }();
  return window;
}
}  // namespace toolkit_internal

// ---------------------------------------------------------------------------

void Frame3D(TCanvas& canvas, TRect& rect, TColor topColor, TColor bottomColor, int width) {
  // Right and bottom edges lie outside the rectangle, so the lines run on
  // Right - 1 and Bottom - 1.
  canvas.Pen().SetWidth(1);
  for (int i = 0; i < width; ++i) {
    const int l = rect.Left, t = rect.Top, r = rect.Right - 1, b = rect.Bottom - 1;
    canvas.Pen().SetColor(topColor);
    canvas.Polyline({{l, b}, {l, t}, {r, t}});
    canvas.Pen().SetColor(bottomColor);
    canvas.Polyline({{r, t}, {r, b}, {l - 1, b}});
    rect.Left += 1;
    rect.Top += 1;
    rect.Right -= 1;
    rect.Bottom -= 1;
  }
}

TPanel::TPanel(TComponent* owner) : TCustomControl(owner) {
  width_ = 185;
  height_ = 41;
}

void TPanel::CreateParams(TCreateParams& params) {
  TCustomControl::CreateParams(params);
  if (borderStyle_ == bsSingle) params.Style |= WS_BORDER;
}

void TPanel::SetBevelInner(TPanelBevel value) { bevelInner_ = value; Invalidate(); }
void TPanel::SetBevelOuter(TPanelBevel value) { bevelOuter_ = value; Invalidate(); }
void TPanel::SetBevelWidth(int value) { bevelWidth_ = value; Invalidate(); }
void TPanel::SetBorderWidth(int value) { borderWidth_ = value; Invalidate(); }
void TPanel::SetAlignment(TAlignment value) { alignment_ = value; Invalidate(); }
void TPanel::TextChanged() { Invalidate(); }

void TPanel::SetBorderStyle(TBorderStyle value) {
  if (value == borderStyle_) return;
  borderStyle_ = value;
  if (handle_ != nullptr) {
    LONG_PTR style = GetWindowLongPtrA(handle_, GWL_STYLE);
    style = value == bsSingle ? (style | WS_BORDER) : (style & ~static_cast<LONG_PTR>(WS_BORDER));
    SetWindowLongPtrA(handle_, GWL_STYLE, style);
    SetWindowPos(handle_, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    ClientSizeChanged();
  }
}

void TPanel::Paint() {
  TCanvas& canvas = Canvas();
  TRect rect = ClientRect();
  auto colors = [](TPanelBevel bevel, TColor& top, TColor& bottom) {
    top = bevel == bvLowered ? clBtnShadow : clBtnHighlight;
    bottom = bevel == bvLowered ? clBtnHighlight : clBtnShadow;
  };
  TColor top, bottom;
  if (bevelOuter_ != bvNone) {
    colors(bevelOuter_, top, bottom);
    if (bevelOuter_ == bvSpace) top = bottom = color_;
    Frame3D(canvas, rect, top, bottom, bevelWidth_);
  }
  Frame3D(canvas, rect, color_, color_, borderWidth_);
  if (bevelInner_ != bvNone) {
    colors(bevelInner_, top, bottom);
    if (bevelInner_ == bvSpace) top = bottom = color_;
    Frame3D(canvas, rect, top, bottom, bevelWidth_);
  }
  canvas.Brush().SetColor(color_);
  canvas.FillRect(rect);
  if (!caption_.empty()) {
    if (!canvas.Font().Equals(font_)) canvas.Font().Assign(font_);
    canvas.Brush().SetStyle(bsClear);
    UINT flags = DT_SINGLELINE | DT_VCENTER | DT_EXPANDTABS;
    flags |= alignment_ == taLeftJustify ? DT_LEFT : alignment_ == taRightJustify ? DT_RIGHT : DT_CENTER;
    canvas.DrawText(caption_, rect, flags);
  }
}

// ---------------------------------------------------------------------------

TBevel::TBevel(TComponent* owner) : TGraphicControl(owner) {
  width_ = 50;
  height_ = 50;
}

void TBevel::SetShape(TBevelShape value) { shape_ = value; Invalidate(); }
void TBevel::SetStyle(TBevelStyle value) { style_ = value; Invalidate(); }

void TBevel::Paint() {
  TCanvas& canvas = Canvas();
  canvas.Pen().SetWidth(1);
  canvas.Pen().SetStyle(psSolid);
  TColor color1 = style_ == bsLowered ? clBtnShadow : clBtnHighlight;
  TColor color2 = style_ == bsLowered ? clBtnHighlight : clBtnShadow;
  auto bevelRect = [&](int l, int t, int r, int b) {
    canvas.Pen().SetColor(color1);
    canvas.Polyline({{l, b}, {l, t}, {r, t}});
    canvas.Pen().SetColor(color2);
    canvas.Polyline({{r, t}, {r, b}, {l, b}});
  };
  auto bevelLine = [&](TColor c, int x1, int y1, int x2, int y2) {
    canvas.Pen().SetColor(c);
    canvas.MoveTo(x1, y1);
    canvas.LineTo(x2, y2);
  };
  const int w = width_, h = height_;
  // Laid out for a higher density, each line is as many pixels wide as one
  // layout pixel became, drawn as bands in the same places.
  if (const int t = ScaleForPixelsPerInch(1, pixelsPerInch_); t > 1) {
    canvas.Brush().SetStyle(bsSolid);
    auto band = [&](TColor c, int l, int top, int r, int b) {
      canvas.Brush().SetColor(c);
      canvas.FillRect(Rect(l, top, r, b));
    };
    auto outline = [&](TColor topLeft, TColor bottomRight, int l, int top, int r, int b) {
      band(topLeft, l, top, r, top + t);
      band(topLeft, l, top, l + t, b);
      band(bottomRight, l, b - t, r, b);
      band(bottomRight, r - t, top, r, b);
    };
    switch (shape_) {
      case bsBox: outline(color1, color2, 0, 0, w, h); break;
      case bsFrame:
        outline(color2, color2, t, t, w, h);
        outline(color1, color1, 0, 0, w - t, h - t);
        break;
      case bsTopLine: band(color1, 0, 0, w, t); band(color2, 0, t, w, 2 * t); break;
      case bsBottomLine: band(color1, 0, h - 2 * t, w, h - t); band(color2, 0, h - t, w, h); break;
      case bsLeftLine: band(color1, 0, 0, t, h); band(color2, t, 0, 2 * t, h); break;
      case bsRightLine: band(color1, w - 2 * t, 0, w - t, h); band(color2, w - t, 0, w, h); break;
      case bsSpacer: break;
    }
    return;
  }
  switch (shape_) {
    case bsBox:
      bevelRect(0, 0, w - 1, h - 1);
      break;
    case bsFrame: {
      const TColor outer = color1;
      color1 = color2;
      bevelRect(1, 1, w - 1, h - 1);
      color2 = outer;
      color1 = outer;
      bevelRect(0, 0, w - 2, h - 2);
      break;
    }
    case bsTopLine:
      bevelLine(color1, 0, 0, w, 0);
      bevelLine(color2, 0, 1, w, 1);
      break;
    case bsBottomLine:
      bevelLine(color1, 0, h - 2, w, h - 2);
      bevelLine(color2, 0, h - 1, w, h - 1);
      break;
    case bsLeftLine:
      bevelLine(color1, 0, 0, 0, h);
      bevelLine(color2, 1, 0, 1, h);
      break;
    case bsRightLine:
      bevelLine(color1, w - 2, 0, w - 2, h);
      bevelLine(color2, w - 1, 0, w - 1, h);
      break;
    case bsSpacer:
      break;
  }
}

// ---------------------------------------------------------------------------

TBitmap& TPicture::Bitmap() {
  icon_.reset();
  if (!bitmap_) bitmap_ = std::make_unique<TBitmap>();
  return *bitmap_;
}

TIcon& TPicture::Icon() {
  bitmap_.reset();
  if (!icon_) icon_ = std::make_unique<TIcon>();
  return *icon_;
}

int TPicture::Width() const { return bitmap_ ? bitmap_->Width() : icon_ ? icon_->Width() : 0; }
int TPicture::Height() const { return bitmap_ ? bitmap_->Height() : icon_ ? icon_->Height() : 0; }

TImage::TImage(TComponent* owner) : TGraphicControl(owner) {
  width_ = 105;
  height_ = 105;
}

void TImage::PictureChanged() {
  if (autoSize_ && picture_.Width() > 0 && picture_.Height() > 0) {
    const bool bitmap = picture_.HasBitmap();
    SetBounds(left_, top_, bitmap ? MulDiv(picture_.Width(), pixelsPerInch_, pictureDensity_) : picture_.Width(),
              bitmap ? MulDiv(picture_.Height(), pixelsPerInch_, pictureDensity_) : picture_.Height());
  }
  Invalidate();
}

void TImage::SetPictureDensity(int ppi) {
  if (ppi <= 0 || ppi == pictureDensity_) return;
  pictureDensity_ = ppi;
  PictureChanged();
}

void TImage::SetPictureLoader(TPictureLoader loader) {
  loader_ = std::move(loader);
  if (!loader_) return;
  pictureDensity_ = loader_(picture_, pixelsPerInch_);
  PictureChanged();
}

void TImage::ChangeScale(int ppi) {
  TGraphicControl::ChangeScale(ppi);
  // The bounds stay the layout's, scaled as every control's edges are (an
  // auto-sized image too): the picture made for the density may be a pixel
  // larger than they are, and never covers its neighbours.
  if (loader_) pictureDensity_ = loader_(picture_, ppi);
}

int NearestPictureDensity(int ppi) {
  int nearest = kDesignPixelsPerInch;
  for (const int density : {144, 192}) {
    if (std::abs(density - ppi) < std::abs(nearest - ppi)) nearest = density;
  }
  return nearest;
}

void TImage::SetAutoSize(bool value) {
  autoSize_ = value;
  PictureChanged();
}
void TImage::SetTransparent(bool value) { transparent_ = value; Invalidate(); }

void TImage::Paint() {
  TCanvas& canvas = Canvas();
  if (picture_.HasBitmap()) {
    TBitmap& bitmap = picture_.Bitmap();
    const int width = MulDiv(bitmap.Width(), pixelsPerInch_, pictureDensity_);
    const int height = MulDiv(bitmap.Height(), pixelsPerInch_, pictureDensity_);
    if (!bitmap.Empty() && !transparent_ && (width != bitmap.Width() || height != bitmap.Height())) {
      // Made for another density: scaled by whole source pixels, which
      // keeps the picture's hard edges.
      const int oldMode = SetStretchBltMode(canvas.Handle(), COLORONCOLOR);
      StretchBlt(canvas.Handle(), 0, 0, width, height, bitmap.Canvas().Handle(), 0, 0, bitmap.Width(),
                 bitmap.Height(), SRCCOPY);
      SetStretchBltMode(canvas.Handle(), oldMode);
    } else if (transparent_) {
      canvas.DrawTransparent(0, 0, bitmap, bitmap.TransparentColor());
    } else {
      canvas.Draw(0, 0, bitmap);
    }
  } else if (picture_.HasIcon()) {
    canvas.Draw(0, 0, picture_.Icon());
  }
}

// ---------------------------------------------------------------------------

TPage::TPage(TComponent* owner, const std::string& name) : TCustomControl(owner) {
  SetName(name);
  SetCaption(name);
  visible_ = false;
}

TNotebook::TNotebook(TComponent* owner) : TCustomControl(owner) {
  width_ = 150;
  height_ = 150;
}

TPage* TNotebook::AddPage(const std::string& name) {
  TPage* page = NewComponent<TPage>(this, name);
  page->SetBounds(0, 0, ClientWidth(), ClientHeight());
  page->SetVisible(pages_.empty());
  page->SetParent(this);
  page->SetAlign(alClient);
  pages_.push_back(page);
  if (pageIndex_ < 0) pageIndex_ = 0;
  return page;
}

TPage* TNotebook::PageByName(const std::string& name) const {
  for (TPage* page : pages_) {
    if (page->Name() == name) return page;
  }
  return nullptr;
}

void TNotebook::SetPageIndex(int index) {
  if (index < 0 || index >= PageCount() || index == pageIndex_) return;
  TPage* old = pageIndex_ >= 0 ? pages_[pageIndex_] : nullptr;
  pageIndex_ = index;
  pages_[index]->Show();
  if (old != nullptr) old->Hide();
}

std::string TNotebook::ActivePage() const { return pageIndex_ >= 0 ? pages_[pageIndex_]->Name() : std::string(); }

void TNotebook::SetActivePage(const std::string& name) {
  for (int i = 0; i < PageCount(); ++i) {
    if (pages_[i]->Name() == name) {
      SetPageIndex(i);
      return;
    }
  }
}


// ---------------------------------------------------------------------------

TTimer::TTimer(TComponent* owner) : TComponent(owner) { Update(); }

TTimer::~TTimer() {
  enabled_ = false;
  Update();
}

void TTimer::SetEnabled(bool value) {
  if (value == enabled_) return;
  enabled_ = value;
  Update();
}

void TTimer::SetInterval(unsigned milliseconds) {
  if (milliseconds == interval_) return;
  interval_ = milliseconds;
  Update();
}

void TTimer::Update() {
  if (id_ != 0) {
    KillTimer(toolkit_internal::UtilityWindow(), id_);
    Timers().erase(id_);
    id_ = 0;
  }
  if (enabled_ && interval_ > 0) {
    const UINT_PTR id = gNextTimerId++;
    if (SetTimer(toolkit_internal::UtilityWindow(), id, interval_, nullptr) == 0) {
      throw EInvalidOperation("Not enough timers available");
    }
    id_ = id;
    Timers()[id_] = this;
  }
}

void TTimer::Tick() {
  if (enabled_) DispatchEvent(OnTimer, this);
}
