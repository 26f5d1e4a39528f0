#include "toolkit/Controls.h"

#include <algorithm>
#include <exception>

#include "runtime/FileSystem.h"
#include "toolkit/Internal.h"

namespace {
const char kObjectProp[] = "ToolkitObject";
const char kWindowClass[] = "ToolkitWindow";
int gNextControlId = 100;
bool gReportingPaintFailure = false;

// A failing paint is reported once: the paints that the report's own box
// causes while it is up fail again and are not reported a second time
// (otherwise the boxes would pile up without end).
void ReportPaintFailure(const std::exception_ptr& failure) {
  if (gReportingPaintFailure) return;
  struct Reporting {
    Reporting() { gReportingPaintFailure = true; }
    ~Reporting() { gReportingPaintFailure = false; }
  } reporting;
  Dispatch([&] { std::rethrow_exception(failure); });
}

// Draws on a DC for the lifetime of the guard: the canvas lets go of it
// (and of what it selected into it) however the drawing ends.
class CanvasOn {
 public:
  CanvasOn(TCanvas& canvas, HDC dc) : canvas_(canvas) { canvas_.SetHandle(dc); }
  ~CanvasOn() { canvas_.SetHandle(nullptr); }
  CanvasOn(const CanvasOn&) = delete;
  CanvasOn& operator=(const CanvasOn&) = delete;

 private:
  TCanvas& canvas_;
};
}  // namespace

// One window procedure for every window of ours: toolkit-class windows and
// subclassed standard controls. The object is bound at WM_NCCREATE (own
// class) or right after creation (subclassed controls); nothing escapes it.
LRESULT CALLBACK ToolkitWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* control = static_cast<TWinControl*>(GetPropA(window, kObjectProp));
  if (control == nullptr && message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    control = static_cast<TWinControl*>(create->lpCreateParams);
    if (control != nullptr) {
      SetPropA(window, kObjectProp, control);
      control->handle_ = window;
    }
  }
  if (control == nullptr) return DefWindowProcA(window, message, wParam, lParam);

  LRESULT result = 0;
  Dispatch([&] { result = control->WndProc(message, wParam, lParam); });
  if (message == WM_NCDESTROY) {
    RemovePropA(window, kObjectProp);
    if (control->handle_ == window) {
      control->handle_ = nullptr;
      control->classProc_ = nullptr;
      toolkit_internal::CountWindow(-1);
    }
  }
  return result;
}

namespace toolkit_internal {
namespace {
BOOL CALLBACK FirstIconName(HMODULE module, LPCSTR, LPSTR name, LONG_PTR data) {
  // The name is an integer resource or a string that lives only during the
  // enumeration: load the icon here.
  *reinterpret_cast<HICON*>(data) = LoadIconA(module, name);
  return FALSE;
}
}  // namespace

HICON ApplicationIcon() {
  HICON icon = nullptr;
  EnumResourceNamesA(GetModuleHandleA(nullptr), RT_GROUP_ICON, FirstIconName, reinterpret_cast<LONG_PTR>(&icon));
  return icon;
}

void RegisterWindowClasses() {
  WNDCLASSA existing;
  if (GetClassInfoA(GetModuleHandleA(nullptr), kWindowClass, &existing)) return;
  WNDCLASSA wc{};
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = ToolkitWindowProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  // Title bars and the taskbar show the program's first icon.
  wc.hIcon = ApplicationIcon();
  wc.lpszClassName = kWindowClass;
  if (RegisterClassA(&wc) == 0) throw EInvalidOperation("Cannot register the window class: " + LastErrorText());
}
}  // namespace toolkit_internal

// ---------------------------------------------------------------------------

TComponent::TComponent(TComponent* owner) : owner_(owner) {}

TComponent::~TComponent() { DestroyComponents(); }

void TComponent::InsertComponent(std::unique_ptr<TComponent> component) {
  components_.push_back(std::move(component));
}

void TComponent::DestroyComponents() {
  while (!components_.empty()) {
    // Taken out first: a destructor may look at the list.
    std::unique_ptr<TComponent> last = std::move(components_.back());
    components_.pop_back();
    last.reset();
  }
}

// ---------------------------------------------------------------------------

TControl::TControl(TComponent* owner) : TComponent(owner) {
  font_.OnChange = [this](TObject*) {
    if (!syncing_) parentFont_ = false;
    FontChanged();
  };
}

