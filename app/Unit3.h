// The transfer window: shows the file just written and the percentage while
// the wizard restores the archive, and gives the wizard back at 100 percent.
#pragma once

#include "backup/Backup.h"
#include "toolkit/Toolkit.h"
#include "widgets/Gauges.h"

class TForm3 : public TForm {
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

  // Whether a progress report has put the gauge at 100 (the wizard is back).
  bool SawFullProgress() const { return Gauge1->Progress() == 100; }
  // How many files the restore has written.
  int FilesRestored() const { return filesRestored_; }

 private:
  int filesRestored_ = 0;
};

extern TForm3* Form3;
