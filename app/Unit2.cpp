#include "app/Unit2.h"

#include "app/PackageCheck.h"
#include "app/Pictures.h"
#include "app/SetupPaths.h"
#include "app/Texts.h"
#include "backup/RecordReader.h"
#include "runtime/Exceptions.h"
#include "runtime/FileSystem.h"
#include "script/SetupScript.h"
#include "widgets/FileCtrl.h"

bool LicenseSwitch = false;
bool TransferDone = false;
TForm2* Form2 = nullptr;

IWizardWindow& WizardWindow() { return *Form2; }

namespace {

constexpr int kWelcome = 0, kLicense = 1, kDestination = 2, kComplete = 3;

// What each page shows in the wizard's buttons and caption. Back is always
// visible once a page has been left. A null Cancel hides the Cancel button
// (after Next); a null caption leaves the window's caption as it is. Back
// never changes the caption, and Welcome never follows a Next.
struct PageRow {
  bool backEnabled;
  const std::string* next;
  const std::string* cancel;
  const std::string* caption;
};
constexpr PageRow kPages[] = {
    /* Welcome */ {false, &texts::kNext, &texts::kCancel, nullptr},
    /* License */ {true, &texts::kYes, &texts::kNo, &texts::kLicenseCaption},
    /* Destination */ {true, &texts::kNext, &texts::kCancel, &texts::kDestinationCaption},
    /* Complete */ {false, &texts::kFinish, nullptr, nullptr},
};

TLabel* AddLabel(TComponent* owner, TWinControl* parent, int l, int t, int w, int h,
                 const std::string& text) {
  auto* label = NewComponent<TLabel>(owner);
  label->SetParent(parent);
  label->SetAutoSize(false);
  label->SetWordWrap(true);
  label->SetBounds(l, t, w, h);
  label->SetCaption(text);
  return label;
}

TButton* AddButton(TComponent* owner, TWinControl* parent, int l, int t, const std::string& text) {
  auto* button = NewComponent<TButton>(owner);
  button->SetParent(parent);
  button->SetBounds(l, t, 75, 25);
  button->SetCaption(text);
  return button;
}

// The teal side panel with the side picture.
TPanel* AddSidePanel(TComponent* owner, TWinControl* page, TImage*& image, bool fixedHeight) {
  auto* panel = NewComponent<TPanel>(owner);
  panel->SetParent(page);
  panel->SetBounds(0, 0, 119, 266);
  panel->SetBevelOuter(bvLowered);
  panel->SetColor(clTeal);
  panel->SetCaption("");
  image = NewComponent<TImage>(owner);
  image->SetParent(panel);
  image->SetPictureLoader(LoadSidePicture);
  if (fixedHeight) {
    image->SetAutoSize(false);
    image->SetBounds(1, 1, 117, 224);
  } else {
    image->SetAutoSize(true);
    image->SetBounds(1, 1, 117, 231);
  }
  return panel;
}

}  // namespace