TControl::~TControl() {
  font_.OnChange = nullptr;
  toolkit_internal::ForgetAccessibleChanges(*this);
  if (parent_ != nullptr) parent_->RemoveControl(this);
}

void TControl::SetParent(TWinControl* parent) {
  if (parent == parent_) return;
  if (parent_ != nullptr) parent_->RemoveControl(this);
  parent_ = parent;
  if (parent_ == nullptr) return;
  parent_->InsertControl(this);
  if (parentFont_) ParentFontChanged(parent_->font_);
  if (parentColor_) ParentColorChanged(parent_->color_);
  if (align_ != alNone) parent_->AlignControls();
}

void TControl::SetBounds(int left, int top, int width, int height) {
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  left_ = left;
  top_ = top;
  width_ = std::max(width, 0);
  height_ = std::max(height, 0);
  BoundsChanged();
}

void TControl::SetVisible(bool visible) {
  if (visible == visible_) return;
  // Checked before: the system drops the focus of a window it hides.
  const bool focusLeaves = !visible && HoldsFocus();
  visible_ = visible;
  VisibleChanged();
  if (focusLeaves) MoveFocusAway();
}

bool TControl::HoldsFocus() const {
  const auto* self = dynamic_cast<const TWinControl*>(this);
  if (self == nullptr || parent_ == nullptr || self->handle_ == nullptr) return false;
  HWND focus = GetFocus();
  return focus != nullptr && (focus == self->handle_ || IsChild(self->handle_, focus));
}

void TControl::MoveFocusAway() {
  TWinControl* top = parent_;
  while (top != nullptr && top->parent_ != nullptr) top = top->parent_;
  if (top != nullptr) top->FocusDefaultControl();
}

bool TControl::Showing() const {
  if (!visible_) return false;
  return parent_ == nullptr ? true : parent_->Showing();
}

void TControl::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  const bool focusLeaves = !enabled && HoldsFocus();
  enabled_ = enabled;
  EnabledChanged();
  if (focusLeaves) MoveFocusAway();
}

void TControl::SetCaption(const std::string& text) {
  if (text == caption_) return;
  caption_ = text;
  TextChanged();
}

void TControl::SetColor(TColor color) {
  parentColor_ = false;
  if (color == color_) return;
  color_ = color;
  ColorChanged();
}

void TControl::SetParentFont(bool value) {
  parentFont_ = value;
  if (value && parent_ != nullptr) ParentFontChanged(parent_->font_);
}

void TControl::ParentFontChanged(const TFont& font) {
  if (!parentFont_ || font_.Equals(font)) return;
  syncing_ = true;
  font_.Assign(font);
  syncing_ = false;
}

void TControl::ParentColorChanged(TColor color) {
  if (!parentColor_ || color == color_) return;
  color_ = color;
  ColorChanged();
}

void TControl::SetAnchors(TAnchors anchors) { anchors_ = anchors; }

void TControl::SetAlign(TAlign align) {
  if (align == align_) return;
  align_ = align;
  if (parent_ != nullptr) parent_->AlignControls();
}

void TControl::ParentResized(int oldWidth, int oldHeight, int newWidth, int newHeight) {
  if (align_ != alNone || oldWidth <= 0 || oldHeight <= 0) return;
  int l = left_, t = top_, w = width_, h = height_;
  const int dx = newWidth - oldWidth, dy = newHeight - oldHeight;
  if (anchors_ & akRight) {
    if (anchors_ & akLeft) w += dx; else l += dx;
  }
  if (anchors_ & akBottom) {
    if (anchors_ & akTop) h += dy; else t += dy;
  }
  SetBounds(l, t, w, h);
}

void TControl::Click() { DispatchEvent(OnClick, this); }

void TControl::Invalidate() {}
void TControl::Repaint() {}

void TControl::BringToFront() {
  if (parent_ == nullptr) return;
  auto& list = parent_->controls_;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
  list.push_back(this);
  Invalidate();
}

TPoint TControl::ClientToScreen(TPoint p) const {
  if (parent_ == nullptr) return p;
  return parent_->ClientToScreen(TPoint{p.X + left_, p.Y + top_});
}

char TControl::AccelChar() const {
  for (std::size_t i = 0; i + 1 < caption_.size(); ++i) {
    if (caption_[i] != '&') continue;
    if (caption_[i + 1] == '&') {
      ++i;
      continue;
    }
    char letter[2] = {caption_[i + 1], 0};
    CharLowerA(letter);
    return letter[0];
  }
  return 0;
}

