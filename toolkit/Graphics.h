// Colours, rectangles, GDI handle ownership, fonts, pens, brushes, the canvas
// and off-screen bitmaps.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// ---------------------------------------------------------------------------
// Geometry

struct TPoint {
  int X = 0;
  int Y = 0;
};

struct TSize {
  int cx = 0;
  int cy = 0;
};

// (Left, Top, Right, Bottom); the right and bottom edges lie outside.
struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;

  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  RECT ToRECT() const { return RECT{Left, Top, Right, Bottom}; }
  static TRect From(const RECT& r) { return TRect{r.left, r.top, r.right, r.bottom}; }
  bool operator==(const TRect&) const = default;
};

inline TRect Rect(int left, int top, int right, int bottom) { return TRect{left, top, right, bottom}; }
inline TRect Bounds(int left, int top, int width, int height) {
  return TRect{left, top, left + width, top + height};
}

// ---------------------------------------------------------------------------
// Colours: red + 256 * green + 65536 * blue; 0xFF000000 + n is system colour n.

using TColor = std::uint32_t;

constexpr TColor clSystemColor = 0xFF000000u;
constexpr TColor clScrollBar = clSystemColor | COLOR_SCROLLBAR;
constexpr TColor clBackground = clSystemColor | COLOR_BACKGROUND;
constexpr TColor clActiveCaption = clSystemColor | COLOR_ACTIVECAPTION;
constexpr TColor clInactiveCaption = clSystemColor | COLOR_INACTIVECAPTION;
constexpr TColor clMenu = clSystemColor | COLOR_MENU;
constexpr TColor clWindow = clSystemColor | COLOR_WINDOW;
constexpr TColor clWindowFrame = clSystemColor | COLOR_WINDOWFRAME;
constexpr TColor clMenuText = clSystemColor | COLOR_MENUTEXT;
constexpr TColor clWindowText = clSystemColor | COLOR_WINDOWTEXT;
constexpr TColor clCaptionText = clSystemColor | COLOR_CAPTIONTEXT;
constexpr TColor clActiveBorder = clSystemColor | COLOR_ACTIVEBORDER;
constexpr TColor clInactiveBorder = clSystemColor | COLOR_INACTIVEBORDER;
constexpr TColor clAppWorkSpace = clSystemColor | COLOR_APPWORKSPACE;
constexpr TColor clHighlight = clSystemColor | COLOR_HIGHLIGHT;
constexpr TColor clHighlightText = clSystemColor | COLOR_HIGHLIGHTTEXT;
constexpr TColor clBtnFace = clSystemColor | COLOR_BTNFACE;
constexpr TColor clBtnShadow = clSystemColor | COLOR_BTNSHADOW;
constexpr TColor clGrayText = clSystemColor | COLOR_GRAYTEXT;
constexpr TColor clBtnText = clSystemColor | COLOR_BTNTEXT;
constexpr TColor clInactiveCaptionText = clSystemColor | COLOR_INACTIVECAPTIONTEXT;
constexpr TColor clBtnHighlight = clSystemColor | COLOR_BTNHIGHLIGHT;
constexpr TColor cl3DDkShadow = clSystemColor | COLOR_3DDKSHADOW;
constexpr TColor cl3DLight = clSystemColor | COLOR_3DLIGHT;
constexpr TColor clInfoText = clSystemColor | COLOR_INFOTEXT;
constexpr TColor clInfoBk = clSystemColor | COLOR_INFOBK;

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clNone = 0x1FFFFFFF;

// A system colour resolved now (GetSysColor); any other colour unchanged.
TColor ColorToRGB(TColor color);

// ---------------------------------------------------------------------------
// GDI ownership. Every GDI object and device context the toolkit creates or
// borrows is owned by one of these types, and each of them is counted, so
// that tests can check for leaks (Wine's GetGuiResources always answers 0).

int LiveGdiObjects();      // GDI objects and DCs (memory, window, paint) alive in our wrappers
int LiveWindowHandles();   // windows created by the toolkit and not yet destroyed

