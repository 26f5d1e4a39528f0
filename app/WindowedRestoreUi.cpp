#include "app/WindowedRestoreUi.h"

#include "toolkit/Toolkit.h"

void TWindowedRestoreUi::ProcessMessages() { Application->ProcessMessages(); }

void TWindowedRestoreUi::ShowErrorBox(const std::string& message) {
  MessageDlg(message, mtError, mbOK);
}

TDiskAnswer TWindowedRestoreUi::AskForDisk(const std::string& text) {
  return MessageDlg(text, mtInformation, mbOK | mbCancel) == mrOk ? TDiskAnswer::daOk
                                                                  : TDiskAnswer::daCancel;
}