// ---------------------------------------------------------------------------

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {
  colorBrush_.SetColor(color_);
}

TWinControl::~TWinControl() {
  // Owned components first (they may be children of this window), then the
  // children owned elsewhere lose their parent, then the window goes.
  DestroyComponents();
  for (TControl* child : std::vector<TControl*>(controls_)) child->parent_ = nullptr;
  controls_.clear();
  DestroyHandle();
}

HWND TWinControl::Handle() {
  if (handle_ != nullptr) return handle_;
  if (parent_ != nullptr && parent_->handle_ == nullptr) {
    parent_->Handle();  // creates this window with the parent's children
    if (handle_ != nullptr) return handle_;
  }
  toolkit_internal::RegisterWindowClasses();
  TCreateParams params;
  params.X = left_;
  params.Y = top_;
  params.Width = width_;
  params.Height = WindowHeight(height_);
  CreateParams(params);
  if ((params.Style & WS_CHILD) && params.WndParent == nullptr) {
    throw EInvalidOperation("Control \"" + Name() + "\" has no parent window");
  }
  if (params.Style & WS_CHILD) {
    if (controlId_ == 0) controlId_ = gNextControlId++;
  }
  const bool ownClass = params.WindowClass.empty();
  const char* className = ownClass ? kWindowClass : params.WindowClass.c_str();
  HMENU menu = (params.Style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId_)) : nullptr;
  HWND window = CreateWindowExA(params.ExStyle, className, caption_.c_str(), params.Style, params.X, params.Y,
                                params.Width, params.Height, params.WndParent, menu, GetModuleHandleA(nullptr),
                                ownClass ? this : nullptr);
  if (window == nullptr) {
    throw EInvalidOperation("Cannot create the window of \"" + Name() + "\": " + LastErrorText());
  }
  toolkit_internal::CountWindow(1);
  if (!ownClass) {
    handle_ = window;
    SetPropA(window, kObjectProp, this);
    classProc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ToolkitWindowProc)));
  }
  // The system may have made the window smaller than asked (no window is
  // larger than the screen): anchored children follow as on any resize.
  if (lastClientWidth_ > 0 && lastClientHeight_ > 0) {
    ClientSizeChanged();
  } else {
    RECT client{};
    GetClientRect(window, &client);
    lastClientWidth_ = client.right;
    lastClientHeight_ = client.bottom;
  }
  CreateWnd();
  for (TControl* child : std::vector<TControl*>(controls_)) {
    if (auto* win = dynamic_cast<TWinControl*>(child)) win->Handle();
  }
  // The windows were made in the order of the list; a tab order set before
  // they existed is applied now.
  const bool ordered = std::any_of(controls_.begin(), controls_.end(), [](TControl* c) {
    auto* w = dynamic_cast<TWinControl*>(c);
    return w != nullptr && w->tabOrder_ >= 0;
  });
  if (ordered) ApplyTabOrder();
  return handle_;
}

void TWinControl::CreateParams(TCreateParams& params) {
  params.Style = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
  if (visible_) params.Style |= WS_VISIBLE;
  if (!enabled_) params.Style |= WS_DISABLED;
  if (tabStop_) params.Style |= WS_TABSTOP;
  params.ExStyle = WS_EX_CONTROLPARENT;
  if (parent_ != nullptr) params.WndParent = parent_->Handle();
}

void TWinControl::CreateWnd() {
  windowFont_ = font_.HandleObject();
  SendMessageA(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(windowFont_->Get()), FALSE);
}

void TWinControl::DestroyHandle() {
  if (handle_ == nullptr) return;
  HWND window = handle_;
  if (classProc_ != nullptr) SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(classProc_));
  RemovePropA(window, kObjectProp);
  handle_ = nullptr;
  classProc_ = nullptr;
  DestroyWindow(window);
  toolkit_internal::CountWindow(-1);
}

void TWinControl::RecreateWnd() {
  if (handle_ == nullptr) return;
  // Children's windows die with this one; they are created again below.
  for (TControl* child : controls_) {
    if (auto* win = dynamic_cast<TWinControl*>(child)) win->DestroyHandle();
  }
  DestroyHandle();
  Handle();
}

TWinControl* TWinControl::FromHandle(HWND window) {
  if (window == nullptr) return nullptr;
  return static_cast<TWinControl*>(GetPropA(window, kObjectProp));
}

