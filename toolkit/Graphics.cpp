#include "toolkit/Graphics.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "runtime/Bmp.h"
#include "runtime/Exceptions.h"
#include "runtime/FileSystem.h"
#include "runtime/Streams.h"
#include "toolkit/Internal.h"

namespace {
int gLiveGdiObjects = 0;
int gLiveWindows = 0;


// The 16 colours of the standard VGA palette, used for new 4-bit pictures.
const RGBQUAD kVgaPalette[16] = {
    {0, 0, 0, 0},       {0, 0, 128, 0},   {0, 128, 0, 0},   {0, 128, 128, 0},
    {128, 0, 0, 0},     {128, 0, 128, 0}, {128, 128, 0, 0}, {192, 192, 192, 0},
    {128, 128, 128, 0}, {0, 0, 255, 0},   {0, 255, 0, 0},   {0, 255, 255, 0},
    {255, 0, 0, 0},     {255, 0, 255, 0}, {255, 255, 0, 0}, {255, 255, 255, 0},
};
}  // namespace

namespace toolkit_internal {
void CountWindow(int delta) { gLiveWindows += delta; }
}  // namespace toolkit_internal

int LiveGdiObjects() { return gLiveGdiObjects; }
int LiveWindowHandles() { return gLiveWindows; }

TColor ColorToRGB(TColor color) {
  if ((color & 0xFF000000u) == clSystemColor) return GetSysColor(static_cast<int>(color & 0xFF));
  return color & 0x00FFFFFFu;
}

// ---------------------------------------------------------------------------