TForm2::TForm2(TComponent* owner) : TForm(owner) {
  SetName("Form2");
  SetBorderStyle(bsDialog);
  SetFormStyle(fsStayOnTop);
  SetCaption("Welcome");
  SetColor(clBtnFace);
  Font().SetName("MS Sans Serif");
  Font().SetHeight(-11);
  SetClientSize(471, 330);
  SetPosition(poScreenCenter);

  Notebook1 = NewComponent<TNotebook>(this);
  Notebook1->SetParent(this);
  Notebook1->SetBounds(16, 15, 441, 266);
  for (const char* page : {"Welcome", "License", "Destination", "Complete"}) Notebook1->AddPage(page);
  TWinControl* welcome = Notebook1->Page(kWelcome);
  TWinControl* license = Notebook1->Page(kLicense);
  TWinControl* destination = Notebook1->Page(kDestination);
  TWinControl* complete = Notebook1->Page(kComplete);

  Label10 = NewComponent<TLabel>(this);
  Label10->SetParent(this);
  Label10->SetBounds(14, 282, 50, 13);
  Label10->SetCaption("Calderwick");
  Label10->SetEnabled(false);

  Bevel1 = NewComponent<TBevel>(this);
  Bevel1->SetParent(this);
  Bevel1->SetBounds(72, 288, 385, 2);
  Bevel1->SetShape(bsTopLine);
  Bevel1->SetStyle(bsLowered);

  Button3 = AddButton(this, this, 217, 296, texts::kBack);
  Button3->SetVisible(false);
  Button2 = AddButton(this, this, 292, 296, texts::kNext);
  Button2->SetDefault(true);
  Button1 = AddButton(this, this, 381, 296, texts::kCancel);

  Panel1 = AddSidePanel(this, welcome, Image1, false);
  Label1 = AddLabel(this, welcome, 136, 0, 265, 33, texts::kWelcomeDesign);
  Label2 = AddLabel(this, welcome, 136, 40, 305, 185, texts::kWelcomeAdvice);

  Image3 = NewComponent<TImage>(this);
  Image3->SetParent(license);
  Image3->SetBounds(6, 0, 33, 33);
  Image3->SetPictureLoader(LoadSetupIcon);
  Label3 = AddLabel(this, license, 53, 0, 385, 33, texts::kLicenseIntro);
  Memo1 = NewComponent<TMemo>(this);
  Memo1->SetParent(license);
  Memo1->SetBounds(0, 40, 441, 181);
  Memo1->SetColor(static_cast<TColor>(0xFF000000 | COLOR_MENUBAR));
  Memo1->SetScrollBars(ssVertical);
  Memo1->SetText("Memo1");
  Label4 = AddLabel(this, license, 0, 232, 441, 33, texts::kLicenseDesign);

  Panel2 = AddSidePanel(this, destination, Image4, false);
  Label8 = AddLabel(this, destination, 136, 0, 305, 33, texts::kDestinationDesign);
  Label9 = AddLabel(this, destination, 136, 40, 305, 81, texts::kDestinationAdvice);
  GroupBox1 = NewComponent<TGroupBox>(this);
  GroupBox1->SetParent(destination);
  GroupBox1->SetBounds(128, 216, 313, 49);
  GroupBox1->SetCaption("Destination Directory");
  Label5 = NewComponent<TLabel>(this);
  Label5->SetParent(GroupBox1);
  Label5->SetAutoSize(true);
  Label5->SetLeft(8);
  Label5->SetTop(24);
  Label5->SetCaption(destination_);
  Button4 = AddButton(this, GroupBox1, 232, 16, "B&rowse...");

  Panel3 = AddSidePanel(this, complete, Image5, true);
  Label6 = AddLabel(this, complete, 136, 24, 297, 113, texts::kFinishedDesign);
  Label7 = NewComponent<TLabel>(this);
  Label7->SetParent(complete);
  Label7->SetAutoSize(true);
  Label7->SetLeft(136);
  Label7->SetTop(192);
  Label7->SetCaption(texts::kClickFinish);

  // The labels that show settings show them as they are: an "&" in a
  // product name or a directory is no access key.
  for (TLabel* label : {Label1, Label4, Label5, Label6, Label8}) label->SetShowAccelChar(false);

  Notebook1->SetPageIndex(kWelcome);

  Button1->OnClick = [this](TObject* s) { Button1Click(s); };
  Button2->OnClick = [this](TObject* s) { Button2Click(s); };
  Button3->OnClick = [this](TObject* s) { Button3Click(s); };
  Button4->OnClick = [this](TObject* s) { Button4Click(s); };
  OnShow = [this](TObject* s) { FormShow(s); };
  OnClose = [this](TObject* s, TCloseAction& a) { FormClose(s, a); };
}

