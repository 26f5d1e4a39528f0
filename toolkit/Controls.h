// Components, controls, windowed controls and graphic controls.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "runtime/Exceptions.h"
#include "toolkit/Dispatch.h"
#include "toolkit/Graphics.h"

class TComponent;
class TControl;
class TWinControl;

// Handler types. Sender is the component that raises the event.
using TNotifyEvent = std::function<void(TObject* Sender)>;

// Modal results.
using TModalResult = int;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = IDOK;
constexpr TModalResult mrCancel = IDCANCEL;
constexpr TModalResult mrAbort = IDABORT;
constexpr TModalResult mrRetry = IDRETRY;
constexpr TModalResult mrIgnore = IDIGNORE;
constexpr TModalResult mrYes = IDYES;
constexpr TModalResult mrNo = IDNO;

// ---------------------------------------------------------------------------
// Ownership: a component owns the components created with it as owner and
// destroys them, newest first, when it is destroyed.

class TComponent : public TObject {
 public:
  explicit TComponent(TComponent* owner);
  ~TComponent() override;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const { return owner_; }
  const std::string& Name() const { return name_; }
  void SetName(const std::string& name) { name_ = name; }
  // Takes ownership (used by NewComponent).
  void InsertComponent(std::unique_ptr<TComponent> component);
  // Destroys the owned components now, newest first.
  void DestroyComponents();
  // Runs once the object is fully constructed (TForm: OnCreate).
  virtual void AfterConstruction() {}

 private:
  TComponent* owner_;
  std::string name_;
  std::vector<std::unique_ptr<TComponent>> components_;
};

// Creates a T(owner, args...) owned by owner and returns it.
template <class T, class... Args>
T* NewComponent(TComponent* owner, Args&&... args) {
  if (owner == nullptr) throw EInvalidOperation("A component created by NewComponent needs an owner");
  auto object = std::make_unique<T>(owner, std::forward<Args>(args)...);
  T* result = object.get();
  owner->InsertComponent(std::move(object));
  result->AfterConstruction();
  return result;
}

// Creates an unowned T(nullptr, args...) for the caller to keep.
template <class T, class... Args>
std::unique_ptr<T> MakeComponent(Args&&... args) {
  auto object = std::make_unique<T>(nullptr, std::forward<Args>(args)...);
  object->AfterConstruction();
  return object;
}

// ---------------------------------------------------------------------------
// Controls

// Layouts are given in pixels at 96 pixels per inch. A form scales its
// layout once, when it is created, to the screen's pixels per inch
// (TForm::ScaleTo); ScaleForPixelsPerInch is the one rounding rule.
constexpr int kDesignPixelsPerInch = 96;
// value × ppi / 96, rounded to the nearest integer (halves away from zero).
int ScaleForPixelsPerInch(int value, int ppi);
// The face a font takes at ppi: a bitmap face of few sizes becomes the
// scalable face of the same design away from 96 pixels per inch.
std::string FaceForPixelsPerInch(const std::string& face, int ppi);

// What assistive technology is told of a control that has no window of its
// own (toolkit/Accessibility.h): a ROLE_SYSTEM_* role, the name it reads
// and, for a gauge, its value.
struct TAccessibleItem {
  long Role = 0;
  std::string Name;
  std::string Value;
};

enum TAnchorKind : unsigned { akLeft = 1, akTop = 2, akRight = 4, akBottom = 8 };
using TAnchors = unsigned;
enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
// Border of windows and frames: bsNone and bsSingle for controls; forms also
// take bsSizeable, bsDialog, bsToolWindow and bsSizeToolWin.
enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
using TBorderStyle = TFormBorderStyle;

class TControl : public TComponent {
 public:
  explicit TControl(TComponent* owner);
  ~TControl() override;