GdiObject::GdiObject(HGDIOBJ handle) : handle_(handle) {
  if (handle_ != nullptr) ++gLiveGdiObjects;
}
GdiObject::~GdiObject() { Reset(); }
GdiObject::GdiObject(GdiObject&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
GdiObject& GdiObject::operator=(GdiObject&& other) noexcept {
  if (this != &other) {
    Reset();
    handle_ = other.handle_;
    other.handle_ = nullptr;
  }
  return *this;
}
void GdiObject::Reset(HGDIOBJ handle) {
  if (handle_ != nullptr) {
    DeleteObject(handle_);
    --gLiveGdiObjects;
  }
  handle_ = handle;
  if (handle_ != nullptr) ++gLiveGdiObjects;
}

MemoryDC::MemoryDC(HDC compatibleWith) : dc_(CreateCompatibleDC(compatibleWith)) {
  if (dc_ == nullptr) throw EInvalidOperation("Cannot create a memory device context: " + LastErrorText());
  ++gLiveGdiObjects;
}
MemoryDC::~MemoryDC() {
  DeleteDC(dc_);
  --gLiveGdiObjects;
}

WindowDC::WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {
  if (dc_ == nullptr) throw EInvalidOperation("Cannot get a device context: " + LastErrorText());
  ++gLiveGdiObjects;
}
WindowDC::~WindowDC() {
  ReleaseDC(window_, dc_);
  --gLiveGdiObjects;
}

PaintDC::PaintDC(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {
  if (dc_ != nullptr) ++gLiveGdiObjects;
}
PaintDC::~PaintDC() {
  EndPaint(window_, &paint_);
  if (dc_ != nullptr) --gLiveGdiObjects;
}

SelectGuard::SelectGuard(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
SelectGuard::~SelectGuard() {
  if (previous_ != nullptr && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
}

// ---------------------------------------------------------------------------

std::shared_ptr<GdiObject> TGraphicsObject::HandleObject() {
  if (!handle_) {
    auto object = std::make_shared<GdiObject>(CreateHandle());
    if (!*object) throw EInvalidOperation("Cannot create a GDI object: " + LastErrorText());
    handle_ = std::move(object);
  }
  return handle_;
}

void TGraphicsObject::Changed() {
  handle_.reset();
  if (OnChange) OnChange(this);
}

TFont::TFont() : name_("MS Sans Serif"), height_(-11) {}

void TFont::SetName(const std::string& name) {
  if (name != name_) { name_ = name; Changed(); }
}
void TFont::SetHeight(int height) {
  if (height != height_) { height_ = height; Changed(); }
}
void TFont::SetStyle(TFontStyles style) {
  if (style != style_) { style_ = style; Changed(); }
}
void TFont::SetColor(TColor color) {
  if (color != color_) { color_ = color; Changed(); }
}
void TFont::SetQuality(BYTE quality) {
  if (quality != quality_) { quality_ = quality; Changed(); }
}

LOGFONTA TFont::LogFont() const {
  LOGFONTA lf{};
  lf.lfHeight = height_;
  lf.lfWeight = (style_ & fsBold) ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = (style_ & fsItalic) ? 1 : 0;
  lf.lfUnderline = (style_ & fsUnderline) ? 1 : 0;
  lf.lfStrikeOut = (style_ & fsStrikeOut) ? 1 : 0;
  lf.lfCharSet = charset_;
  lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
  lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  lf.lfQuality = quality_;
  lf.lfPitchAndFamily = DEFAULT_PITCH;
  std::strncpy(lf.lfFaceName, name_.c_str(), LF_FACESIZE - 1);
  return lf;
}

void TFont::SetLogFont(const LOGFONTA& lf) {
  char face[LF_FACESIZE + 1] = {};
  std::memcpy(face, lf.lfFaceName, LF_FACESIZE);
  name_ = face;
  height_ = lf.lfHeight;
  style_ = (lf.lfWeight >= FW_BOLD ? fsBold : 0u) | (lf.lfItalic ? fsItalic : 0u) |
           (lf.lfUnderline ? fsUnderline : 0u) | (lf.lfStrikeOut ? fsStrikeOut : 0u);
  quality_ = lf.lfQuality;
  charset_ = lf.lfCharSet;
  Changed();
}

void TFont::Assign(const TFont& other) {
  name_ = other.name_;
  height_ = other.height_;
  style_ = other.style_;
  color_ = other.color_;
  quality_ = other.quality_;
  charset_ = other.charset_;
  Changed();
}

bool TFont::Equals(const TFont& o) const {
  return name_ == o.name_ && height_ == o.height_ && style_ == o.style_ && color_ == o.color_ &&
         quality_ == o.quality_ && charset_ == o.charset_;
}

HGDIOBJ TFont::CreateHandle() const {
  LOGFONTA lf = LogFont();
  return CreateFontIndirectA(&lf);
}

void TPen::SetColor(TColor color) {
  if (color != color_) { color_ = color; Changed(); }
}
void TPen::SetWidth(int width) {
  if (width != width_) { width_ = width; Changed(); }
}
void TPen::SetStyle(TPenStyle style) {
  if (style != style_) { style_ = style; Changed(); }
}
void TPen::Assign(const TPen& other) {
  color_ = other.color_;
  width_ = other.width_;
  style_ = other.style_;
  Changed();
}
HGDIOBJ TPen::CreateHandle() const {
  static const int kStyles[] = {PS_SOLID, PS_DASH, PS_DOT, PS_DASHDOT, PS_DASHDOTDOT, PS_NULL, PS_INSIDEFRAME};
  return CreatePen(kStyles[style_], width_, ColorToRGB(color_));
}

void TBrush::SetColor(TColor color) {
  if (color != color_ || style_ == bsClear) {
    color_ = color;
    style_ = bsSolid;  // choosing a colour makes the brush solid again
    Changed();
  }
}
void TBrush::SetStyle(TBrushStyle style) {
  if (style != style_) { style_ = style; Changed(); }
}
void TBrush::Assign(const TBrush& other) {
  color_ = other.color_;
  style_ = other.style_;
  Changed();
}
HGDIOBJ TBrush::CreateHandle() const {
  LOGBRUSH lb{};
  lb.lbStyle = style_ == bsClear ? BS_HOLLOW : BS_SOLID;
  lb.lbColor = ColorToRGB(color_);
  return CreateBrushIndirect(&lb);
}

// ---------------------------------------------------------------------------

TCanvas::TCanvas() = default;
TCanvas::~TCanvas() { SetHandle(nullptr); }

HDC TCanvas::Handle() {
  if (dc_ == nullptr) CreateHandle();
  if (dc_ == nullptr) throw EInvalidOperation("Canvas does not allow drawing");
  return dc_;
}

void TCanvas::CreateHandle() {}

void TCanvas::SetHandle(HDC dc) {
  if (dc == dc_) return;
  Deselect();
  dc_ = dc;
}

void TCanvas::Deselect() {
  if (dc_ != nullptr) {
    if (originalFont_ != nullptr) SelectObject(dc_, originalFont_);
    if (originalPen_ != nullptr) SelectObject(dc_, originalPen_);
    if (originalBrush_ != nullptr) SelectObject(dc_, originalBrush_);
  }
  originalFont_ = originalPen_ = originalBrush_ = nullptr;
  selectedFont_.reset();
  selectedPen_.reset();
  selectedBrush_.reset();
}

void TCanvas::RequireState() {
  HDC dc = Handle();
  auto font = font_.HandleObject();
  if (font != selectedFont_) {
    HGDIOBJ old = SelectObject(dc, font->Get());
    if (originalFont_ == nullptr) originalFont_ = old;
    selectedFont_ = std::move(font);
  }
  auto pen = pen_.HandleObject();
  if (pen != selectedPen_) {
    HGDIOBJ old = SelectObject(dc, pen->Get());
    if (originalPen_ == nullptr) originalPen_ = old;
    selectedPen_ = std::move(pen);
  }
  auto brush = brush_.HandleObject();
  if (brush != selectedBrush_) {
    HGDIOBJ old = SelectObject(dc, brush->Get());
    if (originalBrush_ == nullptr) originalBrush_ = old;
    selectedBrush_ = std::move(brush);
  }
  SetROP2(dc, R2_COPYPEN);
  SetTextColor(dc, ColorToRGB(font_.Color()));
  if (brush_.Style() == bsClear) {
    SetBkMode(dc, TRANSPARENT);
  } else {
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, ColorToRGB(brush_.Color()));
  }
}

void TCanvas::FillRect(const TRect& rect) {
  RequireState();
  RECT r = rect.ToRECT();
  ::FillRect(dc_, &r, brush_.Handle());
}

void TCanvas::Ellipse(int x1, int y1, int x2, int y2) {
  RequireState();
  ::Ellipse(dc_, x1, y1, x2, y2);
}

void TCanvas::Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
  RequireState();
  ::Pie(dc_, x1, y1, x2, y2, x3, y3, x4, y4);
}

void TCanvas::MoveTo(int x, int y) {
  RequireState();
  MoveToEx(dc_, x, y, nullptr);
}

void TCanvas::LineTo(int x, int y) {
  RequireState();
  ::LineTo(dc_, x, y);
}

TPoint TCanvas::PenPos() {
  POINT p{};
  GetCurrentPositionEx(Handle(), &p);
  return TPoint{p.x, p.y};
}

void TCanvas::Polyline(const std::vector<TPoint>& points) {
  RequireState();
  std::vector<POINT> pts;
  for (const auto& p : points) pts.push_back(POINT{p.X, p.Y});
  ::Polyline(dc_, pts.data(), static_cast<int>(pts.size()));
}

void TCanvas::Polygon(const std::vector<TPoint>& points) {
  RequireState();
  std::vector<POINT> pts;
  for (const auto& p : points) pts.push_back(POINT{p.X, p.Y});
  ::Polygon(dc_, pts.data(), static_cast<int>(pts.size()));
}

void TCanvas::TextOut(int x, int y, const std::string& text) {
  RequireState();
  ::TextOutA(dc_, x, y, text.data(), static_cast<int>(text.size()));
  MoveToEx(dc_, x + TextWidth(text), y, nullptr);
}

void TCanvas::TextRect(const TRect& rect, int x, int y, const std::string& text) {
  RequireState();
  RECT r = rect.ToRECT();
  UINT options = ETO_CLIPPED | (brush_.Style() == bsClear ? 0u : ETO_OPAQUE);
  ::ExtTextOutA(dc_, x, y, options, &r, text.data(), static_cast<UINT>(text.size()), nullptr);
}

int TCanvas::DrawText(const std::string& text, TRect& rect, UINT format) {
  RequireState();
  RECT r = rect.ToRECT();
  int height = ::DrawTextA(dc_, text.data(), static_cast<int>(text.size()), &r, format);
  rect = TRect::From(r);
  return height;
}

TSize TCanvas::TextExtent(const std::string& text) {
  RequireState();
  SIZE size{};
  GetTextExtentPoint32A(dc_, text.data(), static_cast<int>(text.size()), &size);
  return TSize{size.cx, size.cy};
}

void TCanvas::CopyRect(const TRect& dest, TCanvas& source, const TRect& srcRect) {
  HDC target = Handle();
  HDC from = source.Handle();
  if (dest.Width() == srcRect.Width() && dest.Height() == srcRect.Height()) {
    BitBlt(target, dest.Left, dest.Top, dest.Width(), dest.Height(), from, srcRect.Left, srcRect.Top,
           copyMode_);
  } else {
    SetStretchBltMode(target, COLORONCOLOR);
    StretchBlt(target, dest.Left, dest.Top, dest.Width(), dest.Height(), from, srcRect.Left,
               srcRect.Top, srcRect.Width(), srcRect.Height(), copyMode_);
  }
}

void TCanvas::Draw(int x, int y, TBitmap& bitmap) {
  if (bitmap.Empty()) return;
  if (bitmap.Transparent()) {
    DrawTransparent(x, y, bitmap, bitmap.TransparentColor());
    return;
  }
  BitBlt(Handle(), x, y, bitmap.Width(), bitmap.Height(), bitmap.Canvas().Handle(), 0, 0, copyMode_);
}

void TCanvas::Draw(int x, int y, TIcon& icon) {
  if (icon.Empty()) return;
  DrawIconEx(Handle(), x, y, icon.Handle(), 0, 0, 0, nullptr, DI_NORMAL);
}

void TCanvas::DrawTransparent(int x, int y, TBitmap& bitmap, TColor transparentColor) {
  if (bitmap.Empty()) return;
  // Mask: 1 where the picture has the transparent colour. The picture is
  // copied through it in two steps (AND with the mask, then the picture with
  // its transparent pixels blackened ORed in).
  const int w = bitmap.Width(), h = bitmap.Height();
  HDC target = Handle();
  HDC source = bitmap.Canvas().Handle();
  const COLORREF key = ColorToRGB(transparentColor);

  MemoryDC maskDC(target);
  GdiObject mask(CreateBitmap(w, h, 1, 1, nullptr));
  SelectGuard selectMask(maskDC.Get(), mask.Get());
  const COLORREF oldBk = SetBkColor(source, key);
  BitBlt(maskDC.Get(), 0, 0, w, h, source, 0, 0, SRCCOPY);
  SetBkColor(source, oldBk);

  MemoryDC pictureDC(target);
  GdiObject picture(CreateCompatibleBitmap(target, w, h));
  SelectGuard selectPicture(pictureDC.Get(), picture.Get());
  BitBlt(pictureDC.Get(), 0, 0, w, h, source, 0, 0, SRCCOPY);
  // Blacken the transparent pixels of the copy: AND with the inverted mask.
  const COLORREF oldText = SetTextColor(pictureDC.Get(), RGB(255, 255, 255));
  const COLORREF oldBack = SetBkColor(pictureDC.Get(), RGB(0, 0, 0));
  BitBlt(pictureDC.Get(), 0, 0, w, h, maskDC.Get(), 0, 0, SRCAND);
  SetTextColor(pictureDC.Get(), oldText);
  SetBkColor(pictureDC.Get(), oldBack);

  // Target: keep only the transparent places, then add the picture.
  const COLORREF targetText = SetTextColor(target, RGB(0, 0, 0));
  const COLORREF targetBack = SetBkColor(target, RGB(255, 255, 255));
  BitBlt(target, x, y, w, h, maskDC.Get(), 0, 0, SRCAND);
  SetTextColor(target, targetText);
  SetBkColor(target, targetBack);
  BitBlt(target, x, y, w, h, pictureDC.Get(), 0, 0, SRCPAINT);
}

TColor TCanvas::Pixel(int x, int y) { return ::GetPixel(Handle(), x, y); }

void TCanvas::SetPixel(int x, int y, TColor color) { ::SetPixel(Handle(), x, y, ColorToRGB(color)); }

// ---------------------------------------------------------------------------

// The canvas of a bitmap: a memory DC with the bitmap selected, made when
// first drawn on and released when the picture is re-created.
class TBitmap::BitmapCanvas : public TCanvas {
 public:
  explicit BitmapCanvas(TBitmap& owner) : owner_(owner) {}
  ~BitmapCanvas() override { Release(); }

  void Release() {
    SetHandle(nullptr);
    selection_.reset();
    dc_.reset();
  }

 protected:
  void CreateHandle() override {
    if (owner_.Handle() == nullptr) throw EInvalidOperation("The bitmap has no picture to draw on");
    selection_.reset();
    dc_.reset();
    dc_ = std::make_unique<MemoryDC>();
    selection_ = std::make_unique<SelectGuard>(dc_->Get(), owner_.Handle());
    SetHandle(dc_->Get());
  }

 private:
  TBitmap& owner_;
  std::unique_ptr<MemoryDC> dc_;
  std::unique_ptr<SelectGuard> selection_;
};

TBitmap::TBitmap() = default;

TBitmap::TBitmap(int width, int height, TPixelFormat format) : format_(format) { SetSize(width, height); }

TBitmap::~TBitmap() {
  canvas_.reset();  // deselects the bitmap before it is deleted
}

TCanvas& TBitmap::Canvas() {
  if (!canvas_) canvas_ = std::make_unique<BitmapCanvas>(*this);
  return *canvas_;
}

void TBitmap::CreateDib(const BITMAPINFO* info, const void* bits, std::size_t bitsBytes) {
  if (canvas_) static_cast<BitmapCanvas&>(*canvas_).Release();
  bitmap_.Reset();
  width_ = 0;
  height_ = 0;
  void* pixels = nullptr;
  HBITMAP dib = CreateDIBSection(nullptr, info, DIB_RGB_COLORS, &pixels, nullptr, 0);
  if (dib == nullptr) throw EInvalidOperation("Cannot create a bitmap: " + LastErrorText());
  bitmap_.Reset(dib);
  width_ = info->bmiHeader.biWidth;
  height_ = std::abs(info->bmiHeader.biHeight);
  format_ = static_cast<TPixelFormat>(info->bmiHeader.biBitCount);
  if (bits != nullptr) {
    GdiFlush();
    std::memcpy(pixels, bits, bitsBytes);
  }
}

void TBitmap::SetSize(int width, int height) {
  if (width <= 0 || height <= 0) {
    if (canvas_) static_cast<BitmapCanvas&>(*canvas_).Release();
    bitmap_.Reset();
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    return;
  }
  struct {
    BITMAPINFOHEADER header;
    RGBQUAD colors[256];
  } info{};
  info.header.biSize = sizeof(BITMAPINFOHEADER);
  info.header.biWidth = width;
  info.header.biHeight = -height;  // top-down
  info.header.biPlanes = 1;
  info.header.biBitCount = static_cast<WORD>(format_);
  info.header.biCompression = BI_RGB;
  if (format_ == pf4bit) {
    std::memcpy(info.colors, kVgaPalette, sizeof kVgaPalette);
    info.header.biClrUsed = 16;
  } else if (format_ == pf1bit) {
    info.colors[1] = RGBQUAD{255, 255, 255, 0};
    info.header.biClrUsed = 2;
  } else if (format_ == pf8bit) {
    for (int i = 0; i < 256; ++i) {
      const BYTE v = static_cast<BYTE>(i);
      info.colors[i] = RGBQUAD{v, v, v, 0};
    }
    info.header.biClrUsed = 256;
  }
  CreateDib(reinterpret_cast<const BITMAPINFO*>(&info), nullptr, 0);
  TCanvas& canvas = Canvas();
  TBrush saved;
  saved.Assign(canvas.Brush());
  canvas.Brush().SetColor(clWhite);
  canvas.FillRect(Rect(0, 0, width, height));
  canvas.Brush().Assign(saved);
}

TColor TBitmap::TransparentColor() { return Empty() ? clWhite : Pixel(0, height_ - 1); }

namespace {
// A picture the codec has checked, as CreateDib takes it: the info header cut
// to its first 40 bytes, then the colour table, in a buffer large enough for
// 256 colours.
std::vector<unsigned char> InfoOf(const unsigned char* data, const bmp::Layout& layout) {
  std::vector<unsigned char> info(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD), 0);
  std::memcpy(info.data(), data + layout.infoOffset, sizeof(BITMAPINFOHEADER));
  reinterpret_cast<BITMAPINFOHEADER*>(info.data())->biSize = sizeof(BITMAPINFOHEADER);
  std::memcpy(info.data() + sizeof(BITMAPINFOHEADER), data + layout.paletteOffset,
              std::size_t{layout.colors} * sizeof(RGBQUAD));
  return info;
}

bmp::Layout LayoutOrThrow(const bmp::Checked& checked) {
  if (!checked.ok()) throw EInvalidOperation(std::string("Bitmap image is not valid: ") + bmp::Describe(checked.problem));
  return checked.layout;
}
}  // namespace

void TBitmap::LoadFromBmpData(const void* data, std::size_t size) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  const bmp::Layout layout = LayoutOrThrow(bmp::CheckBmpFile({bytes, size}));
  auto info = InfoOf(bytes, layout);
  CreateDib(reinterpret_cast<const BITMAPINFO*>(info.data()), bytes + layout.bitsOffset, layout.imageBytes);
}

