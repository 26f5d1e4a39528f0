#include "app/Unit3.h"

#include "app/Texts.h"
#include "runtime/Exceptions.h"
#include "runtime/FileSystem.h"

TForm3* Form3 = nullptr;

ITransferWindow& TransferWindow() { return *Form3; }

TForm3::TForm3(TComponent* owner) : TForm(owner) {
  SetName("Form3");
  SetBorderStyle(bsNone);
  SetColor(clBtnFace);
  Font().SetName("MS Sans Serif");
  Font().SetHeight(-11);
  SetClientSize(433, 138);
  SetPosition(poScreenCenter);

  Panel1 = NewComponent<TPanel>(this);
  Panel1->SetParent(this);
  Panel1->SetBounds(0, 0, 433, 138);
  Panel1->SetAlign(alClient);
  Panel1->SetBevelInner(bvRaised);
  Panel1->SetBevelOuter(bvNone);
  Panel1->SetBevelWidth(2);
  Panel1->SetCaption("");

  Label1 = NewComponent<TLabel>(this);
  Label1->SetParent(Panel1);
  Label1->SetAutoSize(false);
  Label1->SetWordWrap(true);
  Label1->SetBounds(16, 8, 401, 41);
  Label1->SetParentFont(false);
  Label1->Font().SetName("MS Sans Serif");
  Label1->Font().SetHeight(-13);
  Label1->SetCaption(texts::kTransferOf);

  Panel2 = NewComponent<TPanel>(this);
  Panel2->SetParent(Panel1);
  Panel2->SetBounds(24, 51, 393, 33);
  Panel2->SetBevelOuter(bvNone);
  Panel2->SetBorderStyle(bsSingle);
  Panel2->SetCaption("");

  Gauge1 = NewComponent<TGauge>(Panel2);
  Gauge1->SetParent(Panel2);
  Gauge1->SetBounds(0, 0, 393, 33);
  Gauge1->SetForeColor(clNavy);
  Gauge1->Font().SetName("System");
  Gauge1->Font().SetHeight(-11);
  Gauge1->Font().SetStyle(fsBold);

  Button1 = NewComponent<TButton>(this);
  Button1->SetParent(Panel1);
  Button1->SetBounds(168, 96, 105, 25);
  Button1->SetCaption("Cancel");
  Button1->SetDefault(true);
  Button1->SetParentFont(false);
  Button1->Font().SetName("MS Sans Serif");
  Button1->Font().SetHeight(-13);
  Button1->OnClick = [this](TObject* s) { Button1Click(s); };

  BackupFile1.SetBackupMode(TBackupMode::bmAll);
  BackupFile1.SetCompressionLevel(TCompressionLevel::clMax);
  BackupFile1.SetRestoreMode(TRestoreMode::rmAll);
  BackupFile1.SetMaxSize(0);
  BackupFile1.SetSetArchiveFlag(true);
  BackupFile1.SetRestoreFullPath(false);
  BackupFile1.SetSaveFileID(true);
  BackupFile1.SetUi(&restoreUi_);
  BackupFile1.OnProgress = [this](TBackupFile& s, const std::string& f, TPercentage p, bool& c) {
    Application->Dispatch([&] { BackupFile1Progress(s, f, p, c); });
  };
  BackupFile1.OnFileRestored = [this](TBackupFile& s, std::string& f,
                                      std::unique_ptr<TFileStream>& stream) {
    Application->Dispatch([&] { BackupFile1FileRestored(s, f, stream); });
  };
  BackupFile1.OnError = [this](TBackupFile& s, const std::int32_t e, const std::string& text) {
    Application->Dispatch([&] { BackupFile1Error(s, e, text); });
  };

  OnCreate = [this](TObject* s) { FormCreate(s); };
  OnClose = [this](TObject* s, TCloseAction& a) { FormClose(s, a); };
}

// The wizard exists already: it is created before this window.
void TForm3::FormCreate(TObject*) { WizardWindow().ClearWizardFlags(); }

// Cancel asks whether to leave Setup; the restore waits meanwhile. Exit Setup
// ends the program, and the next progress report stops the restore.
void TForm3::Button1Click(TObject*) { ExitWindow().AskToExit(); }

TransferOutcome TForm3::Transfer(const std::string& archive, const std::string& destination) {
  outcome_ = {};
  reports_ = 0;
  Show();
  bool returned = false;
  try {
    outcome_.restored = BackupFile1.Restore(archive, destination);
    outcome_.hadData = BackupFile1.ProgressBase() > 0;
    outcome_.failure = FailureText();
    returned = true;
    // A missing first volume is the one run that returns without a single
    // report, and the restore passes over it without a word.
    if (!outcome_.restored && reports_ == 0 && !Application->Terminated()) {
      throw EFOpenError(ExpandFileName(archive), SysErrorMessage(ERROR_FILE_NOT_FOUND));
    }
  } catch (const std::exception& error) {
    Application->HandleException(error);
  }
  if (!returned) outcome_.wizardBack = false;
  outcome_.created = BackupFile1.Outcome().created;
  return outcome_;
}

// A close request while the transfer runs (Alt+F4) is the user's cancel: the
// window stays, and the question comes as from Cancel. At 100 percent the
// window closes, which hides it.
void TForm3::FormClose(TObject* Sender, TCloseAction& Action) {
  if (outcome_.wizardBack) return;
  Action = caNone;
  Button1Click(Sender);
}

void TForm3::BackupFile1Progress(TBackupFile&, const std::string&, TPercentage Percent,
                                 bool& Continue) {
  ++reports_;
  if (Application->Terminated()) {
    Continue = false;
    return;
  }
  Gauge1->SetProgress(Percent);
  // The gauge's range ends at 100: this is the report that fills it.
  if (Percent >= 100) {
    outcome_.wizardBack = true;
    WizardWindow().ShowCompletePage();
    BootWindow().ResumeBootTimer();
    Close();
  }
}

void TForm3::BackupFile1FileRestored(TBackupFile&, std::string& Filename,
                                     std::unique_ptr<TFileStream>&) {
  ++outcome_.filesWritten;
  Label1->SetCaption(texts::kTransferOf + Filename);
}

// The code's message, and what the engine knows: the file and the reason.
void TForm3::BackupFile1Error(TBackupFile&, const std::int32_t, const std::string& ErrString) {
  const std::string why = FailureText();
  WizardWindow().ShowNotFinished(why);
  ShowMessage(why.empty() ? ErrString : ErrString + "\r\n\r\n" + why);
}

std::string TForm3::FailureText() const {
  const RestoreOutcome& outcome = BackupFile1.Outcome();
  if (outcome.file.empty() || outcome.reason.empty()) return {};
  return ExpandFileName(outcome.file) + ": " + outcome.reason;
}
