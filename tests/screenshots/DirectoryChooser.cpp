// The directory chooser over a folder with a few subfolders and files,
// saved as filectrl-dialog.bmp where the program was started. Only the client
// area is taken: without a window manager nobody draws the frame.
#include <gtest/gtest.h>

#include "runtime/FileSystem.h"
#include "tests/screenshots/Screenshots.h"
#include "tests/support/TestFiles.h"
#include "tests/toolkit/GuiTest.h"
#include "widgets/FileCtrl.h"

using namespace filectrl;

namespace {

TSelectDirDlg* FindDialog() {
  for (TForm* form : Application->Forms()) {
    if (auto* dialog = dynamic_cast<TSelectDirDlg*>(form); dialog && dialog->Modal()) return dialog;
  }
  return nullptr;
}

using ChooserScreenshot = GuiTest;

TEST_F(ChooserScreenshot, DirectoryChooserInAFolderWithSubfoldersAndFiles) {
  const std::string previous = GetCurrentDir();
  testing_support::TempDir tmp;
  std::string start = tmp / "start";
  CreateDir(start);
  for (const char* name : {"Documents", "Program Files", "projects", "temp"}) CreateDir(start + "\\" + name);
  for (const char* name : {"readme.txt", "setup.ini", "notes.doc"}) testing_support::WriteFile(start + "\\" + name, "x");
  std::unique_ptr<TBitmap> shot;
  Later(50, [&] {
    TSelectDirDlg* d = FindDialog();
    ASSERT_NE(d, nullptr) << "the chooser did not open";
    d->Repaint();
    PumpUntil([] { return false; }, 300);
    POINT origin{0, 0};
    ClientToScreen(d->Handle(), &origin);
    shot = CaptureScreen(RECT{origin.x, origin.y, origin.x + d->ClientWidth(), origin.y + d->ClientHeight()});
    d->CancelButton->Click();
  });
  std::string directory = start;
  ChooseDirectory(directory, dcTypeName | dcCreate | dcConfirm, 1000);
  SetCurrentDir(previous);
  ASSERT_NE(shot, nullptr);
  Save(*shot, "filectrl-dialog.bmp");
}

}  // namespace