void TBitmap::LoadFromFile(const std::string& path) {
  TFileStream in(path, FileMode::OpenRead);
  std::vector<char> data(static_cast<std::size_t>(in.Size()));
  in.ReadBuffer(data.data(), data.size());
  try {
    LoadFromBmpData(data.data(), data.size());
  } catch (const EInvalidOperation& e) {
    throw EInvalidOperation(e.Message() + " (\"" + path + "\")");
  }
}

void TBitmap::LoadFromResourceName(HINSTANCE instance, const char* name) {
  HRSRC resource = FindResourceA(instance, name, reinterpret_cast<LPCSTR>(RT_BITMAP));
  HGLOBAL loaded = resource != nullptr ? LoadResource(instance, resource) : nullptr;
  const auto* header = loaded != nullptr ? static_cast<const unsigned char*>(LockResource(loaded)) : nullptr;
  if (header == nullptr) {
    const std::string what = IS_INTRESOURCE(name)
                                 ? "#" + std::to_string(reinterpret_cast<std::uintptr_t>(name))
                                 : std::string(name);
    throw EInvalidOperation("Bitmap resource " + what + " not found");
  }
  const std::size_t size = SizeofResource(instance, resource);
  const bmp::Layout layout = LayoutOrThrow(bmp::CheckPackedDib({header, size}));
  auto info = InfoOf(header, layout);
  CreateDib(reinterpret_cast<const BITMAPINFO*>(info.data()), header + layout.bitsOffset, layout.imageBytes);
}