LRESULT TWinControl::DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam) {
  if (classProc_ != nullptr) return CallWindowProcA(classProc_, handle_, message, wParam, lParam);
  return DefWindowProcA(handle_, message, wParam, lParam);
}

TWinControl* TWinControl::NotifiedChild(UINT message, LPARAM lParam) const {
  HWND from = nullptr;
  switch (message) {
    case WM_COMMAND:  // from a control when lParam is its window; else a menu or accelerator
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
      from = reinterpret_cast<HWND>(lParam);
      break;
    case WM_NOTIFY:
      from = reinterpret_cast<const NMHDR*>(lParam)->hwndFrom;
      break;
    case WM_DRAWITEM:
      from = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->hwndItem;
      break;
    case WM_MEASUREITEM: {
      // Sent while the child's window is being created, before it can be
      // found by its window: found by its control id.
      const auto* item = reinterpret_cast<const MEASUREITEMSTRUCT*>(lParam);
      for (TControl* c : controls_) {
        auto* win = dynamic_cast<TWinControl*>(c);
        if (win != nullptr && win->controlId_ == static_cast<int>(item->CtlID)) return win;
      }
      return nullptr;
    }
    default:
      return nullptr;
  }
  TWinControl* child = FromHandle(from);
  return child != this ? child : nullptr;
}

LRESULT TWinControl::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  // Notifications from child windows go to the child's own handling first.
  if (TWinControl* child = NotifiedChild(message, lParam);
      child != nullptr && child->Notification(message, wParam, lParam, result)) {
    return result;
  }
  switch (message) {
    case WM_ERASEBKGND:
      if (classProc_ == nullptr) return 1;
      break;
    case WM_GETOBJECT:
      // Screen readers: the controls without a window of their own are
      // told by the window that paints them.
      if (classProc_ == nullptr || !controls_.empty()) {
        const LRESULT answer = toolkit_internal::AnswerGetObject(*this, classProc_ != nullptr, wParam, lParam);
        if (answer != 0) return answer;
      }
      break;
    case WM_PAINT:
      // Painting validates the whole update region, whoever paints.
      invalidWindow_ = nullptr;
      if (classProc_ == nullptr) {
        std::exception_ptr failure;
        {
          PaintDC paint(handle_);
          if (paint.Get() != nullptr) {
            try {
              {
                CanvasOn canvas(paintCanvas_, paint.Get());
                PaintWindow(paintCanvas_);
              }
              PaintControls(paint.Get(), paint.PaintRect());
            } catch (...) {
              failure = std::current_exception();
            }
          }
        }
        // Reported once the paint has ended, so that the box can paint.
        if (failure) ReportPaintFailure(failure);
        return 0;
      }
      break;
    case WM_SIZE:
      result = DefaultHandler(message, wParam, lParam);
      ClientSizeChanged();
      return result;
    case WM_LBUTTONUP:
      if (classProc_ == nullptr) {
        const int x = static_cast<short>(LOWORD(lParam)), y = static_cast<short>(HIWORD(lParam));
        for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
          TControl* c = *it;
          if (dynamic_cast<TGraphicControl*>(c) != nullptr && c->visible_ && c->enabled_ && x >= c->left_ &&
              x < c->left_ + c->width_ && y >= c->top_ && y < c->top_ + c->height_) {
            c->Click();
            return 0;
          }
        }
      }
      break;
    default:
      break;
  }
  return DefaultHandler(message, wParam, lParam);
}

bool TWinControl::AcceptsInput() const {
  return TControl::AcceptsInput() && (handle_ == nullptr || IsWindowEnabled(handle_));
}

bool TWinControl::Notification(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  (void)lParam;
  switch (message) {
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      SetTextColor(dc, ColorToRGB(font_.Color()));
      SetBkColor(dc, ColorToRGB(color_));
      result = reinterpret_cast<LRESULT>(ColorBrush());
      return true;
    }
    default:
      return false;
  }
}

HBRUSH TWinControl::ColorBrush() {
  if (colorBrush_.Color() != color_) colorBrush_.SetColor(color_);
  return colorBrush_.Handle();
}

void TWinControl::PaintWindow(TCanvas& canvas) {
  canvas.Brush().SetColor(color_);
  canvas.FillRect(ClientRect());
}