// Owns an HGDIOBJ (pen, brush, font, bitmap, region): DeleteObject on destruction.
class GdiObject {
 public:
  GdiObject() = default;
  explicit GdiObject(HGDIOBJ handle);  // takes ownership (may be null)
  ~GdiObject();
  GdiObject(GdiObject&& other) noexcept;
  GdiObject& operator=(GdiObject&& other) noexcept;
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;

  HGDIOBJ Get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  void Reset(HGDIOBJ handle = nullptr);

 private:
  HGDIOBJ handle_ = nullptr;
};

// Owns a memory DC (CreateCompatibleDC/DeleteDC).
class MemoryDC {
 public:
  explicit MemoryDC(HDC compatibleWith = nullptr);
  ~MemoryDC();
  MemoryDC(const MemoryDC&) = delete;
  MemoryDC& operator=(const MemoryDC&) = delete;
  HDC Get() const { return dc_; }

 private:
  HDC dc_;
};

// GetDC/ReleaseDC for a window (null: the screen).
class WindowDC {
 public:
  explicit WindowDC(HWND window = nullptr);
  ~WindowDC();
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  HDC Get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// BeginPaint now, EndPaint on destruction: the DC of a window's WM_PAINT.
class PaintDC {
 public:
  explicit PaintDC(HWND window);
  ~PaintDC();
  PaintDC(const PaintDC&) = delete;
  PaintDC& operator=(const PaintDC&) = delete;
  // Null when there is nothing to paint on.
  HDC Get() const { return dc_; }
  // The area to paint, in client coordinates.
  const RECT& PaintRect() const { return paint_.rcPaint; }

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
  HDC dc_;
};

// SelectObject now, the previous object back on destruction.
class SelectGuard {
 public:
  SelectGuard(HDC dc, HGDIOBJ object);
  ~SelectGuard();
  SelectGuard(const SelectGuard&) = delete;
  SelectGuard& operator=(const SelectGuard&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// SaveDC now, RestoreDC on destruction.
class SavedDC {
 public:
  explicit SavedDC(HDC dc) : dc_(dc), state_(SaveDC(dc)) {}
  ~SavedDC() { RestoreDC(dc_, state_); }
  SavedDC(const SavedDC&) = delete;
  SavedDC& operator=(const SavedDC&) = delete;

 private:
  HDC dc_;
  int state_;
};

// ---------------------------------------------------------------------------
// Graphics objects. Each keeps its settings and creates its GDI handle on
// demand; a change drops the handle and calls OnChange.

class TObject {
 public:
  virtual ~TObject() = default;
};

class TGraphicsObject : public TObject {
 public:
  std::function<void(TObject* Sender)> OnChange;
  // The current handle, created on first use; shared so that a canvas keeps
  // the object it selected alive until it selects another one.
  std::shared_ptr<GdiObject> HandleObject();
  HGDIOBJ Handle() { return HandleObject()->Get(); }

 protected:
  virtual HGDIOBJ CreateHandle() const = 0;
  void Changed();

 private:
  std::shared_ptr<GdiObject> handle_;
};

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = unsigned;

class TFont : public TGraphicsObject {
 public:
  TFont();
  const std::string& Name() const { return name_; }
  void SetName(const std::string& name);
  // Height < 0: character height in pixels; > 0: cell height (as LOGFONT).
  int Height() const { return height_; }
  void SetHeight(int height);
  TFontStyles Style() const { return style_; }
  void SetStyle(TFontStyles style);
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  // LOGFONT quality: DEFAULT_QUALITY, ANTIALIASED_QUALITY, NONANTIALIASED_QUALITY...
  BYTE Quality() const { return quality_; }
  void SetQuality(BYTE quality);
  // The full description; setting it re-creates the font from it (keeps Color).
  LOGFONTA LogFont() const;
  void SetLogFont(const LOGFONTA& logFont);
  void Assign(const TFont& other);
  // Same description and colour.
  bool Equals(const TFont& other) const;
  HFONT Handle() { return static_cast<HFONT>(TGraphicsObject::Handle()); }

 protected:
  HGDIOBJ CreateHandle() const override;

 private:
  std::string name_;
  int height_;
  TFontStyles style_ = 0;
  TColor color_ = clWindowText;
  BYTE quality_ = DEFAULT_QUALITY;
  BYTE charset_ = DEFAULT_CHARSET;
};

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };

class TPen : public TGraphicsObject {
 public:
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  int Width() const { return width_; }
  void SetWidth(int width);
  TPenStyle Style() const { return style_; }
  void SetStyle(TPenStyle style);
  void Assign(const TPen& other);
  HPEN Handle() { return static_cast<HPEN>(TGraphicsObject::Handle()); }