void TBitmap::SaveToFile(const std::string& path) {
  if (Empty()) throw EInvalidOperation("Cannot save an empty bitmap to \"" + path + "\"");
  // Rows bottom-up at 24 bits, as BMP files usually are.
  const std::vector<std::uint8_t> headers = bmp::Headers24(width_, height_);
  BITMAPINFOHEADER h;
  std::memcpy(&h, headers.data() + bmp::kFileHeaderSize, sizeof h);
  std::vector<unsigned char> bits(bmp::Stride(width_, 24) * static_cast<std::size_t>(height_));
  Dormant();  // GetDIBits wants the bitmap selected into no device context
  WindowDC screen;
  if (GetDIBits(screen.Get(), Handle(), 0, height_, bits.data(), reinterpret_cast<BITMAPINFO*>(&h),
                DIB_RGB_COLORS) != height_) {
    throw EInvalidOperation("Cannot read the pixels of the bitmap to save to \"" + path + "\": " + LastErrorText());
  }
  TFileStream out(path, FileMode::Create);
  out.WriteBuffer(headers.data(), headers.size());
  out.WriteBuffer(bits.data(), bits.size());
}

void TBitmap::Dormant() {
  if (canvas_) static_cast<BitmapCanvas&>(*canvas_).Release();
}

