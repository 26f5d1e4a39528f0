// The restore engine's user interface in the installer: pending window
// messages, the error box and the volume question through the toolkit. The
// transfer window owns one and hands it to its restore component.
#pragma once

#include "backup/RestoreUi.h"

class TWindowedRestoreUi : public IRestoreUi {
 public:
  void ProcessMessages() override;
  void ShowErrorBox(const std::string& message) override;
  TDiskAnswer AskForDisk(const std::string& text) override;
  TRetryAnswer AskRetry(const std::string& text) override;
  // A volume that does not match the program's hash: a box names it, and
  // Setup ends.
  bool TrustVolume(const std::string& path) override;
};