 protected:
  HGDIOBJ CreateHandle() const override;

 private:
  TColor color_ = clBlack;
  int width_ = 1;
  TPenStyle style_ = psSolid;
};

enum TBrushStyle { bsSolid, bsClear };

class TBrush : public TGraphicsObject {
 public:
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  TBrushStyle Style() const { return style_; }
  void SetStyle(TBrushStyle style);
  void Assign(const TBrush& other);
  HBRUSH Handle() { return static_cast<HBRUSH>(TGraphicsObject::Handle()); }

 protected:
  HGDIOBJ CreateHandle() const override;

 private:
  TColor color_ = clWhite;
  TBrushStyle style_ = bsSolid;
};

// ---------------------------------------------------------------------------
// Canvas

class TBitmap;
class TIcon;

class TCanvas : public TObject {
 public:
  TCanvas();
  virtual ~TCanvas();
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  TFont& Font() { return font_; }
  TPen& Pen() { return pen_; }
  TBrush& Brush() { return brush_; }
  // Raster operation of CopyRect/Draw: SRCCOPY (default), SRCINVERT, BLACKNESS...
  DWORD CopyMode() const { return copyMode_; }
  void SetCopyMode(DWORD rop) { copyMode_ = rop; }

  // The device context; canvases of controls acquire one on demand.
  HDC Handle();
  bool HandleAllocated() const { return dc_ != nullptr; }
  // Uses a DC owned by someone else (null detaches; selected objects are
  // restored first).
  void SetHandle(HDC dc);

  void FillRect(const TRect& rect);                       // brush
  void Ellipse(int x1, int y1, int x2, int y2);
  void Ellipse(const TRect& r) { Ellipse(r.Left, r.Top, r.Right, r.Bottom); }
  void Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
  void MoveTo(int x, int y);
  void LineTo(int x, int y);
  TPoint PenPos();
  void Polyline(const std::vector<TPoint>& points);
  void Polygon(const std::vector<TPoint>& points);
  // Background filled with the brush colour unless the brush style is bsClear.
  void TextOut(int x, int y, const std::string& text);
  // TextOut clipped to rect; with an opaque brush the whole rect is filled.
  void TextRect(const TRect& rect, int x, int y, const std::string& text);
  // DrawTextA with the canvas font; returns the text height.
  int DrawText(const std::string& text, TRect& rect, UINT format);
  TSize TextExtent(const std::string& text);
  int TextWidth(const std::string& text) { return TextExtent(text).cx; }
  int TextHeight(const std::string& text) { return TextExtent(text).cy; }

  // Copies source's srcRect to dest with CopyMode (stretching if sizes differ).
  void CopyRect(const TRect& dest, TCanvas& source, const TRect& srcRect);
  // The bitmap at (x, y) with CopyMode, or transparently when
  // bitmap.Transparent() is set (its TransparentColor is left out).
  void Draw(int x, int y, TBitmap& bitmap);
  void Draw(int x, int y, TIcon& icon);
  // Every pixel of the bitmap except those of the given colour.
  void DrawTransparent(int x, int y, TBitmap& bitmap, TColor transparentColor);

  TColor Pixel(int x, int y);
  void SetPixel(int x, int y, TColor color);

 protected:
  // Called when a handle is needed and none is set; may call SetHandle.
  virtual void CreateHandle();
  void RequireState();  // selects pen, brush and font as they are now

