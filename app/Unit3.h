// The transfer window: shows the file just written and the percentage while
// the wizard restores the archive, and gives the wizard back at 100 percent.
#pragma once

#include "app/SetupWindows.h"
#include "app/WindowedRestoreUi.h"
#include "backup/Backup.h"
#include "toolkit/Toolkit.h"
#include "widgets/Gauges.h"

class TForm3 : public TForm, public ITransferWindow {
  // BackupFile1's pending messages, error box and volume question; declared
  // before BackupFile1, which points to it, so that it outlives it.
  TWindowedRestoreUi restoreUi_;

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
  void FormClose(TObject* Sender, TCloseAction& Action);
  void BackupFile1Progress(TBackupFile& Sender, const std::string& Filename, TPercentage Percent,
                           bool& Continue);
  void BackupFile1FileRestored(TBackupFile& Sender, std::string& Filename,
                               std::unique_ptr<TFileStream>& Stream);
  void BackupFile1Error(TBackupFile& Sender, const std::int32_t Error, const std::string& ErrString);

  TransferOutcome Transfer(const std::string& archive, const std::string& destination) override;
  void HideTransfer() override { Hide(); }
  // The file that failed and the system's reason, from the restore's
  // outcome; empty when it knows none.
  std::string FailureText() const;

 private:
  // What the running transfer has seen so far.
  TransferOutcome outcome_;
  // The progress reports of the running transfer.
  int reports_ = 0;
};

extern TForm3* Form3;