  TWinControl* Parent() const { return parent_; }
  virtual void SetParent(TWinControl* parent);

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
  void SetTop(int v) { SetBounds(left_, v, width_, height_); }
  void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
  void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
  virtual void SetBounds(int left, int top, int width, int height);
  TRect BoundsRect() const { return Bounds(left_, top_, width_, height_); }
  virtual int ClientWidth() const { return width_; }
  virtual int ClientHeight() const { return height_; }
  TRect ClientRect() const { return Rect(0, 0, ClientWidth(), ClientHeight()); }

  bool Visible() const { return visible_; }
  virtual void SetVisible(bool visible);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  // Visible, and every parent up to the form visible too.
  bool Showing() const;
  bool Enabled() const { return enabled_; }
  virtual void SetEnabled(bool enabled);

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& text);
  const std::string& Text() const { return caption_; }
  void SetText(const std::string& text) { SetCaption(text); }

  TColor Color() const { return color_; }
  void SetColor(TColor color);
  TFont& Font() { return font_; }
  bool ParentFont() const { return parentFont_; }
  void SetParentFont(bool value);

  TAnchors Anchors() const { return anchors_; }
  void SetAnchors(TAnchors anchors);
  TAlign Align() const { return align_; }
  void SetAlign(TAlign align);

  // Windows input: the same path a user's click takes (BM_CLICK for buttons).
  virtual void Click();
  TNotifyEvent OnClick;

  virtual void Invalidate();
  // Paints now: the area is drawn before the call returns.
  virtual void Repaint();
  virtual void Update() {}
  // Puts the control above its siblings (a form: above the other windows).
  virtual void BringToFront();

  // Converts a point of this control's client area to the screen.
  TPoint ClientToScreen(TPoint p) const;

  // Used by the toolkit: a parent's font or colour changed.
  void ParentFontChanged(const TFont& font);
  void ParentColorChanged(TColor color);
  // Used by the toolkit: the parent's client area was resized.
  void ParentResized(int oldWidth, int oldHeight, int newWidth, int newHeight);

  // Used by the toolkit: scales the bounds, the own font and the metrics
  // given at 96 pixels per inch to ppi, without moving anchored children
  // (the form lays the whole tree out once the pass is done).
  virtual void ChangeScale(int ppi);
  // The pixels per inch the control is laid out for.
  int PixelsPerInch() const { return pixelsPerInch_; }

  // Used by the toolkit: the keys a form routes to its controls.
  // Whether the control takes input now: showing, enabled, and its window
  // (when it has one) enabled.
  virtual bool AcceptsInput() const { return Showing() && enabled_; }
  // Enter or Escape, offered by the form to the focused control and then to
  // every control that takes input; true when the control acted on it (a
  // default or focused button on Enter, a cancel button on Escape).
  virtual bool DialogKey(WPARAM key) { (void)key; return false; }
  // An access key (the lower-case letter after "&"), offered by the form to
  // every control that takes input; true when the control acted on it.
  virtual bool DialogChar(char accel) { (void)accel; return false; }
  // The text the control shows without a window of its own (a label's
  // caption), which its form tells other programs; nullopt for the others.
  virtual std::optional<std::string> WindowlessText() const { return std::nullopt; }
  // What a screen reader is told of a control without a window of its own,
  // through its parent window's WM_GETOBJECT answer; nullopt: nothing (a
  // picture, a line).
  virtual std::optional<TAccessibleItem> AccessibleItem() const { return std::nullopt; }

 protected:
  virtual void BoundsChanged() {}
  virtual void VisibleChanged() {}
  virtual void EnabledChanged() {}
  virtual void TextChanged() {}
  virtual void FontChanged() {}
  virtual void ColorChanged() {}
  // Accelerator character (after "&") of the caption, or 0.
  char AccelChar() const;
  // Whether the keyboard focus is on this windowed control or inside it.
  bool HoldsFocus() const;
  // The focus was on this control, which is now hidden or disabled: the
  // top-level window puts it where Enter still works (FocusDefaultControl).
  void MoveFocusAway();

  friend class TWinControl;

  TWinControl* parent_ = nullptr;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  bool visible_ = true;
  bool enabled_ = true;
  std::string caption_;
  TColor color_ = clBtnFace;
  bool parentColor_ = true;
  TFont font_;
  bool parentFont_ = true;
  bool syncing_ = false;
  TAnchors anchors_ = akLeft | akTop;
  TAlign align_ = alNone;
  int pixelsPerInch_ = kDesignPixelsPerInch;
};

