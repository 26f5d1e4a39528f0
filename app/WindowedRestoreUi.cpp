#include "app/WindowedRestoreUi.h"

#include "toolkit/Toolkit.h"

void TWindowedRestoreUi::ProcessMessages() {
  const DWORD now = GetTickCount();
  // Unsigned difference: right across the counter's wrap after 49.7 days.
  if (pumped_ && now - lastPump_ < kPumpIntervalMs) return;
  pumped_ = true;
  lastPump_ = now;
  Application->ProcessMessages();
}

void TWindowedRestoreUi::ShowErrorBox(const std::string& message) {
  MessageDlg(message, mtError, mbOK);
}

TDiskAnswer TWindowedRestoreUi::AskForDisk(const std::string& text) {
  return MessageDlg(text, mtInformation, mbOK | mbCancel) == mrOk ? TDiskAnswer::daOk
                                                                  : TDiskAnswer::daCancel;
}
