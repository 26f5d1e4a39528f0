// The transfer window: shows the file just written and the percentage while
// the wizard restores the archive, and gives the wizard back at 100 percent.
#pragma once

#include "app/SetupWindows.h"
#include "backup/Backup.h"
#include "toolkit/Toolkit.h"
#include "widgets/Gauges.h"

class TForm3 : public TForm, public ITransferWindow {
 public:
  explicit TForm3(TComponent* owner);

  TPanel* Panel1;
  TLabel* Label1;
  TPanel* Panel2;
  TGauge* Gauge1;
  TButton* Button1;
  TBackupFile BackupFile1;

  void FormCreate(TObject* Sender);
  void Button1Click(TObject* Sender);
  void BackupFile1Progress(TBackupFile& Sender, const std::string& Filename, TPercentage Percent,
                           bool& Continue);
  void BackupFile1FileRestored(TBackupFile& Sender, std::string& Filename,
                               std::unique_ptr<TFileStream>& Stream);
  void BackupFile1Error(TBackupFile& Sender, const std::int32_t Error, const std::string& ErrString);

  void ShowTransfer() override { Show(); }
  void HideTransfer() override { Hide(); }
  bool RestoreArchive(const std::string& archive, const std::string& destination) override {
    return BackupFile1.Restore(archive, destination);
  }
  bool SawFullProgress() const override { return Gauge1->Progress() == 100; }
  bool WroteNothing() const override { return filesRestored_ == 0 && BackupFile1.ProgressBase() > 0; }
  std::string FailureText() const override;

 private:
  // How many files the restore has written.
  int filesRestored_ = 0;
};

extern TForm3* Form3;