// ---------------------------------------------------------------------------
// Windowed controls

struct TCreateParams {
  std::string WindowClass;  // empty: the toolkit's own class (painted by Paint)
  DWORD Style = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
  DWORD ExStyle = 0;
  int X = 0, Y = 0, Width = 0, Height = 0;
  HWND WndParent = nullptr;
};

class TWinControl : public TControl {
 public:
  explicit TWinControl(TComponent* owner);
  ~TWinControl() override;

  // The window, created when first needed (a child's when its parent's is).
  HWND Handle();
  bool HandleAllocated() const { return handle_ != nullptr; }
  // Makes sure the window exists.
  void HandleNeeded() { Handle(); }

  int ControlCount() const { return static_cast<int>(controls_.size()); }
  TControl* Control(int index) const { return controls_[index]; }

  void SetBounds(int left, int top, int width, int height) override;
  int ClientWidth() const override;
  int ClientHeight() const override;

  void SetFocus();
  bool Focused() const;
  int TabOrder() const { return tabOrder_; }
  void SetTabOrder(int order);

  void Invalidate() override;
  void Repaint() override;
  void Update() override;
  void BringToFront() override;

  // Draws the control and everything on it into dc with its top-left corner
  // at (x, y); a form draws its client area only. Standard controls draw
  // themselves through WM_PRINT.
  void PaintTo(HDC dc, int x, int y);

  // The object bound to a window of ours, or null.
  static TWinControl* FromHandle(HWND window);

