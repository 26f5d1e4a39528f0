// The wizard: Welcome, License (when the licence switch is on), Destination
// and Complete; it starts the restore and asks before it is closed.
#pragma once

#include <string>

#include "app/SetupWindows.h"
#include "toolkit/Toolkit.h"

// The licence switch and the transfer-done flag; the transfer window clears
// both when it is created.
extern bool LicenseSwitch;
extern bool TransferDone;

class TForm2 : public TForm, public IWizardWindow {
 public:
  explicit TForm2(TComponent* owner);

  TNotebook* Notebook1;
  TLabel* Label10;
  TBevel* Bevel1;
  TButton* Button3;  // Back
  TButton* Button2;  // Next
  TButton* Button1;  // Cancel
  // Welcome
  TPanel* Panel1;
  TImage* Image1;
  TLabel* Label1;
  TLabel* Label2;
  // License
  TImage* Image3;
  TLabel* Label3;
  TMemo* Memo1;
  TLabel* Label4;
  // Destination
  TPanel* Panel2;
  TImage* Image4;
  TLabel* Label8;
  TLabel* Label9;
  TGroupBox* GroupBox1;
  TLabel* Label5;
  TButton* Button4;  // Browse
  // Complete
  TPanel* Panel3;
  TImage* Image5;
  TLabel* Label6;
  TLabel* Label7;

  void FormShow(TObject* Sender);
  void FormClose(TObject* Sender, TCloseAction& Action);
  void Button1Click(TObject* Sender);
  void Button2Click(TObject* Sender);
  void Button3Click(TObject* Sender);
  void Button4Click(TObject* Sender);

  void SetProductTexts(const std::string& product) override;
  void SetDestination(const std::string& directory) override;
  // The directory the restore goes into; Label5 shows it.
  const std::string& Destination() const { return destination_; }
  bool WizardShowing() const override { return Visible(); }
  void OpenWizard() override { ShowModal(); }
  void ShowCompletePage() override;
  void ShowNotFinished(const std::string& why) override;
  void ClearWizardFlags() override;
  // Back on the Destination page after a transfer that never reached 100
  // percent: buttons and caption as after Next onto Destination, the wizard
  // visible again and the boot window's timer on.
  void ReturnToDestination();

 private:
  // The buttons, and after Next the window caption, for the page now shown.
  void SetButtonsAfterNext(int page);
  void SetButtonsAfterBack(int page);
  void StartTransfer();
  void RefuseDataFile(const std::string& file);
  // Makes the destination directory chain; says why when it cannot.
  bool PrepareDestination(const std::string& destination);
  // Whether the archive's files fit on the destination's drive, or the user
  // goes on anyway; false to choose another directory.
  bool SpaceForArchive(const std::string& archive, const std::string& destination);
  // The directories PrepareDestination made for the running transfer.
  std::vector<std::string> madeDirectories_;

  // The restore is running; a Finish pressed meanwhile ends the program
  // when it is over.
  bool restoring_ = false;
  bool finishPending_ = false;
  // LICENSE.TXT has been shown once; a later show keeps that text when the
  // file cannot be read any more.
  bool licenceLoaded_ = false;

  // The product name the boot window gave, for the Complete page's texts.
  std::string productName_;
  // The destination directory: the boot window's setting, or what Browse
  // chose.
  std::string destination_ = "C:\\***";
};

extern TForm2* Form2;
