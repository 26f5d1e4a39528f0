#include "app/Unit1.h"

#include "app/PackageCheck.h"
#include "app/Pictures.h"
#include "app/SetupPaths.h"
#include "app/Texts.h"
#include "runtime/Exceptions.h"
#include "runtime/FileSystem.h"

TForm1* Form1 = nullptr;

IBootWindow& BootWindow() { return *Form1; }

namespace {

// Memo1 as the view of the setup script: the text is converted as a
// multi-line view converts it (cut at a NUL, line breaks made CR LF).
class TMemoScriptView : public IScriptView {
 public:
  explicit TMemoScriptView(TMemo& memo) : memo_(memo) {}
  void SetText(std::string_view text) override {
    const std::string converted = ToMemoText(text);
    const std::string before = memo_.GetText();
    memo_.SetText(converted);
    if (memo_.GetText().size() != converted.size()) {
      memo_.SetText(before);
      throw EInvalidOperation("Text exceeds memo capacity");
    }
  }
  std::string Text() const override { return memo_.GetText(); }

 private:
  TMemo& memo_;
};

void SetFont(TFont& font, const char* name, int height, TFontStyles style = 0) {
  font.SetName(name);
  font.SetHeight(-height);
  font.SetStyle(style);
}

}  // namespace

TForm1::TForm1(TComponent* owner) : TForm(owner) {
  SetName("Form1");
  SetBorderStyle(bsDialog);
  SetCaption("Setup");
  SetColor(clBtnFace);
  SetFont(Font(), "MS Sans Serif", 11);
  SetClientSize(345, 105);
  SetPosition(poScreenCenter);

  Image1 = NewComponent<TImage>(this);
  Image1->SetParent(this);
  Image1->SetBounds(16, 16, 33, 33);
  Image1->SetPictureLoader(LoadSetupIcon);

  Label1 = NewComponent<TLabel>(this);
  Label1->SetParent(this);
  Label1->SetAutoSize(false);
  Label1->SetWordWrap(true);
  Label1->SetBounds(64, 16, 265, 49);
  Label1->SetCaption(texts::kBootPreparing);

  Panel1 = NewComponent<TPanel>(this);
  Panel1->SetParent(this);
  Panel1->SetBounds(64, 72, 252, 21);
  Panel1->SetBevelOuter(bvNone);
  Panel1->SetBorderStyle(bsSingle);
  Panel1->SetCaption("");

  Gauge1 = NewComponent<TGauge>(Panel1);
  Gauge1->SetParent(Panel1);
  Gauge1->SetBounds(-1, -1, 250, 19);
  Gauge1->SetForeColor(clNavy);
  SetFont(Gauge1->Font(), "System", 11, fsBold);

  Memo1 = NewComponent<TMemo>(this);
  Memo1->SetParent(this);
  Memo1->SetBounds(344, 104, 97, 81);
  Memo1->SetVisible(false);
  Memo1->SetText("Memo1\r\n");
  scriptView_ = std::make_unique<TMemoScriptView>(*Memo1);

  Timer1 = NewComponent<TTimer>(this);
  Timer1->SetInterval(1);
  Timer1->OnTimer = [this](TObject* s) { Timer1Timer(s); };

  OnShow = [this](TObject* s) { FormShow(s); };
  OnClose = [this](TObject* s, TCloseAction& a) { FormClose(s, a); };
}

void TForm1::FormShow(TObject*) {
  const TSetupPaths& paths = SetupPaths();
  if (!paths.exeDirPlain) {
    // The files are there, but no 8-bit path leads to them.
    Timer1->SetEnabled(false);
    ShowMessage(texts::FolderNotPlain(paths.exeDir));
    Close();
    return;
  }
  // Checked before it is decompressed: nothing is written from a changed one.
  if (const std::string script = paths.exeDir + "SETUP.INS"; !DataFileMatches(script)) {
    Timer1->SetEnabled(false);
    ShowMessage(texts::DataFileChanged(script));
    Close();
    return;
  }
  const bool loaded = LoadSetupScript(paths.exeDir, *scriptView_, paths.tempScript);
  LetGoOfDataFile(paths.exeDir + "SETUP.INS");
  if (!loaded) {
    Timer1->SetEnabled(false);
    ShowMessage(texts::CorruptIn(paths.exeDir, InTemporaryFolder(paths.exeDir)));
    Close();
    return;
  }
  WizardWindow().SetProductTexts(ReadSetupSetting("App101", paths.tempScript));
  WizardWindow().SetDestination(ReadSetupSetting("DestDir102", paths.tempScript));
  BackdropWindow().SetTitle(ReadSetupSetting("Title103", paths.tempScript));
}

void TForm1::Timer1Timer(TObject*) {
  Gauge1->AdvanceProgress(1);
  if (Gauge1->Progress() == 99) {
    Sleep(HandOverPauseMs);
    Gauge1->SetProgress(100);
    Sleep(FullGaugePauseMs);
    Hide();
    BackdropWindow().ShowBackdrop();
    WizardWindow().OpenWizard();
  }
  if (Gauge1->Progress() == 100 && !WizardWindow().WizardShowing()) WizardWindow().OpenWizard();
}

void TForm1::FormClose(TObject*, TCloseAction&) { RemoveFile(SetupPaths().tempScriptAtClose); }

void TForm1::PauseBootTimer() { Timer1->SetEnabled(false); }

void TForm1::ResumeBootTimer() { Timer1->SetEnabled(true); }

void TForm1::EndSetup() { Close(); }