void TWinControl::InsertControl(TControl* control) {
  controls_.push_back(control);
  if (handle_ != nullptr) {
    if (auto* win = dynamic_cast<TWinControl*>(control)) {
      if (win->handle_ != nullptr) {
        ::SetParent(win->handle_, handle_);
      } else {
        win->Handle();
      }
    } else {
      control->Invalidate();
    }
  }
}

void TWinControl::RemoveControl(TControl* control) {
  if (dynamic_cast<TGraphicControl*>(control) != nullptr && control->visible_) control->Invalidate();
  controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
  if (auto* win = dynamic_cast<TWinControl*>(control)) {
    // A window cannot live on without its parent window.
    if (win->handle_ != nullptr && handle_ != nullptr && GetParent(win->handle_) == handle_) {
      for (TControl* c : win->controls_) {
        if (auto* w = dynamic_cast<TWinControl*>(c)) w->DestroyHandle();
      }
      win->DestroyHandle();
    }
  }
}

void TWinControl::PaintControls(HDC dc, const RECT& clip) {
  for (TControl* c : std::vector<TControl*>(controls_)) {
    auto* graphic = dynamic_cast<TGraphicControl*>(c);
    if (graphic == nullptr || !graphic->visible_) continue;
    RECT bounds = graphic->BoundsRect().ToRECT(), overlap;
    if (!IntersectRect(&overlap, &bounds, &clip)) continue;
    graphic->PaintTo(dc);
  }
}

void TWinControl::PaintControlsAbove(TControl* from, HDC dc, const TRect& rect) {
  auto it = std::find(controls_.begin(), controls_.end(), from);
  if (it == controls_.end()) return;
  const RECT clip = rect.ToRECT();
  for (++it; it != controls_.end(); ++it) {
    auto* graphic = dynamic_cast<TGraphicControl*>(*it);
    if (graphic == nullptr || !graphic->visible_) continue;
    RECT bounds = graphic->BoundsRect().ToRECT(), overlap;
    if (!IntersectRect(&overlap, &bounds, &clip)) continue;
    SavedDC saved(dc);
    IntersectClipRect(dc, clip.left, clip.top, clip.right, clip.bottom);
    graphic->PaintTo(dc);
  }
}

void TWinControl::PaintTo(HDC dc, int x, int y) {
  HWND window = Handle();
  SavedDC saved(dc);
  RECT outer;
  GetWindowRect(window, &outer);
  POINT client{0, 0};
  ::ClientToScreen(window, &client);
  // A top-level window draws its client area only.
  const bool child = (GetWindowLongPtrA(window, GWL_STYLE) & WS_CHILD) != 0;
  const int bx = child ? client.x - outer.left : 0, by = child ? client.y - outer.top : 0;
  if (classProc_ != nullptr) {
    OffsetViewportOrgEx(dc, x, y, nullptr);
    SendMessageA(window, WM_PRINT, reinterpret_cast<WPARAM>(dc),
                 PRF_CLIENT | PRF_NONCLIENT | PRF_ERASEBKGND | PRF_CHILDREN);
    return;
  }
  if (child && (GetWindowLongPtrA(window, GWL_STYLE) & WS_BORDER)) {
    RECT frame{x, y, x + (outer.right - outer.left), y + (outer.bottom - outer.top)};
    TBrush brush;
    brush.SetColor(clWindowFrame);
    ::FrameRect(dc, &frame, brush.Handle());
  }
  OffsetViewportOrgEx(dc, x + bx, y + by, nullptr);
  RECT r;
  GetClientRect(window, &r);
  IntersectClipRect(dc, 0, 0, r.right, r.bottom);
  {
    CanvasOn canvas(paintCanvas_, dc);
    PaintWindow(paintCanvas_);
  }
  PaintControls(dc, r);
  for (TControl* c : std::vector<TControl*>(controls_)) {
    auto* child = dynamic_cast<TWinControl*>(c);
    if (child == nullptr || !child->visible_ || child->handle_ == nullptr) continue;
    child->PaintTo(dc, child->left_, child->top_);
  }
}

void TWinControl::AlignControls() {
  TRect area = ClientRect();
  for (TAlign kind : {alTop, alBottom, alLeft, alRight, alClient}) {
    for (TControl* c : controls_) {
      if (c->align_ != kind) continue;
      switch (kind) {
        case alTop:
          c->SetBounds(area.Left, area.Top, area.Width(), c->height_);
          area.Top += c->height_;
          break;
        case alBottom:
          c->SetBounds(area.Left, area.Bottom - c->height_, area.Width(), c->height_);
          area.Bottom -= c->height_;
          break;
        case alLeft:
          c->SetBounds(area.Left, area.Top, c->width_, area.Height());
          area.Left += c->width_;
          break;
        case alRight:
          c->SetBounds(area.Right - c->width_, area.Top, c->width_, area.Height());
          area.Right -= c->width_;
          break;
        case alClient:
          c->SetBounds(area.Left, area.Top, area.Width(), area.Height());
          break;
        default:
          break;
      }
    }
  }
}

