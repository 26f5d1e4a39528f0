#include "toolkit/Dialogs.h"

#include <algorithm>

#include "toolkit/ExtCtrls.h"
#include "toolkit/Forms.h"
#include "toolkit/Internal.h"
#include "toolkit/StdCtrls.h"

namespace {
TMessageBoxHandler& Handler() {
  static TMessageBoxHandler handler;
  return handler;
}

UINT IconFlag(TMessageBoxIcon icon) {
  switch (icon) {
    case TMessageBoxIcon::Error: return MB_ICONERROR;
    case TMessageBoxIcon::Warning: return MB_ICONWARNING;
    case TMessageBoxIcon::Information: return MB_ICONINFORMATION;
    case TMessageBoxIcon::Question: return MB_ICONQUESTION;
    case TMessageBoxIcon::None: break;
  }
  return 0;
}

LPCSTR SystemIcon(TMessageBoxIcon icon) {
  switch (icon) {
    case TMessageBoxIcon::Error: return IDI_HAND;
    case TMessageBoxIcon::Warning: return IDI_EXCLAMATION;
    case TMessageBoxIcon::Information: return IDI_ASTERISK;
    case TMessageBoxIcon::Question: return IDI_QUESTION;
    case TMessageBoxIcon::None: break;
  }
  return nullptr;
}
// Learns the window of the system box that MessageBoxA is about to create:
// the first top-level window created on this thread while it is installed.
class BoxCapture {
 public:
  BoxCapture() {
    current_ = this;
    hook_ = SetWindowsHookExA(WH_CBT, Hook, nullptr, GetCurrentThreadId());
  }
  ~BoxCapture() {
    Unhook();
    if (box_ != nullptr) toolkit_internal::RemoveOpenBox(box_);
    current_ = nullptr;
  }
  BoxCapture(const BoxCapture&) = delete;
  BoxCapture& operator=(const BoxCapture&) = delete;

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
    BoxCapture* self = current_;
    if (code == HCBT_CREATEWND && self != nullptr && self->box_ == nullptr) {
      const auto* create = reinterpret_cast<CBT_CREATEWNDA*>(lParam);
      if ((create->lpcs->style & WS_CHILD) == 0) {
        self->box_ = reinterpret_cast<HWND>(wParam);
        toolkit_internal::AddOpenBox(self->box_);
        self->Unhook();
        return 0;
      }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }
  void Unhook() {
    if (hook_ != nullptr) UnhookWindowsHookEx(hook_);
    hook_ = nullptr;
  }

  static inline thread_local BoxCapture* current_ = nullptr;
  HHOOK hook_ = nullptr;
  HWND box_ = nullptr;
};

// An open box for the lifetime of a message dialog's modal run.
struct OpenBoxScope {
  HWND box;
  explicit OpenBoxScope(HWND window) : box(window) { toolkit_internal::AddOpenBox(box); }
  ~OpenBoxScope() { toolkit_internal::RemoveOpenBox(box); }
  OpenBoxScope(const OpenBoxScope&) = delete;
  OpenBoxScope& operator=(const OpenBoxScope&) = delete;
};
}  // namespace

TMessageBoxHandler SetMessageBoxHandler(TMessageBoxHandler handler) {
  TMessageBoxHandler previous = std::move(Handler());
  Handler() = std::move(handler);
  return previous;
}

TModalResult ShowMessageBox(const TMessageBoxRequest& request) {
  if (Handler()) return Handler()(request);
  return ShowRealMessageBox(request);
}

TModalResult ShowRealMessageBox(const TMessageBoxRequest& request) {
  if (request.Kind == TMessageBoxKind::Dialog) {
    std::unique_ptr<TForm> dialog = CreateMessageDialog(request);
    const OpenBoxScope open(dialog->Handle());
    const TModalResult result = dialog->ShowModal();
    // The close box (and a program that is ending) answer like Escape.
    const bool known = std::any_of(request.Buttons.begin(), request.Buttons.end(),
                                   [&](const TMessageBoxButton& b) { return b.Result == result; });
    return known ? result : request.EscapeResult;
  }
  // Modal as the toolkit's own loops are: only the windows that are visible
  // and enabled now are disabled, and a modal loop that starts while the box
  // is up leaves it enabled (a task-modal box would disable every window of
  // the thread, hidden ones too, so that no form could be shown modally
  // until it is answered). No owner, so it is centred on the screen; topmost
  // so that a stay-on-top window cannot hide it.
  const HWND from = toolkit_internal::ActiveFormWindow();
  const std::vector<HWND> disabled = toolkit_internal::DisableTaskWindows(nullptr);
  int answer = 0;
  {
    const BoxCapture capture;
    answer = MessageBoxA(nullptr, request.Text.c_str(), request.Caption.c_str(),
                         MB_OK | IconFlag(request.Icon) | MB_TOPMOST | MB_SETFOREGROUND);
  }
  toolkit_internal::EnableTaskWindows(disabled);
  toolkit_internal::Reactivate(from);
  return answer == 0 ? mrCancel : mrOk;
}

std::string ErrorReportText(const std::string& message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > static_cast<unsigned char>('.')) {
    return message + ".";
  }
  return message;
}

void TApplication::HandleException(const std::exception& error) {
  TMessageBoxRequest request;
  request.Kind = TMessageBoxKind::ErrorReport;
  request.Caption = Title();
  request.Text = ErrorReportText(error.what());
  request.Icon = TMessageBoxIcon::Error;
  request.Buttons = {{"OK", mrOk}};
  request.EnterResult = mrOk;
  request.EscapeResult = mrOk;
  ShowMessageBox(request);
}

