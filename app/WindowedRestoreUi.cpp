#include "app/WindowedRestoreUi.h"

#include "app/PackageCheck.h"
#include "app/SetupWindows.h"
#include "app/Texts.h"
#include "toolkit/Toolkit.h"

void TWindowedRestoreUi::ProcessMessages() { Application->ProcessMessages(); }

void TWindowedRestoreUi::ShowErrorBox(const std::string& message) {
  MessageDlg(message, mtError, mbOK);
}

TDiskAnswer TWindowedRestoreUi::AskForDisk(const std::string& text) {
  return MessageDlg(text, mtInformation, mbOK | mbCancel) == mrOk ? TDiskAnswer::daOk
                                                                  : TDiskAnswer::daCancel;
}

bool TWindowedRestoreUi::TrustVolume(const std::string& path) {
  if (DataFileMatches(path)) return true;
  ShowMessage(texts::DataFileChanged(path));
  BootWindow().EndSetup();
  return false;
}
