// Message boxes and message dialogs, all shown through one replaceable
// function so that tests can answer them.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/Controls.h"

class TForm;

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn : unsigned { mbYes = 1, mbNo = 2, mbOK = 4, mbCancel = 8 };
using TMsgDlgButtons = unsigned;
constexpr TMsgDlgButtons mbYesNoCancel = mbYes | mbNo | mbCancel;
constexpr TMsgDlgButtons mbOKCancel = mbOK | mbCancel;

enum class TMessageBoxKind {
  Plain,        // ShowMessage: caption = application title, no icon, OK
  Dialog,       // MessageDlg
  ErrorReport,  // the application's default error report
};

enum class TMessageBoxIcon { None, Error, Warning, Information, Question };

struct TMessageBoxButton {
  std::string Caption;  // "&Yes", "&No", "OK", "Cancel"
  TModalResult Result;
};

// Everything a box shows and how it answers keys.
struct TMessageBoxRequest {
  TMessageBoxKind Kind = TMessageBoxKind::Plain;
  std::string Caption;
  std::string Text;
  TMessageBoxIcon Icon = TMessageBoxIcon::None;
  std::vector<TMessageBoxButton> Buttons;  // in the order shown
  TModalResult EnterResult = mrOk;          // what Enter chooses
  TModalResult EscapeResult = mrOk;         // what Escape (and the close box) chooses
};

// Shows a box and returns the chosen button's result.
using TMessageBoxHandler = std::function<TModalResult(const TMessageBoxRequest&)>;

// Every box the toolkit shows goes through here.
TModalResult ShowMessageBox(const TMessageBoxRequest& request);
// Replaces the handler (empty = the real boxes); returns the previous one.
TMessageBoxHandler SetMessageBoxHandler(TMessageBoxHandler handler);
// The real boxes: the system message box for Plain and ErrorReport, a dialog
// form built by CreateMessageDialog for Dialog.
TModalResult ShowRealMessageBox(const TMessageBoxRequest& request);

// Installs a handler for its lifetime (tests answer boxes with it).
class ScopedMessageBoxHandler {
 public:
  explicit ScopedMessageBoxHandler(TMessageBoxHandler handler)
      : previous_(SetMessageBoxHandler(std::move(handler))) {}
  ~ScopedMessageBoxHandler() { SetMessageBoxHandler(std::move(previous_)); }
  ScopedMessageBoxHandler(const ScopedMessageBoxHandler&) = delete;
  ScopedMessageBoxHandler& operator=(const ScopedMessageBoxHandler&) = delete;

 private:
  TMessageBoxHandler previous_;
};

// The plain message box: application title, no icon, OK.
void ShowMessage(const std::string& text);
// Message dialog by kind: error "Error", information "Information",
// confirmation "Confirm", warning "Warning"; buttons in the order "&Yes",
// "&No", "OK", "Cancel"; Enter chooses OK when present, else Yes; Escape
// chooses Cancel when present, else No, else OK.
TModalResult MessageDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons,
                        int helpContext = 0);
// The request MessageDlg shows (pure; no window).
TMessageBoxRequest MessageDlgRequest(const std::string& text, TMsgDlgType type,
                                     TMsgDlgButtons buttons);
// The dialog form of a Dialog request, centred on the screen, not shown.
std::unique_ptr<TForm> CreateMessageDialog(const TMessageBoxRequest& request);

// The text of the default error report (TApplication::HandleException, which
// is defined here with the other boxes): the message with a full stop added
// when its last character sorts after ".".
std::string ErrorReportText(const std::string& message);