void ShowMessage(const std::string& text) {
  TMessageBoxRequest request;
  request.Kind = TMessageBoxKind::Plain;
  request.Caption = Application->Title();
  request.Text = text;
  request.Icon = TMessageBoxIcon::None;
  request.Buttons = {{"OK", mrOk}};
  request.EnterResult = mrOk;
  request.EscapeResult = mrOk;
  ShowMessageBox(request);
}

TMessageBoxRequest MessageDlgRequest(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons) {
  TMessageBoxRequest request;
  request.Kind = TMessageBoxKind::Dialog;
  request.Text = text;
  switch (type) {
    case mtWarning:
      request.Caption = "Warning";
      request.Icon = TMessageBoxIcon::Warning;
      break;
    case mtError:
      request.Caption = "Error";
      request.Icon = TMessageBoxIcon::Error;
      break;
    case mtInformation:
      request.Caption = "Information";
      request.Icon = TMessageBoxIcon::Information;
      break;
    case mtConfirmation:
      request.Caption = "Confirm";
      request.Icon = TMessageBoxIcon::Question;
      break;
    case mtCustom:
      request.Caption = Application->Title();
      request.Icon = TMessageBoxIcon::None;
      break;
  }
  if (buttons & mbYes) request.Buttons.push_back({"&Yes", mrYes});
  if (buttons & mbNo) request.Buttons.push_back({"&No", mrNo});
  if (buttons & mbOK) request.Buttons.push_back({"OK", mrOk});
  if (buttons & mbCancel) request.Buttons.push_back({"Cancel", mrCancel});
  if (request.Buttons.empty()) {
    // A dialog without buttons could never be answered.
    request.Buttons.push_back({"OK", mrOk});
    buttons = mbOK;
  }
  request.EnterResult = (buttons & mbOK) ? mrOk : (buttons & mbYes) ? mrYes : request.Buttons.front().Result;
  request.EscapeResult = (buttons & mbCancel) ? mrCancel
                         : (buttons & mbNo)   ? mrNo
                         : (buttons & mbOK)   ? mrOk
                                              : request.Buttons.back().Result;
  return request;
}

TModalResult MessageDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons, int helpContext) {
  (void)helpContext;
  return ShowMessageBox(MessageDlgRequest(text, type, buttons));
}

std::unique_ptr<TForm> CreateMessageDialog(const TMessageBoxRequest& request) {
  auto dialog = MakeComponent<TForm>();
  TForm& form = *dialog;
  form.SetBorderStyle(bsDialog);
  form.SetFormStyle(fsStayOnTop);
  form.SetCaption(request.Caption);
  form.SetPosition(poScreenCenter);

  // Built after the form was scaled to the screen: its numbers, given at 96
  // pixels per inch, are scaled here (the text is measured in the form's
  // scaled font); the system's icon keeps its size.
  const int ppi = form.PixelsPerInch();
  const int margin = ScaleForPixelsPerInch(12, ppi), buttonWidth = ScaleForPixelsPerInch(75, ppi),
            buttonHeight = ScaleForPixelsPerInch(25, ppi), gap = ScaleForPixelsPerInch(8, ppi);
  const int iconSize = GetSystemMetrics(SM_CXICON);
  int textLeft = margin;
  int iconHeight = 0;
  if (LPCSTR id = SystemIcon(request.Icon)) {
    auto* image = NewComponent<TImage>(&form);
    image->SetName("Image");
    image->Picture().Icon().SetHandle(CopyIcon(LoadIcon(nullptr, id)));
    image->SetBounds(margin, margin, iconSize, iconSize);
    image->SetParent(&form);
    textLeft = margin + iconSize + margin;
    iconHeight = iconSize;
  }

  auto* label = NewComponent<TLabel>(&form);
  label->SetName("Message");
  label->SetShowAccelChar(false);
  label->SetAutoSize(false);
  label->SetWordWrap(true);
  // Measure the text at most 360 px (at 96 pixels per inch) wide.
  TRect measure = Rect(0, 0, ScaleForPixelsPerInch(360, ppi), 0);
  label->Canvas().Font().Assign(form.Font());
  label->Canvas().DrawText(request.Text.empty() ? " " : request.Text, measure,
                           DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
  label->SetBounds(textLeft, margin + (iconHeight > measure.Height() ? (iconHeight - measure.Height()) / 2 : 0),
                   measure.Width(), measure.Height());
  label->SetCaption(request.Text);
  label->SetParent(&form);

  const int count = static_cast<int>(request.Buttons.size());
  const int buttonsWidth = count * buttonWidth + (count - 1) * gap;
  const int contentWidth = std::max(textLeft + measure.Width() + margin, buttonsWidth + 2 * margin);
  const int buttonsTop = margin + std::max(iconHeight, measure.Height()) + margin + 4;
  form.SetClientSize(std::max(contentWidth, ScaleForPixelsPerInch(200, ppi)), buttonsTop + buttonHeight + margin);

  int x = (form.ClientWidth() - buttonsWidth) / 2;
  TButton* first = nullptr;
  for (const auto& b : request.Buttons) {
    auto* button = NewComponent<TButton>(&form);
    button->SetName("Button" + std::to_string(b.Result));
    button->SetCaption(b.Caption);
    button->SetModalResult(b.Result);
    button->SetDefault(b.Result == request.EnterResult);
    button->SetCancel(b.Result == request.EscapeResult);
    button->SetBounds(x, buttonsTop, buttonWidth, buttonHeight);
    button->SetParent(&form);
    if (b.Result == request.EnterResult) form.SetActiveControl(button);
    if (first == nullptr) first = button;
    x += buttonWidth + gap;
  }
  if (form.ActiveControl() == nullptr) form.SetActiveControl(first);
  form.CenterOnScreen();
  return dialog;
}