void TForm2::FormShow(TObject*) {
  const std::string value = ReadSetupSetting("License", SetupPaths().tempScript);
  if (value == "No") LicenseSwitch = false;
  if (value == "Yes") LicenseSwitch = true;
  if (LicenseSwitch) {
    const std::string licence = SetupPaths().exeDir + "LICENSE.TXT";
    if (!DataFileMatches(licence)) {
      RefuseDataFile(licence);
      return;
    }
    try {
      Memo1->LoadFromFile(licence);
    } catch (const std::exception&) {
      LetGoOfDataFile(licence);
      // The licence shown before stays: the file may have left the drive
      // with the first disk.
      if (licenceLoaded_) return;
      throw;
    }
    LetGoOfDataFile(licence);
    licenceLoaded_ = true;
    Memo1->SetReadOnly(true);
  }
}

// After Next the row also shows or hides Cancel and sets the caption.
void TForm2::SetButtonsAfterNext(int page) {
  if (page < kWelcome || page > kComplete) return;
  SetButtonsAfterBack(page);
  const PageRow& row = kPages[page];
  Button1->SetVisible(row.cancel != nullptr);
  if (row.caption != nullptr) SetCaption(*row.caption);
}

void TForm2::SetButtonsAfterBack(int page) {
  if (page < kWelcome || page > kComplete) return;
  const PageRow& row = kPages[page];
  Button3->SetVisible(true);
  Button3->SetEnabled(row.backEnabled);
  Button2->SetCaption(*row.next);
  if (row.cancel != nullptr) Button1->SetCaption(*row.cancel);
}

void TForm2::Button2Click(TObject*) {
  // Next reads "Finish" on the Complete page, and only there.
  const bool finishing = Notebook1->PageIndex() == kComplete;
  if (finishing && restoring_) {
    // The wizard is back at the first 100 percent report while the last
    // file may still be written: the program ends once the restore is over.
    finishPending_ = true;
    Button2->SetEnabled(false);
    return;
  }
  Notebook1->SetPageIndex(Notebook1->PageIndex() + 1);
  if (Notebook1->PageIndex() == kLicense && !LicenseSwitch) Notebook1->SetPageIndex(kDestination);
  if (finishing) BootWindow().EndSetup();
  SetButtonsAfterNext(Notebook1->PageIndex());
  if (Notebook1->PageIndex() == kComplete && !TransferDone) StartTransfer();
  if (Notebook1->PageIndex() == kDestination) SetCaption(texts::kDestinationCaption);
}

bool TForm2::PrepareDestination(const std::string& destination) {
  std::string reason;
  madeDirectories_.clear();
  if (destination.find_first_not_of(" \t") == std::string::npos) {
    // The engine would write every entry at its stored path.
    Application->HandleException(EInOutError(texts::kNoDestination));
    return false;
  }
  if (!MakeDirectoryChain(destination, madeDirectories_, reason)) {
    Application->HandleException(EInOutError(texts::CannotMakeDestination(destination, reason)));
    return false;
  }
  return true;
}

bool TForm2::SpaceForArchive(const std::string& archive, const std::string& destination) {
  std::int64_t needed = 0;
  try {
    archive::FileVolumes volumes(archive);
    needed = archive::RecordReader(volumes).ReadHeader().progressBase;
  } catch (const std::exception&) {
    return true;  // the restore reports an archive it cannot read
  }
  const auto free = FreeSpace(destination);
  if (!free || needed <= 0 || static_cast<std::uint64_t>(needed) <= *free) return true;
  return MessageDlg(texts::NotEnoughSpace(destination, static_cast<std::uint64_t>(needed), *free), mtConfirmation,
                    mbYes | mbNo) == mrYes;
}

// A data file that does not match: the user can only leave.
void TForm2::RefuseDataFile(const std::string& file) {
  ShowMessage(texts::DataFileChanged(file));
  BootWindow().EndSetup();
}