void TBitmap::Assign(TBitmap& other) {
  format_ = other.format_;
  SetSize(other.width_, other.height_);
  if (!Empty()) {
    BitBlt(Canvas().Handle(), 0, 0, width_, height_, other.Canvas().Handle(), 0, 0, SRCCOPY);
  }
  transparent_ = other.transparent_;
}

// ---------------------------------------------------------------------------

TIcon::~TIcon() { SetHandle(nullptr); }

void TIcon::SetHandle(HICON icon) {
  if (icon_ != nullptr) {
    DestroyIcon(icon_);
    --gLiveGdiObjects;
  }
  icon_ = icon;
  width_ = height_ = 0;
  if (icon_ != nullptr) {
    ++gLiveGdiObjects;
    ICONINFO info{};
    if (GetIconInfo(icon_, &info)) {
      BITMAP bm{};
      GetObject(info.hbmMask, sizeof bm, &bm);
      width_ = bm.bmWidth;
      height_ = info.hbmColor != nullptr ? bm.bmHeight : bm.bmHeight / 2;
      if (info.hbmColor != nullptr) DeleteObject(info.hbmColor);
      DeleteObject(info.hbmMask);
    }
  }
}

void TIcon::LoadFromResourceName(HINSTANCE instance, const char* name, int size) {
  HICON icon = static_cast<HICON>(LoadImageA(instance, name, IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
  if (icon == nullptr) {
    const std::string what = IS_INTRESOURCE(name)
                                 ? "#" + std::to_string(reinterpret_cast<std::uintptr_t>(name))
                                 : std::string(name);
    throw EInvalidOperation("Icon resource " + what + " not found");
  }
  SetHandle(icon);
}

void TIcon::AssignBitmap(TBitmap& picture, TColor transparentColor) {
  if (picture.Empty()) throw EInvalidOperation("Cannot make an icon of an empty picture");
  const int w = picture.Width(), h = picture.Height();
  const COLORREF key = ColorToRGB(transparentColor);
  TBitmap color(w, h, pf32bit);
  TBitmap mask(w, h, pf32bit);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const COLORREF c = picture.Pixel(x, y);
      const bool clear = c == key;
      color.Canvas().SetPixel(x, y, clear ? clBlack : c);
      mask.Canvas().SetPixel(x, y, clear ? clWhite : clBlack);
    }
  }
  GdiObject monoMask(CreateBitmap(w, h, 1, 1, nullptr));
  {
    MemoryDC dc;
    SelectGuard select(dc.Get(), monoMask.Get());
    BitBlt(dc.Get(), 0, 0, w, h, mask.Canvas().Handle(), 0, 0, SRCCOPY);
  }
  ICONINFO info{};
  info.fIcon = TRUE;
  info.hbmMask = static_cast<HBITMAP>(monoMask.Get());
  info.hbmColor = color.Handle();
  // The bitmaps must not be selected into a DC while the icon is made.
  color.Dormant();
  HICON icon = CreateIconIndirect(&info);
  if (icon == nullptr) throw EInvalidOperation("Cannot create an icon: " + LastErrorText());
  SetHandle(icon);
}
