#include "app/WindowedRestoreUi.h"

#include "app/PackageCheck.h"
#include "app/SetupWindows.h"
#include "app/Texts.h"
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

TRetryAnswer TWindowedRestoreUi::AskRetry(const std::string& text) {
  TMessageBoxRequest request = MessageDlgRequest(text, mtWarning, mbCancel);
  request.Buttons = {{"&Retry", mrRetry}, {"Cancel", mrCancel}};
  request.EnterResult = mrRetry;
  request.EscapeResult = mrCancel;
  return ShowMessageBox(request) == mrRetry ? TRetryAnswer::raRetry : TRetryAnswer::raCancel;
}

TDiskAnswer TWindowedRestoreUi::AskForDisk(const std::string& text) {
  // The disk in the drive may leave it now.
  LetGoOfDataFiles();
  return MessageDlg(text, mtInformation, mbOK | mbCancel) == mrOk ? TDiskAnswer::daOk
                                                                  : TDiskAnswer::daCancel;
}

bool TWindowedRestoreUi::TrustVolume(const std::string& path) {
  if (DataFileMatches(path)) return true;
  ShowMessage(texts::DataFileChanged(path));
  BootWindow().EndSetup();
  return false;
}
