// The restore engine's user interface in the installer: pending window
// messages, the error box and the volume question through the toolkit. The
// transfer window owns one and hands it to its restore component.
#pragma once

#include <windows.h>

#include "backup/RestoreUi.h"

class TWindowedRestoreUi : public IRestoreUi {
 public:
  // The engine calls this after every chunk, thousands of times a second;
  // under Wine each look at the queue is a round trip to the server, and
  // each look after a file paints the transfer window's label again. So the
  // queue is looked at on the first call and then once kPumpIntervalMs have
  // passed: the label's changes in between are painted together, by the
  // invalidation they left, and a click waits at most that long.
  void ProcessMessages() override;
  void ShowErrorBox(const std::string& message) override;
  TDiskAnswer AskForDisk(const std::string& text) override;
  TRetryAnswer AskRetry(const std::string& text) override;
  // A volume that does not match the program's hash: a box names it, and
  // Setup ends.
  bool TrustVolume(const std::string& path) override;

  static constexpr DWORD kPumpIntervalMs = 50;

 private:
  bool pumped_ = false;
  DWORD lastPump_ = 0;
};