  // Window procedure of the object; the default passes to the class's own.
  virtual LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam);

  bool AcceptsInput() const override;
  // True when Enter belongs to the control itself (a memo taking line breaks).
  virtual bool WantsReturn() const { return false; }
  // True when plain letters are typed into the control, so that they are no
  // access keys while it has the focus.
  virtual bool WantsChars() const { return false; }
  // True for the control that takes the focus when its form is shown and no
  // ActiveControl is set (a default button).
  virtual bool DefaultFocus() const { return false; }
  // Focuses the control that takes the keyboard when the focused one went
  // away (a form: its ActiveControl, default button or first control that
  // shows); nothing for other windows.
  virtual void FocusDefaultControl() {}
  // A button's ModalResult, handed up its parents until one takes it: a form
  // does (and ends its modal loop with it), other windows do not.
  virtual bool TakeModalResult(TModalResult result) { (void)result; return false; }

  // Used by the toolkit.
  void InsertControl(TControl* control);
  void RemoveControl(TControl* control);
  // Paints the graphic children that intersect clip into dc (client coords).
  void PaintControls(HDC dc, const RECT& clip);
  // Marks area (client coords) for the next paint: a graphic child's repaint
  // by invalidation. An area inside the last one marked since the window
  // last painted is still marked, and asks the system nothing.
  void InvalidateArea(const TRect& area);
  // Paints the graphic children above `from` that overlap rect.
  void PaintControlsAbove(TControl* from, HDC dc, const TRect& rect);
  void AlignControls();
  void ChangeScale(int ppi) override;
  // After ChangeScale: moves the windows that exist to their new bounds and
  // aligns the children, from this control down.
  void ApplyScaledBounds();

 protected:
  virtual void CreateParams(TCreateParams& params);
  // After the window exists: apply the settings kept so far.
  virtual void CreateWnd();
  virtual void DestroyHandle();
  // Background and own drawing of toolkit-class windows (not child windows).
  virtual void PaintWindow(TCanvas& canvas);
  // Reflected notifications from the parent (WM_COMMAND, WM_NOTIFY,
  // WM_DRAWITEM, WM_MEASUREITEM, WM_CTLCOLOR*): return true when handled.
  virtual bool Notification(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  // The child a notification message is about, which is then offered it;
  // nullptr for any other message.
  TWinControl* NotifiedChild(UINT message, LPARAM lParam) const;
  void BoundsChanged() override;
  void VisibleChanged() override;
  void EnabledChanged() override;
  void TextChanged() override;
  void FontChanged() override;
  void ColorChanged() override;
  // CreateParams without asking the parent for its window (for measuring).
  void CreateParamsNoParent(TCreateParams& params);
  // Brush for WM_CTLCOLOR* replies in the control's colour.
  HBRUSH ColorBrush();
  // The window height for a control height (combo boxes add their list).
  virtual int WindowHeight(int height) const { return height; }
  // Re-applies anchors and alignment after the client area changed size.
  void ClientSizeChanged();
  // Destroys and re-creates the window (style changes).
  void RecreateWnd();
  // Puts the children's windows in z-order by TabOrder (unset ones last).
  void ApplyTabOrder();

  friend class TApplication;
  friend class TForm;
  friend class TControl;
  friend class TGraphicControl;
  friend LRESULT CALLBACK ToolkitWindowProc(HWND, UINT, WPARAM, LPARAM);

  HWND handle_ = nullptr;
  WNDPROC classProc_ = nullptr;  // the subclassed control's own procedure
  std::vector<TControl*> controls_;
  bool tabStop_ = false;
  int tabOrder_ = -1;
  TBrush colorBrush_;
  TCanvas paintCanvas_;
  std::shared_ptr<GdiObject> windowFont_;
  int lastClientWidth_ = 0;
  int lastClientHeight_ = 0;
  int controlId_ = 0;
  // The last area InvalidateArea marked in handle_, until it paints.
  HWND invalidWindow_ = nullptr;
  TRect invalidArea_{};
};

// A windowed control painted by its Paint (toolkit window class).
class TCustomControl : public TWinControl {
 public:
  explicit TCustomControl(TComponent* owner) : TWinControl(owner) {}
  TCanvas& Canvas() { return paintCanvas_; }
  TNotifyEvent OnPaint;

 protected:
  virtual void Paint();
  void PaintWindow(TCanvas& canvas) override;
};

// ---------------------------------------------------------------------------
// Graphic controls: no window; painted by the parent, in z-order, into the
// parent's DC with the origin moved to the control's corner and the drawing
// clipped to its rectangle.

enum TControlStyle : unsigned { csOpaque = 1 };

class TGraphicControl : public TControl {
 public:
  explicit TGraphicControl(TComponent* owner);
  ~TGraphicControl() override;

  // Drawing surface; inside Paint it draws on the parent's paint DC, outside
  // a paint it measures with a screen-compatible DC.
  TCanvas& Canvas() { return *canvas_; }
  TNotifyEvent OnPaint;

  // Invalidates the old area too.
  void SetBounds(int left, int top, int width, int height) override;
  void Invalidate() override;
  void Repaint() override;

  // An opaque control paints every pixel of its rectangle; its parent does
  // not paint beneath it, and Repaint draws it straight onto the screen.
  unsigned ControlStyle() const { return controlStyle_; }
  void SetControlStyle(unsigned style) { controlStyle_ = style; }

  // Used by the parent's paint: draws the control into dc (parent client
  // coordinates).
  void PaintTo(HDC dc);

 protected:
  virtual void Paint();
  void BoundsChanged() override;
  void VisibleChanged() override;
  void TextChanged() override;
  void FontChanged() override;
  void ColorChanged() override;
  void EnabledChanged() override;

 private:
  class ControlCanvas;
  std::unique_ptr<TCanvas> canvas_;
  unsigned controlStyle_ = 0;
};
