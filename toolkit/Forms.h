// Forms, the application object and its message loops, the screen.
#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "toolkit/Controls.h"
#include "toolkit/Dispatch.h"

enum TCloseAction { caNone, caHide, caFree, caMinimize };
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TPosition { poDesigned, poScreenCenter, poDesktopCenter };
enum TFormStyle { fsNormal, fsStayOnTop };

using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;

class TApplication;

// A top-level window. Created hidden; its window is created once the form is
// fully constructed (AfterConstruction), so that the CreateParams and
// CreateWnd of a derived form take part.
//
// Window behaviour:
// - ShowModal fails with EInvalidOperation "Cannot make a visible window
//   modal" if the form is visible, disabled or already modal. Otherwise it
//   marks the form modal, disables the program's other visible windows
//   (message boxes that are up excepted), makes the form visible (OnShow),
//   sets ModalResult to 0 and runs a nested loop. Only the Enabled property
//   counts as disabled. While modal, the form is owned by the form it was
//   opened from (the active one) and is stay-on-top when that one is. Once
//   the program is ending it returns mrCancel at once, showing nothing.
//   After each message: if the program is ending the result becomes mrCancel
//   and the loop ends without OnClose; otherwise a non-zero ModalResult runs
//   OnClose with the action preset to caHide (caNone sets the result back to
//   0 and the loop goes on). At the end the other windows are enabled again,
//   the form is hidden, the form it came from is active again and the result
//   is returned.
// - A form made visible becomes the active window, its ActiveControl, default
//   button or first control focused.
// - Close on a modal form only sets ModalResult to mrCancel. On another form
//   it runs OnClose (preset caHide); unless the action is caNone, the main
//   form then terminates the application and any other form is hidden.
// - Hiding a modal form does not end its loop; showing it again resumes it.
//   OnShow runs every time the form becomes visible.
class TForm : public TWinControl {
 public:
  explicit TForm(TComponent* owner);
  ~TForm() override;

  void AfterConstruction() override;  // creates the window, dispatches OnCreate

  void SetVisible(bool visible) override;
  // Makes the form visible and brings it to the front (also when it is
  // visible already).
  void Show();
  void Close();
  // Makes this visible, enabled form the active window; the focus stays on
  // the control that has it, else goes to the first control (see
  // FocusFirstControl).
  void Activate();
  TModalResult ShowModal();
  bool Modal() const { return modal_; }
  TModalResult ModalResult() const { return modalResult_; }
  void SetModalResult(TModalResult result) { modalResult_ = result; }

  TFormBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TFormBorderStyle style);
  TFormStyle FormStyle() const { return formStyle_; }
  void SetFormStyle(TFormStyle style);
  TPosition Position() const { return position_; }
  void SetPosition(TPosition position);
  TWindowState WindowState() const { return windowState_; }
  void SetWindowState(TWindowState state);
  // Client size in pixels (the window grows by the frame).
  void SetClientSize(int width, int height);
  // Moves the window to the middle of the screen's work area.
  void CenterOnScreen();
  // Lays the form out for ppi pixels per inch: its client size, its
  // controls' bounds, fonts and metrics, all given at 96, are scaled by
  // ScaleForPixelsPerInch, and a centred form is centred again. A form is
  // scaled once: AfterConstruction does it for the screen, before the
  // window exists; a form laid out for another density already stays so.
  void ScaleTo(int ppi);

  // The control that gets the focus when the form is shown.
  TWinControl* ActiveControl() const { return activeControl_; }
  void SetActiveControl(TWinControl* control) { activeControl_ = control; }

  // Dialog keys of this form (used by the application's loops): Enter
  // presses the focused button or else the default button, Escape the
  // cancel button, Tab moves the focus, Alt+letter (or the letter when the
  // focused control takes no typed letters) presses or focuses the control
  // whose caption marks that letter with "&". The controls answer through
  // their DialogKey and DialogChar. Returns true when the key was consumed.
  bool IsDialogKey(const MSG& message);

  // Takes a button's ModalResult.
  bool TakeModalResult(TModalResult result) override;

  TNotifyEvent OnCreate;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TCloseEvent OnClose;
  TNotifyEvent OnPaint;

  TCanvas& Canvas() { return paintCanvas_; }

  // The captions of the labels that show now, each followed by a line break;
  // what the form answers to DescribeTextsMessage() (toolkit/DescribeTexts.h).
  std::string ShownTexts();

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void PaintWindow(TCanvas& canvas) override;
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  void TextChanged() override;
  void BoundsChanged() override;
  void VisibleChanged() override {}

 private:
  void CloseModal();
  // Focuses ActiveControl, else the default button, else the first control
  // in tab order.
  void FocusFirstControl();
  bool OnTop() const { return formStyle_ == fsStayOnTop || modalOnTop_; }
  bool DoClose(TCloseAction& action);
  void ApplyStyle();
  void FillWorkArea();

  bool modal_ = false;
  TModalResult modalResult_ = mrNone;
  TFormBorderStyle borderStyle_ = bsSizeable;
  TFormStyle formStyle_ = fsNormal;
  TPosition position_ = poDesigned;
  TWindowState windowState_ = wsNormal;
  TWinControl* activeControl_ = nullptr;
  TApplication* application_ = nullptr;
  bool fillingWorkArea_ = false;
  // Stay-on-top for one modal run, because the form it was opened from is.
  bool modalOnTop_ = false;
  // The control that had the focus when the form was last deactivated.
  HWND savedFocus_ = nullptr;
  // A client size asked for before the window existed, whose frame was only
  // estimated; applied again once the window is there.
  std::optional<TSize> pendingClientSize_;
};