 private:
  void Deselect();

  HDC dc_ = nullptr;
  TFont font_;
  TPen pen_;
  TBrush brush_;
  DWORD copyMode_ = SRCCOPY;
  std::shared_ptr<GdiObject> selectedFont_, selectedPen_, selectedBrush_;
  HGDIOBJ originalFont_ = nullptr, originalPen_ = nullptr, originalBrush_ = nullptr;
};

// ---------------------------------------------------------------------------
// Off-screen bitmaps: DIB sections with their own canvas.

enum TPixelFormat { pf1bit = 1, pf4bit = 4, pf8bit = 8, pf24bit = 24, pf32bit = 32 };

class TBitmap : public TObject {
 public:
  TBitmap();
  TBitmap(int width, int height, TPixelFormat format = pf32bit);
  ~TBitmap() override;
  TBitmap(const TBitmap&) = delete;
  TBitmap& operator=(const TBitmap&) = delete;

  int Width() const { return width_; }
  int Height() const { return height_; }
  TPixelFormat PixelFormat() const { return format_; }
  // Re-creates the picture blank (white) in the given size; contents are lost.
  void SetSize(int width, int height);
  void SetWidth(int width) { SetSize(width, height_); }
  void SetHeight(int height) { SetSize(width_, height); }
  bool Empty() const { return width_ == 0 || height_ == 0; }

  TCanvas& Canvas();
  HBITMAP Handle() const { return static_cast<HBITMAP>(bitmap_.Get()); }

  // Transparent drawing: the colour left out is TransparentColor, the
  // bottom-left pixel.
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool value) { transparent_ = value; }
  TColor TransparentColor();

  // A BMP file image (file header, info header, colour table, pixels), or a
  // bitmap resource's packed DIB, at 1, 4, 8, 24 or 32 bits uncompressed, as
  // runtime/Bmp.h checks it; the picture keeps its depth and palette.
  // Failures raise EInvalidOperation naming what was wrong (and the file),
  // or EFOpenError for a file that cannot be opened.
  void LoadFromBmpData(const void* data, std::size_t size);
  void LoadFromFile(const std::string& path);
  void LoadFromResourceName(HINSTANCE instance, const char* name);
  // Writes a BMP file (raises EFCreateError when the file cannot be written).
  void SaveToFile(const std::string& path);
  void Assign(TBitmap& other);
  // Releases the canvas's device context (the picture stays).
  void Dormant();

  // Pixel read-back (system colours never appear here).
  TColor Pixel(int x, int y) { return Canvas().Pixel(x, y); }

 private:
  // bits: bitsBytes of pixels as the info describes them (checked by the
  // caller), or null for a blank picture.
  void CreateDib(const BITMAPINFO* info, const void* bits, std::size_t bitsBytes);
  class BitmapCanvas;
  friend class BitmapCanvas;

  int width_ = 0;
  int height_ = 0;
  TPixelFormat format_ = pf32bit;
  GdiObject bitmap_;
  std::unique_ptr<TCanvas> canvas_;
  bool transparent_ = false;
};

// An icon (owned HICON).
class TIcon : public TObject {
 public:
  TIcon() = default;
  ~TIcon() override;
  TIcon(const TIcon&) = delete;
  TIcon& operator=(const TIcon&) = delete;

  // The icon's image of size x size pixels (0: the system's icon size);
  // the resource should hold that size, or the system stretches one.
  void LoadFromResourceName(HINSTANCE instance, const char* name, int size = 0);
  // Builds a 32 x 32 (or any size) icon from a picture and a transparent
  // colour: pixels of that colour become transparent.
  void AssignBitmap(TBitmap& picture, TColor transparentColor);
  void SetHandle(HICON icon);  // takes ownership
  HICON Handle() const { return icon_; }
  bool Empty() const { return icon_ == nullptr; }
  int Width() const { return width_; }
  int Height() const { return height_; }

 private:
  HICON icon_ = nullptr;
  int width_ = 0;
  int height_ = 0;
};
