// Panels, bevels, images, the paged container and the timer.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/Controls.h"

enum TPanelBevel { bvNone, bvLowered, bvRaised, bvSpace };

// A container with optional bevels, a single-line border and a caption.
// Painting, from the outside in: outer bevel (BevelWidth), a frame of
// BorderWidth in Color, inner bevel (BevelWidth), then Color fills the rest.
// A raised bevel is highlight at top/left and shadow at bottom/right.
class TPanel : public TCustomControl {
 public:
  explicit TPanel(TComponent* owner);

  TPanelBevel BevelInner() const { return bevelInner_; }
  void SetBevelInner(TPanelBevel value);
  TPanelBevel BevelOuter() const { return bevelOuter_; }
  void SetBevelOuter(TPanelBevel value);
  int BevelWidth() const { return bevelWidth_; }
  void SetBevelWidth(int value);
  int BorderWidth() const { return borderWidth_; }
  void SetBorderWidth(int value);
  // bsSingle: a one-pixel window border outside the client area.
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle value);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value);
  // Also scales BevelWidth and BorderWidth.
  void ChangeScale(int ppi) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void Paint() override;
  void TextChanged() override;

 private:
  TPanelBevel bevelInner_ = bvNone;
  TPanelBevel bevelOuter_ = bvRaised;
  int bevelWidth_ = 1;
  int borderWidth_ = 0;
  TBorderStyle borderStyle_ = bsNone;
  TAlignment alignment_ = taCenter;
};

// Draws a 3-D frame of `width` lines: top/left in topColor, bottom/right in
// bottomColor; rect shrinks by width on each side.
void Frame3D(TCanvas& canvas, TRect& rect, TColor topColor, TColor bottomColor, int width);

enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
enum TBevelStyle { bsLowered, bsRaised };

// A 3-D rule or box (graphic control). Lowered: shadow top/left, highlight
// bottom/right.
class TBevel : public TGraphicControl {
 public:
  explicit TBevel(TComponent* owner);
  TBevelShape Shape() const { return shape_; }
  void SetShape(TBevelShape value);
  TBevelStyle Style() const { return style_; }
  void SetStyle(TBevelStyle value);

 protected:
  void Paint() override;

 private:
  TBevelShape shape_ = bsBox;
  TBevelStyle style_ = bsLowered;
};

// What an image shows: a bitmap, an icon, or nothing.
class TPicture {
 public:
  // Access makes that kind the current one (the other is emptied).
  TBitmap& Bitmap();
  TIcon& Icon();
  bool HasBitmap() const { return bitmap_ != nullptr; }
  bool HasIcon() const { return icon_ != nullptr; }
  int Width() const;
  int Height() const;

 private:
  std::unique_ptr<TBitmap> bitmap_;
  std::unique_ptr<TIcon> icon_;
};

class TImage : public TGraphicControl {
 public:
  explicit TImage(TComponent* owner);

  // Change the picture through Picture(), then call PictureChanged().
  TPicture& Picture() { return picture_; }
  void PictureChanged();
  // AutoSize: the control takes the picture's size.
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool value);
  // Transparent: a bitmap is drawn without its bottom-left pixel's colour.
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool value);

  // The pixels per inch a bitmap is drawn for (96 unless set): on an image
  // laid out for another density it is drawn scaled by PixelsPerInch() /
  // PictureDensity(), at its own size when they are equal. Icons and
  // transparent bitmaps are drawn at their own size.
  int PictureDensity() const { return pictureDensity_; }
  void SetPictureDensity(int ppi);
  // Loads the picture for a density and returns the density it was drawn
  // for; run at once for the image's density and again whenever the image is
  // scaled, so that a scaled form shows the picture made nearest its density.
  using TPictureLoader = std::function<int(TPicture& picture, int ppi)>;
  void SetPictureLoader(TPictureLoader loader);
  void ChangeScale(int ppi) override;

 protected:
  void Paint() override;

 private:
  TPicture picture_;
  TPictureLoader loader_;
  int pictureDensity_ = kDesignPixelsPerInch;
  bool autoSize_ = false;
  bool transparent_ = false;
};

// Of the densities pictures are made for (96, 144 and 192 pixels per inch:
// 100, 150 and 200 %), the one nearest ppi; between two, the smaller, so that
// a picture is enlarged rather than cut down.
int NearestPictureDensity(int ppi);

// A page of a TNotebook: the parent of the page's controls.
class TPage : public TCustomControl {
 public:
  TPage(TComponent* owner, const std::string& name);
};

// A paged container: one page visible at a time.
class TNotebook : public TCustomControl {
 public:
  explicit TNotebook(TComponent* owner);

  // Adds a page named `name` at the end; the first page added is shown.
  TPage* AddPage(const std::string& name);
  int PageCount() const { return static_cast<int>(pages_.size()); }
  TPage* Page(int index) const { return pages_.at(index); }
  TPage* PageByName(const std::string& name) const;
  int PageIndex() const { return pageIndex_; }
  // Shows page `index`; an index outside 0..PageCount-1 is ignored.
  void SetPageIndex(int index);
  std::string ActivePage() const;
  void SetActivePage(const std::string& name);

 private:
  std::vector<TPage*> pages_;
  int pageIndex_ = -1;
};

// A message-driven timer: OnTimer runs from whichever message loop is
// active, every Interval milliseconds while Enabled.
class TTimer : public TComponent {
 public:
  explicit TTimer(TComponent* owner);
  ~TTimer() override;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  unsigned Interval() const { return interval_; }
  void SetInterval(unsigned milliseconds);
  TNotifyEvent OnTimer;

  // Used by the toolkit: one tick arrived.
  void Tick();

 private:
  void Update();
  bool enabled_ = true;
  unsigned interval_ = 1000;
  UINT_PTR id_ = 0;
};