void TWinControl::ClientSizeChanged() {
  const int w = ClientWidth(), h = ClientHeight();
  if (w == lastClientWidth_ && h == lastClientHeight_) return;
  const int oldW = lastClientWidth_, oldH = lastClientHeight_;
  lastClientWidth_ = w;
  lastClientHeight_ = h;
  for (TControl* c : std::vector<TControl*>(controls_)) c->ParentResized(oldW, oldH, w, h);
  AlignControls();
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  left_ = left;
  top_ = top;
  width_ = std::max(width, 0);
  height_ = std::max(height, 0);
  BoundsChanged();
}

void TWinControl::BoundsChanged() {
  if (handle_ != nullptr) {
    SetWindowPos(handle_, nullptr, left_, top_, width_, WindowHeight(height_),
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
  ClientSizeChanged();
}

int TWinControl::ClientWidth() const {
  if (handle_ != nullptr) {
    RECT r;
    GetClientRect(handle_, &r);
    return r.right;
  }
  TCreateParams params;
  const_cast<TWinControl*>(this)->CreateParamsNoParent(params);
  RECT r{0, 0, 0, 0};
  AdjustWindowRectEx(&r, params.Style & ~WS_CHILD, FALSE, params.ExStyle);
  return std::max(0, width_ - static_cast<int>(r.right - r.left));
}

int TWinControl::ClientHeight() const {
  if (handle_ != nullptr) {
    RECT r;
    GetClientRect(handle_, &r);
    return r.bottom;
  }
  TCreateParams params;
  const_cast<TWinControl*>(this)->CreateParamsNoParent(params);
  RECT r{0, 0, 0, 0};
  AdjustWindowRectEx(&r, params.Style & ~WS_CHILD, FALSE, params.ExStyle);
  return std::max(0, height_ - static_cast<int>(r.bottom - r.top));
}

void TWinControl::CreateParamsNoParent(TCreateParams& params) {
  // CreateParams asks the parent for its window; measuring must not create it.
  TWinControl* parent = parent_;
  parent_ = nullptr;
  try {
    CreateParams(params);
  } catch (...) {
    parent_ = parent;
    throw;
  }
  parent_ = parent;
}


void TWinControl::SetFocus() {
  if (Handle() != nullptr) ::SetFocus(handle_);
}

bool TWinControl::Focused() const { return handle_ != nullptr && GetFocus() == handle_; }

void TWinControl::SetTabOrder(int order) {
  tabOrder_ = order;
  if (parent_ != nullptr) parent_->ApplyTabOrder();
}

void TWinControl::ApplyTabOrder() {
  // Windows take the tab order from the z-order of the siblings.
  std::vector<TWinControl*> siblings;
  for (TControl* c : controls_) {
    if (auto* w = dynamic_cast<TWinControl*>(c)) siblings.push_back(w);
  }
  std::stable_sort(siblings.begin(), siblings.end(), [](TWinControl* a, TWinControl* b) {
    const int ka = a->tabOrder_ < 0 ? 1 << 30 : a->tabOrder_;
    const int kb = b->tabOrder_ < 0 ? 1 << 30 : b->tabOrder_;
    return ka < kb;
  });
  HWND after = HWND_TOP;
  for (TWinControl* w : siblings) {
    if (w->handle_ == nullptr) continue;
    SetWindowPos(w->handle_, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    after = w->handle_;
  }
}

void TWinControl::Invalidate() {
  if (handle_ != nullptr) InvalidateRect(handle_, nullptr, TRUE);
}

void TWinControl::Repaint() {
  if (handle_ != nullptr) {
    RedrawWindow(handle_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  }
}

void TWinControl::BringToFront() {
  TControl::BringToFront();
  if (handle_ != nullptr) {
    SetWindowPos(handle_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | (parent_ != nullptr ? SWP_NOACTIVATE : 0));
  }
}

void TWinControl::Update() {
  if (handle_ != nullptr) UpdateWindow(handle_);
}

void TWinControl::VisibleChanged() {
  if (handle_ != nullptr) ShowWindow(handle_, visible_ ? SW_SHOWNOACTIVATE : SW_HIDE);
}

void TWinControl::EnabledChanged() {
  if (handle_ != nullptr) EnableWindow(handle_, enabled_ ? TRUE : FALSE);
  Invalidate();
}

void TWinControl::TextChanged() {
  if (handle_ != nullptr) SetWindowTextA(handle_, caption_.c_str());
}

void TWinControl::FontChanged() {
  if (handle_ != nullptr) {
    auto font = font_.HandleObject();
    SendMessageA(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(font->Get()), TRUE);
    windowFont_ = std::move(font);  // the old font dies after the window let go of it
  }
  for (TControl* c : std::vector<TControl*>(controls_)) c->ParentFontChanged(font_);
}

void TWinControl::ColorChanged() {
  Invalidate();
  for (TControl* c : std::vector<TControl*>(controls_)) c->ParentColorChanged(color_);
}

// ---------------------------------------------------------------------------

void TCustomControl::Paint() {
  Canvas().Brush().SetColor(color_);
  Canvas().FillRect(ClientRect());
}

void TCustomControl::PaintWindow(TCanvas& canvas) {
  (void)canvas;
  Paint();
  DispatchEvent(OnPaint, this);
}

// ---------------------------------------------------------------------------

// The canvas of a graphic control: the parent's DC while painting; outside a
// paint, a memory DC good for measuring text.
class TGraphicControl::ControlCanvas : public TCanvas {
 public:
  ~ControlCanvas() override { SetHandle(nullptr); }

 protected:
  void CreateHandle() override {
    if (!measure_) measure_ = std::make_unique<MemoryDC>();
    SetHandle(measure_->Get());
  }

 private:
  std::unique_ptr<MemoryDC> measure_;
};

TGraphicControl::TGraphicControl(TComponent* owner)
    : TControl(owner), canvas_(std::make_unique<ControlCanvas>()) {}

TGraphicControl::~TGraphicControl() {
  if (visible_) Invalidate();  // the parent paints the area again
  canvas_->SetHandle(nullptr);
}

void TGraphicControl::Paint() {}

void TGraphicControl::PaintTo(HDC dc) {
  SavedDC saved(dc);
  IntersectClipRect(dc, left_, top_, left_ + width_, top_ + height_);
  OffsetViewportOrgEx(dc, left_, top_, nullptr);
  std::exception_ptr failure;
  try {
    CanvasOn canvas(*canvas_, dc);
    Paint();
    if (OnPaint) OnPaint(this);
  } catch (...) {
    failure = std::current_exception();
  }
  if (failure) ReportPaintFailure(failure);
}

void TGraphicControl::SetBounds(int left, int top, int width, int height) {
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  Invalidate();  // the old area
  TControl::SetBounds(left, top, width, height);
}

void TWinControl::InvalidateArea(const TRect& area) {
  if (handle_ == nullptr) return;
  const TRect& last = invalidArea_;
  if (invalidWindow_ == handle_ && area.Left >= last.Left && area.Top >= last.Top && area.Right <= last.Right &&
      area.Bottom <= last.Bottom) {
    return;
  }
  RECT r = area.ToRECT();
  InvalidateRect(handle_, &r, TRUE);
  invalidWindow_ = handle_;
  invalidArea_ = area;
}

void TGraphicControl::Invalidate() {
  if (parent_ != nullptr) parent_->InvalidateArea(BoundsRect());
}

void TGraphicControl::Repaint() {
  if (!visible_ || parent_ == nullptr || !parent_->HandleAllocated()) return;
  if (controlStyle_ & csOpaque) {
    WindowDC dc(parent_->handle_);
    PaintTo(dc.Get());
    parent_->PaintControlsAbove(this, dc.Get(), BoundsRect());
  } else {
    Invalidate();
    parent_->Update();
  }
}

void TGraphicControl::BoundsChanged() { Invalidate(); }
void TGraphicControl::VisibleChanged() {
  if (parent_ != nullptr) parent_->InvalidateArea(BoundsRect());
}
void TGraphicControl::TextChanged() { Invalidate(); }
void TGraphicControl::FontChanged() { Invalidate(); }
void TGraphicControl::ColorChanged() { Invalidate(); }
void TGraphicControl::EnabledChanged() { Invalidate(); }