void TForm2::StartTransfer() {
  const std::string archive = SetupPaths().exeDir + "SETUP.Z";
  // The volumes are checked before anything is written, the destination too.
  if (std::string failed; !FirstVolumesMatch(archive, failed)) {
    RefuseDataFile(failed);
    return;
  }
  if (!PrepareDestination(destination_) || !SpaceForArchive(archive, destination_)) {
    LetGoOfDataFiles();
    RemoveEmptyDirectories(madeDirectories_);
    madeDirectories_.clear();
    // Stay on Destination: Next retries, Browse changes it, Cancel exits.
    Notebook1->SetPageIndex(kDestination);
    SetButtonsAfterNext(kDestination);
    return;
  }
  BootWindow().PauseBootTimer();
  // Set before the restore starts: the wizard is back (with Finish) from the
  // first 100 percent report on, while the restore still runs.
  TransferDone = true;
  restoring_ = true;
  Hide();
  const TransferOutcome outcome = TransferWindow().Transfer(archive, destination_);
  LetGoOfDataFiles();
  // A run cancelled at the volume question also ends with a 100 percent
  // report, and so does one that could write no file: the Complete page must
  // not call either a success.
  if (outcome.wizardBack && !outcome.Installed()) ShowNotFinished(outcome.failure);
  restoring_ = false;
  // Exit Setup during the copy promised that the program is not installed:
  // the files this run added go. A replaced file keeps its new version; the
  // file being written when the run stopped was never moved over its
  // previous version.
  if (Application->Terminated()) {
    for (const std::string& file : outcome.created) RemoveFile(file);
  }
  // A transfer that wrote nothing leaves no empty directories behind.
  if (!outcome.wizardBack || outcome.WroteNothing()) RemoveEmptyDirectories(madeDirectories_);
  madeDirectories_.clear();
  if (finishPending_) {
    finishPending_ = false;
    Button2->SetEnabled(true);
    BootWindow().EndSetup();
  }
  if (Application->Terminated()) return;
  if (!outcome.wizardBack) {
    TransferDone = false;
    ReturnToDestination();
  }
}

void TForm2::ReturnToDestination() {
  TransferWindow().HideTransfer();
  Notebook1->SetPageIndex(kDestination);
  SetButtonsAfterNext(kDestination);
  Show();
  BootWindow().ResumeBootTimer();
}

void TForm2::SetProductTexts(const std::string& product) {
  productName_ = product;
  Label1->SetCaption(texts::Welcome(product));
  Label8->SetCaption(texts::Destination(product));
  Label4->SetCaption(texts::LicenseQuestion(product));
  Label6->SetCaption(texts::Finished(product));
}

void TForm2::SetDestination(const std::string& directory) {
  destination_ = directory;
  Label5->SetCaption(directory);
}

void TForm2::ShowCompletePage() {
  Show();
  Notebook1->SetPageIndex(kComplete);
}

void TForm2::ShowNotFinished(const std::string& why) {
  Label6->SetCaption(texts::NotFinished(productName_) + (why.empty() ? std::string() : "\r\n\r\n" + why));
}

void TForm2::ClearWizardFlags() {
  LicenseSwitch = false;
  TransferDone = false;
}

void TForm2::Button3Click(TObject*) {
  Notebook1->SetPageIndex(Notebook1->PageIndex() - 1);
  if (Notebook1->PageIndex() == kLicense && !LicenseSwitch) Notebook1->SetPageIndex(kWelcome);
  SetButtonsAfterBack(Notebook1->PageIndex());
}

void TForm2::Button1Click(TObject*) {
  Close();
  Show();
  BringToFront();
}

void TForm2::FormClose(TObject*, TCloseAction&) { ExitWindow().AskToExit(); }

void TForm2::Button4Click(TObject*) {
  std::string directory = destination_;
  if (ChooseDirectory(directory, dcTypeName | dcCreate | dcConfirm, 1000)) SetDestination(directory);
}
