#include "toolkit/Forms.h"

#include <algorithm>

#include "runtime/FileSystem.h"
#include "toolkit/DescribeTexts.h"
#include "toolkit/Internal.h"

namespace {
const UINT kFillWorkAreaMessage = WM_APP + 0x100;

// What escapes a handler goes to the application in use at that moment.
void ReportToApplication(const std::exception& error) { Application->HandleException(error); }

// The application in use when no other was constructed.
TApplication gDefaultApplication;
TScreen gScreen;

// Removes a quit message left in the queue by an earlier application.
void DropQuitMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
}
}  // namespace

namespace toolkit_internal {

namespace {
std::vector<HWND>& OpenBoxList() {
  static std::vector<HWND> boxes;
  return boxes;
}

struct TaskWindows {
  HWND except;
  std::vector<HWND> windows;
};

BOOL CALLBACK CollectTaskWindow(HWND window, LPARAM data) {
  auto* state = reinterpret_cast<TaskWindows*>(data);
  if (window != state->except && !IsOpenBox(window) && IsWindowVisible(window) &&
      IsWindowEnabled(window)) {
    state->windows.push_back(window);
  }
  return TRUE;
}
}  // namespace

void AddOpenBox(HWND box) { OpenBoxList().push_back(box); }

void RemoveOpenBox(HWND box) {
  auto& boxes = OpenBoxList();
  boxes.erase(std::remove(boxes.begin(), boxes.end(), box), boxes.end());
}

bool IsOpenBox(HWND window) {
  const auto& boxes = OpenBoxList();
  return window != nullptr && std::find(boxes.begin(), boxes.end(), window) != boxes.end();
}

std::vector<HWND> DisableTaskWindows(HWND except) {
  TaskWindows state{except, {}};
  EnumThreadWindows(GetCurrentThreadId(), CollectTaskWindow, reinterpret_cast<LPARAM>(&state));
  for (HWND w : state.windows) EnableWindow(w, FALSE);
  return state.windows;
}

void EnableTaskWindows(const std::vector<HWND>& windows) {
  for (HWND w : windows) {
    if (IsWindow(w)) EnableWindow(w, TRUE);
  }
}

HWND ActiveFormWindow() {
  HWND active = GetActiveWindow();
  if (active == nullptr || !IsWindowVisible(active)) return nullptr;
  return dynamic_cast<TForm*>(TWinControl::FromHandle(active)) != nullptr ? active : nullptr;
}

void RaiseOpenBoxes() {
  for (HWND box : OpenBoxList()) {
    if (IsWindowVisible(box)) SetWindowPos(box, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
}

void Reactivate(HWND window) {
  if (window == nullptr || !IsWindow(window) || !IsWindowVisible(window) || !IsWindowEnabled(window)) return;
  if (auto* form = dynamic_cast<TForm*>(TWinControl::FromHandle(window))) {
    form->Activate();
  } else {
    SetActiveWindow(window);
  }
}

}  // namespace toolkit_internal

using toolkit_internal::DisableTaskWindows;
using toolkit_internal::EnableTaskWindows;

TApplication* Application = &gDefaultApplication;
TScreen* Screen = &gScreen;

// ---------------------------------------------------------------------------

std::string TitleFromExeName(const std::string& exePath) {
  const std::size_t slash = exePath.find_last_of("\\/");
  std::string name = slash == std::string::npos ? exePath : exePath.substr(slash + 1);
  const std::size_t dot = name.find('.');
  if (dot != std::string::npos) name.resize(dot);
  if (name.size() > 1) {
    std::string rest = name.substr(1);
    CharLowerBuffA(rest.data(), static_cast<DWORD>(rest.size()));
    name = name.substr(0, 1) + rest;
  }
  return name;
}

TApplication::TApplication() : TComponent(nullptr), previous_(Application) {
  Application = this;
  SetErrorReport(ReportToApplication);
  DropQuitMessages();
}

TApplication::~TApplication() {
  DestroyComponents();
  DropQuitMessages();
  if (Application == this) Application = previous_;
}

void TApplication::Initialize() {
  // Every control is one of USER32's own classes, so the common-controls
  // library is not needed (nor imported: it is no known DLL, and a copy
  // planted beside the program would be loaded before WinMain runs).
  toolkit_internal::RegisterWindowClasses();
}

void TApplication::Run() {
  if (mainForm_ != nullptr && !terminated_) mainForm_->Show();
  while (!terminated_) HandleMessage();
}

void TApplication::Terminate() {
  if (!terminated_) {
    terminated_ = true;
    PostQuitMessage(0);  // wakes a loop waiting for messages
  }
}

bool TApplication::ProcessMessage() {
  MSG msg;
  if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
  if (msg.message == WM_QUIT) {
    terminated_ = true;
    return true;
  }
  if (msg.hwnd != nullptr) {
    // A system box whose own loop waits under a later modal loop still
    // answers its keys.
    HWND root = GetAncestor(msg.hwnd, GA_ROOT);
    if (toolkit_internal::IsOpenBox(root) && TWinControl::FromHandle(root) == nullptr &&
        IsDialogMessageA(root, &msg)) {
      return true;
    }
  }
  if (msg.hwnd != nullptr && (msg.message == WM_KEYDOWN || msg.message == WM_SYSCHAR || msg.message == WM_CHAR)) {
    HWND root = GetAncestor(msg.hwnd, GA_ROOT);
    if (auto* form = dynamic_cast<TForm*>(TWinControl::FromHandle(root))) {
      if (form->IsDialogKey(msg)) return true;
    }
  }
  TranslateMessage(&msg);
  DispatchMessageA(&msg);
  return true;
}

void TApplication::ProcessMessages() {
  while (ProcessMessage()) {
  }
}

void TApplication::HandleMessage() {
  if (!ProcessMessage() && !terminated_) WaitMessage();
}

std::string TApplication::ExeName() const {
  char path[MAX_PATH + 1] = {};
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  return std::string(path, n);
}

std::string TApplication::Title() const { return titleSet_ ? title_ : TitleFromExeName(ExeName()); }

void TApplication::RegisterForm(TForm* form) { forms_.push_back(form); }

void TApplication::UnregisterForm(TForm* form) {
  forms_.erase(std::remove(forms_.begin(), forms_.end(), form), forms_.end());
  if (mainForm_ == form) mainForm_ = nullptr;
}

// ---------------------------------------------------------------------------

int TScreen::PixelsPerInch() const {
  WindowDC screen;
  return GetDeviceCaps(screen.Get(), LOGPIXELSY);
}
int TScreen::Width() const { return GetSystemMetrics(SM_CXSCREEN); }
int TScreen::Height() const { return GetSystemMetrics(SM_CYSCREEN); }
TRect TScreen::WorkAreaRect() const {
  RECT r{};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &r, 0);
  return TRect::From(r);
}

// ---------------------------------------------------------------------------

TForm::TForm(TComponent* owner) : TWinControl(owner) {
  visible_ = false;
  color_ = clBtnFace;
  parentColor_ = false;
  parentFont_ = false;
  width_ = 320;
  height_ = 240;
  application_ = Application;
  application_->RegisterForm(this);
}

TForm::~TForm() {
  if (application_ != nullptr) application_->UnregisterForm(this);
}

void TForm::AfterConstruction() {
  ScaleTo(Screen->PixelsPerInch());
  HandleNeeded();
  DispatchEvent(OnCreate, this);
}

bool TForm::TakeModalResult(TModalResult result) {
  modalResult_ = result;
  return true;
}

void TForm::CreateParams(TCreateParams& params) {
  params.Style = WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
  params.ExStyle = WS_EX_CONTROLPARENT;
  switch (borderStyle_) {
    case bsNone:
      params.Style |= WS_POPUP;
      break;
    case bsSingle:
      params.Style |= WS_CAPTION | WS_BORDER;
      break;
    case bsSizeable:
      params.Style |= WS_CAPTION | WS_THICKFRAME;
      break;
    case bsDialog:
      params.Style |= WS_POPUP | WS_CAPTION | DS_MODALFRAME;
      params.ExStyle |= WS_EX_DLGMODALFRAME;
      break;
    case bsToolWindow:
      params.Style |= WS_CAPTION;
      params.ExStyle |= WS_EX_TOOLWINDOW;
      break;
    case bsSizeToolWin:
      params.Style |= WS_CAPTION | WS_THICKFRAME;
      params.ExStyle |= WS_EX_TOOLWINDOW;
      break;
  }
  // A close box always; minimise and maximise boxes where the frame has them.
  if (borderStyle_ != bsNone) {
    params.Style |= WS_SYSMENU;
    if (borderStyle_ != bsDialog && borderStyle_ != bsToolWindow && borderStyle_ != bsSizeToolWin) {
      params.Style |= WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
    }
  }
  if (OnTop()) params.ExStyle |= WS_EX_TOPMOST;
  if (!enabled_) params.Style |= WS_DISABLED;
  params.WndParent = nullptr;
}

void TForm::CreateWnd() {
  TWinControl::CreateWnd();
  SetWindowTextA(handle_, caption_.c_str());
  if (pendingClientSize_) {
    const TSize size = *pendingClientSize_;
    pendingClientSize_.reset();
    SetClientSize(size.cx, size.cy);
  }
}

void TForm::ApplyStyle() {
  if (handle_ == nullptr) return;
  const int cw = ClientWidth(), ch = ClientHeight();
  TCreateParams params;
  CreateParams(params);
  LONG_PTR style = static_cast<LONG_PTR>(params.Style);
  if (IsWindowVisible(handle_)) style |= WS_VISIBLE;
  if (!IsWindowEnabled(handle_)) style |= WS_DISABLED;
  SetWindowLongPtrA(handle_, GWL_STYLE, style);
  SetWindowLongPtrA(handle_, GWL_EXSTYLE, static_cast<LONG_PTR>(params.ExStyle & ~WS_EX_TOPMOST));
  SetWindowPos(handle_, formStyle_ == fsStayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  SetClientSize(cw, ch);
}

void TForm::SetBorderStyle(TFormBorderStyle style) {
  if (style == borderStyle_) return;
  borderStyle_ = style;
  ApplyStyle();
}

void TForm::SetFormStyle(TFormStyle style) {
  if (style == formStyle_) return;
  formStyle_ = style;
  ApplyStyle();
}

void TForm::SetPosition(TPosition position) { position_ = position; }

void TForm::SetWindowState(TWindowState state) {
  windowState_ = state;
  if (handle_ != nullptr && visible_) {
    ShowWindow(handle_, state == wsMaximized ? SW_MAXIMIZE : state == wsMinimized ? SW_MINIMIZE : SW_RESTORE);
    if (state == wsMaximized) FillWorkArea();
  }
}

void TForm::SetClientSize(int width, int height) {
  RECT r{0, 0, width, height};
  if (handle_ != nullptr) {
    AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrA(handle_, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrA(handle_, GWL_EXSTYLE)));
  } else {
    TCreateParams params;
    CreateParams(params);
    AdjustWindowRectEx(&r, params.Style, FALSE, params.ExStyle);
  }
  SetBounds(left_, top_, r.right - r.left, r.bottom - r.top);
  // The frame can differ from the estimate (menus wrap, themes): correct it,
  // now or once the window exists.
  if (handle_ != nullptr) {
    const int dw = width - ClientWidth(), dh = height - ClientHeight();
    if (dw != 0 || dh != 0) SetBounds(left_, top_, width_ + dw, height_ + dh);
  } else {
    pendingClientSize_ = TSize{width, height};
  }
}

void TForm::FillWorkArea() {
  // Maximising is the window manager's job under X: without one, Wine puts
  // the window back to its X size (WM_SIZE, SIZE_RESTORED) although nobody
  // restored it. A maximised form that does not cover the work area is then
  // sized here so that its client area does.
  RECT window;
  GetWindowRect(handle_, &window);
  const TRect work = Screen->WorkAreaRect();
  if (window.right - window.left >= work.Width() && window.bottom - window.top >= work.Height()) return;
  // Wine leaves the size of a window in the maximised state to the window
  // manager, so the state bit goes and the window is sized as a normal one.
  const LONG_PTR style = GetWindowLongPtrA(handle_, GWL_STYLE) & ~static_cast<LONG_PTR>(WS_MAXIMIZE);
  SetWindowLongPtrA(handle_, GWL_STYLE, style);
  RECT r = work.ToRECT();
  AdjustWindowRectEx(&r, static_cast<DWORD>(style), FALSE, static_cast<DWORD>(GetWindowLongPtrA(handle_, GWL_EXSTYLE)));
  fillingWorkArea_ = true;
  SetWindowPos(handle_, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
  fillingWorkArea_ = false;
}

void TForm::CenterOnScreen() {
  SetBounds((Screen->Width() - width_) / 2, (Screen->Height() - height_) / 2, width_, height_);
}

void TForm::BoundsChanged() {
  pendingClientSize_.reset();  // the size set last wins
  if (handle_ != nullptr && windowState_ == wsNormal) {
    SetWindowPos(handle_, nullptr, left_, top_, width_, height_, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  ClientSizeChanged();
}

void TForm::TextChanged() {
  if (handle_ != nullptr) SetWindowTextA(handle_, caption_.c_str());
}

void TForm::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  if (visible) {
    if (position_ != poDesigned && windowState_ == wsNormal) CenterOnScreen();
    const int show = windowState_ == wsMaximized ? SW_SHOWMAXIMIZED
                     : windowState_ == wsMinimized ? SW_SHOWMINIMIZED
                                                   : SW_SHOWNORMAL;
    ShowWindow(Handle(), show);
    if (windowState_ == wsMaximized) FillWorkArea();
    if (OnTop()) {
      SetWindowPos(handle_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    // A window made visible takes the keyboard, with the focus on its first
    // control, so Enter and Alt+F4 reach it without a click.
    if (IsWindowEnabled(handle_)) {
      SetActiveWindow(handle_);
      FocusFirstControl();
    }
    DispatchEvent(OnShow, this);
  } else {
    DispatchEvent(OnHide, this);
    if (handle_ != nullptr) ShowWindow(handle_, SW_HIDE);
  }
}

namespace {
void CollectControls(TWinControl* container, std::vector<TControl*>& out);
bool CanFocus(HWND window) { return window != nullptr && IsWindowVisible(window) && IsWindowEnabled(window); }
}  // namespace

void TForm::FocusFirstControl() {
  HWND focus = nullptr;
  if (activeControl_ != nullptr && activeControl_->HandleAllocated() && CanFocus(activeControl_->Handle())) {
    focus = activeControl_->Handle();
  }
  if (focus == nullptr) {
    std::vector<TControl*> all;
    CollectControls(this, all);
    for (TControl* c : all) {
      auto* w = dynamic_cast<TWinControl*>(c);
      if (w != nullptr && w->DefaultFocus() && w->HandleAllocated() && CanFocus(w->Handle())) {
        focus = w->Handle();
        break;
      }
    }
  }
  if (focus == nullptr) focus = GetNextDlgTabItem(handle_, nullptr, FALSE);
  if (focus != nullptr) ::SetFocus(focus);
}

void TForm::Activate() {
  if (handle_ == nullptr || !IsWindowVisible(handle_) || !IsWindowEnabled(handle_)) return;
  SetActiveWindow(handle_);
  // The focus stays where the user left it inside this window.
  HWND focus = GetFocus();
  if (focus == nullptr || !CanFocus(focus) || !IsChild(handle_, focus)) FocusFirstControl();
}

void TForm::Show() {
  SetVisible(true);
  BringToFront();
}

bool TForm::DoClose(TCloseAction& action) {
  if (!OnClose) return true;
  return Application->Dispatch([&] { OnClose(this, action); });
}

void TForm::Close() {
  if (modal_) {
    modalResult_ = mrCancel;
    return;
  }
  TCloseAction action = caHide;
  if (!DoClose(action)) return;  // a failing close handler keeps the window
  if (action == caNone) return;
  if (Application->MainForm() == this) {
    Application->Terminate();
  } else if (action == caMinimize) {
    if (handle_ != nullptr) ShowWindow(handle_, SW_MINIMIZE);
  } else {
    Hide();  // caHide, and caFree: a form never destroys itself
  }
}

void TForm::CloseModal() {
  TCloseAction action = caHide;
  if (!DoClose(action)) action = caNone;
  if (action == caNone) modalResult_ = mrNone;
}

TModalResult TForm::ShowModal() {
  // Only the Enabled property counts: a window that a system box or another
  // modal loop disabled can still be shown modally.
  if (visible_ || !enabled_ || modal_) throw EInvalidOperation("Cannot make a visible window modal");
  // Once the program is ending nothing is shown any more.
  if (Application->Terminated()) {
    modalResult_ = mrCancel;
    return modalResult_;
  }
  modal_ = true;
  if (GetCapture() != nullptr) ReleaseCapture();
  // Owned by the form it is opened from, and stay-on-top when that form is:
  // a window that is not topmost can never rise above a topmost one.
  const HWND from = toolkit_internal::ActiveFormWindow();
  HWND self = Handle();
  if (from != nullptr && from != self) {
    SetWindowLongPtrA(self, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(from));
    modalOnTop_ = (GetWindowLongPtrA(from, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
  }
  const std::vector<HWND> disabled = DisableTaskWindows(self);
  struct EndModal {
    TForm* form;
    HWND from;
    const std::vector<HWND>& disabled;
    ~EndModal() {
      // The others are enabled before this one hides, so that activation
      // can go back to the window this one came from.
      EnableTaskWindows(disabled);
      form->Hide();
      form->modal_ = false;
      HWND self = form->Handle();
      SetWindowLongPtrA(self, GWLP_HWNDPARENT, 0);
      if (form->modalOnTop_ && form->formStyle_ != fsStayOnTop) {
        SetWindowPos(self, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      }
      form->modalOnTop_ = false;
      toolkit_internal::Reactivate(from);
    }
  } endModal{this, from, disabled};

  Show();
  toolkit_internal::RaiseOpenBoxes();
  modalResult_ = mrNone;
  TApplication* app = Application;
  do {
    app->HandleMessage();
    if (app->Terminated()) {
      modalResult_ = mrCancel;
    } else if (modalResult_ != mrNone) {
      CloseModal();
    }
  } while (modalResult_ == mrNone);
  return modalResult_;
}

void TForm::PaintWindow(TCanvas& canvas) {
  canvas.Brush().SetColor(color_);
  canvas.FillRect(ClientRect());
  DispatchEvent(OnPaint, this);
}

UINT DescribeTextsMessage() {
  static const UINT message = RegisterWindowMessageA(kDescribeTextsMessageName);
  return message;
}

std::string TForm::ShownTexts() {
  std::vector<TControl*> all;
  CollectControls(this, all);
  std::string texts;
  for (TControl* c : all) {
    if (!c->Showing()) continue;
    if (const auto text = c->WindowlessText()) texts += *text + "\n";
  }
  return texts;
}

LRESULT TForm::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == DescribeTextsMessage() && message != 0) {
    // Labels have no window of their own: their texts go to the asking
    // window (a screen reader, a test driver) as WM_COPYDATA.
    const std::string texts = ShownTexts();
    COPYDATASTRUCT data{kDescribeTextsData, static_cast<DWORD>(texts.size()),
                        const_cast<char*>(texts.data())};
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(reinterpret_cast<HWND>(wParam), WM_COPYDATA, reinterpret_cast<WPARAM>(handle_),
                        reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG, 2000, &ignored);
    return 1;
  }
  switch (message) {
    case WM_CLOSE:
      Close();
      return 0;
    case WM_ACTIVATE: {
      // The focus leaves with the activation and comes back to the control
      // that had it (a plain window would take the focus itself).
      if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus != nullptr && IsChild(handle_, focus)) savedFocus_ = focus;
        break;
      }
      const LRESULT result = DefaultHandler(message, wParam, lParam);
      if (HIWORD(wParam) == 0) {
        if (savedFocus_ != nullptr && IsWindow(savedFocus_) && IsChild(handle_, savedFocus_) &&
            CanFocus(savedFocus_)) {
          ::SetFocus(savedFocus_);
        } else {
          FocusFirstControl();
        }
      }
      return result;
    }
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_RESTORE) windowState_ = wsNormal;
      break;
    case kFillWorkAreaMessage:
      if (windowState_ == wsMaximized && visible_) FillWorkArea();
      return 0;
    case WM_SIZE: {
      const LRESULT result = DefaultHandler(message, wParam, lParam);
      RECT r;
      GetWindowRect(handle_, &r);
      if (wParam != SIZE_MINIMIZED) {
        if (wParam == SIZE_MAXIMIZED) windowState_ = wsMaximized;
        const TRect work = Screen->WorkAreaRect();
        if (windowState_ == wsMaximized && !fillingWorkArea_ && visible_ &&
            (r.right - r.left < work.Width() || r.bottom - r.top < work.Height())) {
          PostMessageA(handle_, kFillWorkAreaMessage, 0, 0);
        }
        left_ = r.left;
        top_ = r.top;
        width_ = r.right - r.left;
        height_ = r.bottom - r.top;
        ClientSizeChanged();
      }
      return result;
    }
    case WM_MOVE: {
      RECT r;
      GetWindowRect(handle_, &r);
      left_ = r.left;
      top_ = r.top;
      break;
    }
    default:
      break;
  }
  return TWinControl::WndProc(message, wParam, lParam);
}

namespace {
// Every windowed and graphic control under container, depth first.
void CollectControls(TWinControl* container, std::vector<TControl*>& out) {
  for (int i = 0; i < container->ControlCount(); ++i) {
    TControl* c = container->Control(i);
    out.push_back(c);
    if (auto* w = dynamic_cast<TWinControl*>(c)) CollectControls(w, out);
  }
}

// Offers a dialog key or an access key to every control under container that
// takes input, in order, until one acts on it.
template <class Offer>
bool OfferToControls(TWinControl* container, const Offer& offer) {
  std::vector<TControl*> all;
  CollectControls(container, all);
  for (TControl* c : all) {
    if (c->AcceptsInput() && offer(*c)) return true;
  }
  return false;
}
}  // namespace

bool TForm::IsDialogKey(const MSG& message) {
  if (handle_ == nullptr || !IsWindowEnabled(handle_)) return false;
  TWinControl* focused = FromHandle(GetFocus());
  if (message.message == WM_KEYDOWN) {
    if (GetKeyState(VK_MENU) < 0) return false;
    const WPARAM key = message.wParam;
    switch (key) {
      case VK_RETURN:
        if (focused != nullptr && focused->WantsReturn()) return false;
        // The focused control first: a focused button takes Enter itself.
        if (focused != nullptr && focused->AcceptsInput() && focused->DialogKey(key)) return true;
        return OfferToControls(this, [key](TControl& c) { return c.DialogKey(key); });
      case VK_ESCAPE:
        return OfferToControls(this, [key](TControl& c) { return c.DialogKey(key); });
      case VK_TAB: {
        if (GetKeyState(VK_CONTROL) < 0) return false;
        HWND next = GetNextDlgTabItem(handle_, GetFocus(), GetKeyState(VK_SHIFT) < 0);
        if (next != nullptr) ::SetFocus(next);
        return true;
      }
      default:
        return false;
    }
  }
  if (message.message == WM_SYSCHAR || message.message == WM_CHAR) {
    // Plain letters act as access keys only where the focus takes no text.
    if (message.message == WM_CHAR && focused != nullptr && focused->WantsChars()) return false;
    char letter[2] = {static_cast<char>(message.wParam), 0};
    CharLowerA(letter);
    const char accel = letter[0];
    if (accel == 0 || accel == '\r' || accel == '\x1b' || accel == '\t') return false;
    return OfferToControls(this, [accel](TControl& c) { return c.DialogChar(accel); });
  }
  return false;
}