// ---------------------------------------------------------------------------

class TApplication : public TComponent {
 public:
  // The application constructed last is the global Application until it is
  // destroyed (then the previous one is again); tests construct their own to
  // start from a clean state.
  TApplication();
  ~TApplication() override;

  void Initialize();

  // Creates a form owned by the application; the first becomes MainForm.
  // *reference is set before OnCreate runs.
  template <class T>
  T* CreateForm(T** reference = nullptr) {
    auto form = std::make_unique<T>(this);
    T* result = form.get();
    if (reference != nullptr) *reference = result;
    if (mainForm_ == nullptr) mainForm_ = result;
    InsertComponent(std::move(form));
    result->AfterConstruction();
    return result;
  }

  // Shows the main form, then handles messages until Terminated.
  void Run();
  void Terminate();
  bool Terminated() const { return terminated_; }
  // Handles every pending message, then returns.
  void ProcessMessages();
  // Handles one message, waiting for one when none is pending (not once the
  // program is ending).
  void HandleMessage();

  // The default error report: a message box with Title as caption, the error
  // icon and OK; the text is ErrorReportText of the message (Dialogs.h, where
  // the report is defined with the other boxes). Installed as the error
  // report of Dispatch while this is the global Application.
  void HandleException(const std::exception& error);
  // Runs the handler through the dispatch point (Dispatch.h). Returns false
  // when the handler failed.
  bool Dispatch(const std::function<void()>& handler) { return ::Dispatch(handler); }

  TForm* MainForm() const { return mainForm_; }
  std::string ExeName() const;
  // The executable's name up to its first ".", first character kept, the rest
  // in lower case, unless set.
  std::string Title() const;
  void SetTitle(const std::string& title) { title_ = title; titleSet_ = true; }
  HINSTANCE Instance() const { return GetModuleHandleA(nullptr); }

  // Used by the toolkit.
  bool ProcessMessage();
  void RegisterForm(TForm* form);
  void UnregisterForm(TForm* form);
  const std::vector<TForm*>& Forms() const { return forms_; }

 private:
  TApplication* previous_;
  TForm* mainForm_ = nullptr;
  bool terminated_ = false;
  bool titleSet_ = false;
  std::string title_;
  std::vector<TForm*> forms_;
};

extern TApplication* Application;

// The registered message by which another program asks a form for the texts
// of its labels (see TForm::ShownTexts).
UINT DescribeTextsMessage();

// The title rule: the executable's file name up to its first ".", its first
// character unchanged and the rest in lower case.
std::string TitleFromExeName(const std::string& exePath);

// ---------------------------------------------------------------------------

class TScreen {
 public:
  int PixelsPerInch() const;
  int Width() const;
  int Height() const;
  TRect WorkAreaRect() const;
};

extern TScreen* Screen;
