// The directory chooser driven through its controls' messages while its
// modal loop runs; confirmations are answered through the message-box seam.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>

#include "runtime/Exceptions.h"
#include "runtime/FileSystem.h"
#include "tests/support/TestFiles.h"
#include "tests/toolkit/GuiTest.h"
#include "widgets/FileCtrl.h"

using namespace filectrl;

namespace {

const TDirChooserOptions kWizardOptions = dcTypeName | dcCreate | dcConfirm;
const char kQuestion[] = "The specified directory does not exist. Create it?";

TSelectDirDlg* FindDialog() {
  for (TForm* form : Application->Forms()) {
    if (auto* dialog = dynamic_cast<TSelectDirDlg*>(form); dialog && dialog->Modal()) return dialog;
  }
  return nullptr;
}

// Types text into an edit as the keyboard does (WM_CHAR per character).
void Type(TEdit& edit, const std::string& text) {
  edit.SetFocus();
  for (char c : text) SendMessageA(edit.Handle(), WM_CHAR, static_cast<unsigned char>(c), 1);
}

// Double-clicks item index of a list box with the mouse, scrolling it into
// view first.
void DoubleClick(TListBox& list, int index) {
  SendMessageA(list.Handle(), LB_SETTOPINDEX, static_cast<WPARAM>(index), 0);
  const TRect r = list.ItemRect(index);
  const LPARAM at = MAKELPARAM(r.Left + 30, (r.Top + r.Bottom) / 2);
  SendMessageA(list.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageA(list.Handle(), WM_LBUTTONUP, 0, at);
  SendMessageA(list.Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, at);
  SendMessageA(list.Handle(), WM_LBUTTONUP, 0, at);
}

// A drive letter the machine does not have, or 0.
char MissingDrive() {
  const DWORD drives = GetLogicalDrives();
  for (char letter = 'Q'; letter <= 'Y'; ++letter) {
    if (!(drives & (1u << (letter - 'A')))) return letter;
  }
  return 0;
}

int IndexOfText(TListBox& list, const std::string& text) {
  for (int i = 0; i < list.Items().Count(); ++i) {
    if (list.Items()[i] == text) return i;
  }
  return -1;
}

// Chooses a drive in the drive list as the keyboard does: its letter.
void ChooseDrive(TDriveComboBox& drives, char letter) {
  drives.SetFocus();
  SendMessageA(drives.Handle(), WM_CHAR, static_cast<unsigned char>(letter), 1);
}

}  // namespace

class FileCtrlTest : public GuiTest {
 protected:
  FileCtrlTest() : startDir_(GetCurrentDir()) {
    start = tmp / "start";
    CreateDir(start);
    SetCurrentDir(start);
    start = GetCurrentDir();  // as the system spells it
  }
  ~FileCtrlTest() override { SetCurrentDir(startDir_); }

  // Runs steps on the dialog of the next ChooseDirectory once its modal
  // loop runs. Should the steps leave that dialog open, it is cancelled
  // later and the test fails.
  void WhenShown(std::function<void(TSelectDirDlg&)> steps) {
    const int call = ++calls_;
    shown = false;
    Later(50, [this, call, steps = std::move(steps)] {
      TSelectDirDlg* dialog = FindDialog();
      shown = dialog != nullptr;
      if (dialog) {
        dialogs_[call] = dialog;
        steps(*dialog);
      }
    });
    Later(8000, [this, call] {
      TSelectDirDlg* dialog = FindDialog();
      if (dialog && dialogs_[call] == dialog && calls_ == call) {
        ADD_FAILURE() << "the dialog was left open";
        dialog->SetModalResult(mrCancel);
      }
    });
  }

  std::vector<std::string> Questions() const {
    std::vector<std::string> texts;
    for (const auto& box : boxes) texts.push_back(box.Text);
    return texts;
  }

  testing_support::TempDir tmp;
  std::string start;
  bool shown = false;

 private:
  std::string startDir_;
  int calls_ = 0;
  std::map<int, TSelectDirDlg*> dialogs_;
};

TEST_F(FileCtrlTest, AMissingDestinationOpensAtTheCurrentDirectory) {
  std::string directory = start + "\\not\\there";
  WhenShown([&](TSelectDirDlg& d) {
    EXPECT_TRUE(d.DirEdit->Visible());
    EXPECT_FALSE(d.DirLabel->Visible());
    EXPECT_EQ(d.DirList->Directory(), start);
    EXPECT_EQ(d.DirEdit->GetText(), start);
    EXPECT_EQ(d.DirEdit->SelStart(), 0);
    EXPECT_EQ(d.DirEdit->SelLength(), static_cast<int>(start.size()));
    EXPECT_EQ(d.FileList->Directory(), start);
    EXPECT_EQ(GetFocus(), d.DirList->Handle());
    d.CancelButton->Click();
  });
  EXPECT_FALSE(ChooseDirectory(directory, kWizardOptions, 1000));
  EXPECT_TRUE(shown);
  EXPECT_EQ(directory, start + "\\not\\there");
  EXPECT_TRUE(boxes.empty());
}

TEST_F(FileCtrlTest, OpenedFromAStayOnTopWindowTheChooserStaysAboveIt) {
  // The wizard is stay-on-top and the chooser lies inside its rectangle: a
  // chooser that is not topmost would open under it.
  TForm* wizard = app.CreateForm<TForm>();
  wizard->SetCaption("Wizard");
  wizard->SetBorderStyle(bsDialog);
  wizard->SetFormStyle(fsStayOnTop);
  wizard->SetClientSize(471, 330);
  wizard->Show();
  std::string directory = start;
  HWND owner = nullptr;
  bool onTop = false;
  WhenShown([&](TSelectDirDlg& d) {
    owner = GetWindow(d.Handle(), GW_OWNER);
    onTop = (GetWindowLongPtrA(d.Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    d.CancelButton->Click();
  });
  EXPECT_FALSE(ChooseDirectory(directory, kWizardOptions, 1000));
  EXPECT_TRUE(shown);
  EXPECT_EQ(owner, wizard->Handle());
  EXPECT_TRUE(onTop);
  EXPECT_EQ(GetActiveWindow(), wizard->Handle()) << "the wizard has the keyboard again";
  wizard->Hide();
}

TEST_F(FileCtrlTest, ATypedNewDirectoryIsConfirmedCreatedAndReturnedAsTyped) {
  struct Case {
    std::string typed;
    std::string deepest;
  };
  const Case cases[] = {
      {tmp / "new\\a\\b\\c", tmp / "new\\a\\b\\c"},
      {tmp / "other\\x\\", tmp / "other\\x"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    boxes.clear();
    answer = [](const TMessageBoxRequest&) { return mrYes; };
    std::string directory = "C:\\Program Files\\Anything";
    WhenShown([&](TSelectDirDlg& d) {
      Type(*d.DirEdit, c.typed);
      d.OKButton->Click();
    });
    EXPECT_TRUE(ChooseDirectory(directory, kWizardOptions, 1000));
    EXPECT_EQ(directory, c.typed);
    EXPECT_TRUE(DirectoryExists(c.deepest));
    ASSERT_EQ(boxes.size(), 1u);
    const TMessageBoxRequest& box = boxes[0];
    EXPECT_EQ(box.Text, kQuestion);
    EXPECT_EQ(box.Caption, "Confirm");
    EXPECT_EQ(box.Icon, TMessageBoxIcon::Question);
    ASSERT_EQ(box.Buttons.size(), 2u);
    EXPECT_EQ(box.Buttons[0].Caption, "&Yes");
    EXPECT_EQ(box.Buttons[1].Caption, "&No");
    EXPECT_EQ(box.EnterResult, mrYes);
    EXPECT_EQ(box.EscapeResult, mrNo);
  }
}

TEST_F(FileCtrlTest, NoKeepsTheDialogOpenWithTheTypedText) {
  const std::string typed = tmp / "never";
  answer = [](const TMessageBoxRequest&) { return mrNo; };
  std::string directory;
  WhenShown([&](TSelectDirDlg& d) {
    Type(*d.DirEdit, typed);
    d.OKButton->Click();
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_EQ(d.ModalResult(), mrNone);
    EXPECT_TRUE(d.Visible());
    EXPECT_EQ(d.DirEdit->GetText(), typed);
    d.CancelButton->Click();
  });
  EXPECT_FALSE(ChooseDirectory(directory, kWizardOptions, 1000));
  EXPECT_FALSE(DirectoryExists(typed));
  EXPECT_EQ(directory, "");
}

TEST_F(FileCtrlTest, CancelAfterBrowsingLeavesTheTextButNotTheCurrentDirectory) {
  CreateDir(start + "\\Alpha");
  CreateDir(start + "\\beta");
  std::string directory = start;
  WhenShown([&](TSelectDirDlg& d) {
    const int alpha = IndexOfText(*d.DirList, "Alpha");
    ASSERT_GT(alpha, 0);
    DoubleClick(*d.DirList, alpha);
    EXPECT_EQ(d.DirList->Directory(), start + "\\Alpha");
    EXPECT_EQ(d.DirEdit->GetText(), start + "\\Alpha");
    EXPECT_EQ(d.DirLabel->Caption(), start + "\\Alpha");
    EXPECT_EQ(d.FileList->Directory(), start + "\\Alpha");
    EXPECT_EQ(GetCurrentDir(), start + "\\Alpha");
    d.CancelButton->Click();
  });
  EXPECT_FALSE(ChooseDirectory(directory, kWizardOptions, 1000));
  EXPECT_EQ(directory, start);
  EXPECT_EQ(GetCurrentDir(), start + "\\Alpha");
}

TEST_F(FileCtrlTest, DoubleClickOpensTheParentsTheRootAndSubdirectories) {
  CreateDir(start + "\\sub");
  CreateDir(start + "\\sub\\deeper");
  std::string directory = start + "\\sub";
  WhenShown([&](TSelectDirDlg& d) {
    EXPECT_EQ(d.DirList->Directory(), start + "\\sub");
    // The item of "start" (one above the current) moves up a level.
    const int current = d.DirList->Model().current;
    DoubleClick(*d.DirList, current - 1);
    EXPECT_EQ(d.DirList->Directory(), start);
    DoubleClick(*d.DirList, IndexOfText(*d.DirList, "sub"));
    DoubleClick(*d.DirList, IndexOfText(*d.DirList, "deeper"));
    EXPECT_EQ(d.DirList->Directory(), start + "\\sub\\deeper");
    DoubleClick(*d.DirList, 0);
    EXPECT_EQ(d.DirList->Directory(), start.substr(0, 3));
    // A single click only highlights.
    const TRect r = d.DirList->ItemRect(1);
    SendMessageA(d.DirList->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, r.Top + 2));
    SendMessageA(d.DirList->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(30, r.Top + 2));
    EXPECT_EQ(d.DirList->ItemIndex(), 1);
    EXPECT_EQ(d.DirList->Directory(), start.substr(0, 3));
    d.OKButton->Click();
  });
  EXPECT_TRUE(ChooseDirectory(directory, kWizardOptions, 1000));
  EXPECT_EQ(directory, start.substr(0, 3));
  EXPECT_TRUE(boxes.empty());
}

TEST_F(FileCtrlTest, ADriveTheMachineLacksIsAnInOutErrorBeforeTheDialogShows) {
  const char missing = MissingDrive();
  ASSERT_NE(missing, 0);
  std::string directory = std::string(1, missing) + ":\\App";
  WhenShown([](TSelectDirDlg& d) { d.CancelButton->Click(); });
  EXPECT_THROW(ChooseDirectory(directory, kWizardOptions, 1000), EInOutError);
  PumpUntil([] { return false; }, 100);
  EXPECT_FALSE(shown);
  EXPECT_EQ(directory, std::string(1, missing) + ":\\App");
  EXPECT_EQ(GetCurrentDir(), start);
}

TEST_F(FileCtrlTest, OkAtOnceReturnsTheListsFullPath) {
  CreateDir(start + "\\Exists");
  struct Case {
    std::string initial;
    std::string result;
    TDirChooserOptions options;
  };
  const Case cases[] = {
      {start + "\\Exists\\", start + "\\Exists", kWizardOptions},
      {start + "\\Exists", start + "\\Exists", kWizardOptions},
      {start + "\\Exists\\..\\Exists", start + "\\Exists", kWizardOptions},
      {start + "\\Exists\\", start + "\\Exists", 0},
      {start.substr(0, 3), start.substr(0, 3), kWizardOptions},
      {start.substr(0, 2), start.substr(0, 3), dcCreate},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.initial);
    std::string directory = c.initial;
    WhenShown([](TSelectDirDlg& d) { d.OKButton->Click(); });
    EXPECT_TRUE(ChooseDirectory(directory, c.options, 1000));
    EXPECT_EQ(directory, c.result);
    EXPECT_TRUE(boxes.empty());
  }
}

TEST_F(FileCtrlTest, ATypedExistingDirectoryIsAcceptedAsTypedWithoutTheQuestion) {
  CreateDir(start + "\\Here");
  for (const std::string& typed : {start + "\\Here\\", start + "\\Here", std::string("..\\start")}) {
    SCOPED_TRACE(typed);
    std::string directory;
    WhenShown([&](TSelectDirDlg& d) {
      Type(*d.DirEdit, typed);
      d.OKButton->Click();
    });
    EXPECT_TRUE(ChooseDirectory(directory, kWizardOptions, 1000));
    EXPECT_EQ(directory, typed);
    EXPECT_TRUE(boxes.empty());
    SetCurrentDir(start);
  }
}

TEST_F(FileCtrlTest, WithoutTheQuestionOkClosesAtOnce) {
  // dcConfirm alone does nothing without dcTypeName; without dcConfirm a
  // typed missing directory is created straight away.
  const std::string typed = tmp / "straight\\away";
  std::string directory;
  WhenShown([&](TSelectDirDlg& d) {
    Type(*d.DirEdit, typed);
    d.OKButton->Click();
  });
  EXPECT_TRUE(ChooseDirectory(directory, dcTypeName | dcCreate, 1000));
  EXPECT_EQ(directory, typed);
  EXPECT_TRUE(DirectoryExists(typed));
  EXPECT_TRUE(boxes.empty());
}

TEST_F(FileCtrlTest, AnEmptyNameOrOneThatCannotBeMadeIsAnErrorAndTheTextStays) {
  testing_support::WriteFile(tmp / "file.txt", "x");
  answer = [](const TMessageBoxRequest&) { return mrYes; };
  struct Case {
    std::string typed;
    std::string message;
  };
  const Case cases[] = {
      {"", "Unable to create directory"},
      {"abcdef", "Unable to create directory"},
      {tmp / "file.txt\\sub", "Unable to create directory \"" + tmp / "file.txt\\sub" + "\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    boxes.clear();
    std::string directory = "C:\\Before";
    WhenShown([&](TSelectDirDlg& d) {
      Type(*d.DirEdit, "x");
      SendMessageA(d.DirEdit->Handle(), WM_CHAR, VK_BACK, 1);
      Type(*d.DirEdit, c.typed);
      d.OKButton->Click();
    });
    try {
      ChooseDirectory(directory, kWizardOptions, 1000);
      ADD_FAILURE() << "no error";
    } catch (const EInOutError& e) {
      EXPECT_EQ(e.Message().substr(0, c.message.size()), c.message);
    }
    EXPECT_EQ(Questions(), std::vector<std::string>{kQuestion});
    EXPECT_EQ(directory, "C:\\Before");
    SetCurrentDir(start);
  }
}

TEST_F(FileCtrlTest, AtARootTheRootItemIsCurrentAndSelected) {
  std::string directory = start.substr(0, 3);
  WhenShown([&](TSelectDirDlg& d) {
    const DirItems& model = d.DirList->Model();
    ASSERT_GE(model.items.size(), 1u);
    EXPECT_EQ(model.current, 0);
    EXPECT_EQ(model.items[0].glyph, FolderGlyph::Current);
    EXPECT_EQ(d.DirList->ItemIndex(), 0);
    EXPECT_EQ(d.DirList->Items()[0].size(), 3u);
    for (std::size_t i = 1; i < model.items.size(); ++i) EXPECT_EQ(model.items[i].glyph, FolderGlyph::Closed);
    d.CancelButton->Click();
  });
  EXPECT_FALSE(ChooseDirectory(directory, kWizardOptions, 1000));
}

TEST_F(FileCtrlTest, ChoosingADriveMovesTheListsAndTheCurrentDirectory) {
  const char other = start[0] == 'C' || start[0] == 'c' ? 'z' : 'c';
  const char missing = MissingDrive();
  ASSERT_NE(missing, 0);
  std::string directory = start;
  WhenShown([&](TSelectDirDlg& d) {
    EXPECT_EQ(d.DriveList->Drive(), 'c');
    ChooseDrive(*d.DriveList, other);
    EXPECT_EQ(d.DriveList->Drive(), other);
    EXPECT_EQ(LowerCase(d.DirList->Directory().substr(0, 2)), std::string(1, other) + ":");
    EXPECT_EQ(d.DirEdit->GetText(), d.DirList->Directory());
    EXPECT_EQ(d.FileList->Directory(), d.DirList->Directory());
    EXPECT_EQ(GetCurrentDir(), d.DirList->Directory());
    // A drive that cannot be entered leaves the lists and the drive shown.
    const std::string before = d.DirList->Directory();
    EXPECT_THROW(d.DriveList->SetDrive(missing), EInOutError);
    EXPECT_EQ(d.DirList->Directory(), before);
    EXPECT_EQ(d.DriveList->Drive(), other);
    ASSERT_GE(d.DriveList->ItemIndex(), 0);
    EXPECT_EQ(d.DriveList->Items()[d.DriveList->ItemIndex()].substr(0, 2), std::string(1, other) + ":");
    d.CancelButton->Click();
  });
  EXPECT_FALSE(ChooseDirectory(directory, kWizardOptions, 1000));
  EXPECT_EQ(LowerCase(GetCurrentDir().substr(0, 1)), std::string(1, other));
}

TEST_F(FileCtrlTest, WithoutTypeNameThePathLabelShowsTheListShortened) {
  std::string deep = start;
  for (const char* name : {"first level", "second level", "third level", "fourth level", "fifth"}) {
    deep += "\\";
    deep += name;
    CreateDir(deep);
  }
  std::string directory = deep;
  WhenShown([&](TSelectDirDlg& d) {
    EXPECT_FALSE(d.DirEdit->Visible());
    EXPECT_TRUE(d.DirLabel->Visible());
    EXPECT_EQ(d.DirLabel->BoundsRect(), d.DirEdit->BoundsRect());
    EXPECT_EQ(d.DirLabel->Caption(), deep);
    const std::string shown = d.DirLabel->ShownText();
    EXPECT_NE(shown.find("\\...\\"), std::string::npos) << shown;
    EXPECT_EQ(shown.substr(shown.size() - 6), "\\fifth");
    EXPECT_LE(d.DirLabel->Canvas().TextWidth(shown), d.DirLabel->Width());
    d.OKButton->Click();
  });
  EXPECT_TRUE(ChooseDirectory(directory, dcCreate | dcConfirm, 1000));
  EXPECT_EQ(directory, deep);
}

TEST_F(FileCtrlTest, LayoutTabOrderAndItemHeights) {
  auto d = MakeComponent<TSelectDirDlg>();
  EXPECT_EQ(d->Caption(), "Select Directory");
  EXPECT_EQ(d->BorderStyle(), bsDialog);
  EXPECT_EQ(d->ClientWidth(), 424);
  EXPECT_EQ(d->ClientHeight(), 255);
  EXPECT_EQ(d->ActiveControl(), d->DirList);
  struct Case {
    TControl* control;
    TRect bounds;
    int tabOrder;  // -1: a label
    const char* caption;
  };
  const Case cases[] = {
      {d->NameLabel, Bounds(8, 8, 92, 13), -1, "Directory &Name:"},
      {d->DirEdit, Bounds(8, 24, 313, 20), 1, nullptr},
      {d->DirLabel, Bounds(8, 24, 313, 20), -1, nullptr},
      {d->DirsLabel, Bounds(8, 56, 66, 13), -1, "&Directories:"},
      {d->FilesLabel, Bounds(232, 56, 57, 13), -1, "&Files: (*.*)"},
      {d->FileList, Bounds(232, 72, 185, 93), 6, nullptr},
      {d->DrivesLabel, Bounds(232, 176, 41, 13), -1, "D&rives:"},
      {d->NetButton, Bounds(8, 224, 77, 27), 3, "Ne&twork..."},
      {d->OKButton, Bounds(172, 224, 77, 27), 4, "OK"},
      {d->CancelButton, Bounds(256, 224, 77, 27), 5, "Cancel"},
      {d->HelpButton, Bounds(340, 224, 77, 27), 7, "&Help"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.caption ? c.caption : c.control->Name().c_str());
    if (c.control == d->FileList) {
      EXPECT_EQ(c.control->BoundsRect().Top, c.bounds.Top);
      EXPECT_LE(c.control->Height(), c.bounds.Height());
    } else {
      EXPECT_EQ(c.control->BoundsRect(), c.bounds);
    }
    if (c.tabOrder >= 0) {
      EXPECT_EQ(static_cast<TWinControl*>(c.control)->TabOrder(), c.tabOrder);
    }
    if (c.caption) {
      EXPECT_EQ(c.control->Caption(), c.caption);
    }
  }
  EXPECT_EQ(d->DirList->TabOrder(), 0);
  EXPECT_EQ(d->DriveList->TabOrder(), 2);
  EXPECT_EQ(d->DirList->BoundsRect().Left, 8);
  EXPECT_EQ(d->DirList->ItemHeight(), 17);
  EXPECT_EQ(d->FileList->ItemHeight(), 13);
  EXPECT_GE(d->DriveList->ItemHeight(), 11);
  // Whole items only: the list's client area holds a whole number of rows.
  EXPECT_EQ(d->DirList->ClientHeight() % 17, 0);
  EXPECT_LE(d->DirList->Height(), 138);
  EXPECT_GT(d->DirList->Height(), 138 - 17);
  EXPECT_EQ(d->FileList->Font().Color(), clGrayText);
  EXPECT_TRUE(d->FileList->Sorted());
  EXPECT_EQ(d->FileList->Mask(), "*.*");
  EXPECT_TRUE(d->OKButton->Default());
  EXPECT_TRUE(d->CancelButton->Cancel());
  // This platform offers no network connection dialog.
  EXPECT_FALSE(d->NetButton->Visible());
}

TEST_F(FileCtrlTest, HelpContextZeroMovesTheButtonsOtherwiseHelpAsksForIt) {
  std::vector<int> asked;
  const THelpHandler previous = SetHelpHandler([&](int context) { asked.push_back(context); });
  {
    auto d = MakeComponent<TSelectDirDlg>();
    d->ApplyHelpContext(0);
    EXPECT_FALSE(d->HelpButton->Visible());
    EXPECT_EQ(d->OKButton->Left(), 256);
    EXPECT_EQ(d->CancelButton->Left(), 340);
  }
  std::string directory = start;
  WhenShown([&](TSelectDirDlg& d) {
    EXPECT_TRUE(d.HelpButton->Visible());
    EXPECT_EQ(d.OKButton->Left(), 172);
    d.HelpButton->Click();
    d.CancelButton->Click();
  });
  EXPECT_FALSE(ChooseDirectory(directory, kWizardOptions, 1000));
  EXPECT_EQ(asked, std::vector<int>{1000});
  SetHelpHandler(previous);
}

TEST_F(FileCtrlTest, EscapeAndTheCloseBoxCancel) {
  for (UINT how : {0u, 1u}) {
    SCOPED_TRACE(how);
    std::string directory = "unchanged";
    WhenShown([how](TSelectDirDlg& d) {
      if (how == 0) {
        PostMessageA(d.DirList->Handle(), WM_KEYDOWN, VK_ESCAPE, 1);
      } else {
        PostMessageA(d.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
      }
    });
    EXPECT_FALSE(ChooseDirectory(directory, kWizardOptions, 1000));
    EXPECT_EQ(directory, "unchanged");
  }
}

TEST_F(FileCtrlTest, TheFileListShowsPlainFilesSortedAndTheHourglassPastOneHundred) {
  testing_support::WriteFile(start + "\\b.txt", "b");
  testing_support::WriteFile(start + "\\A.txt", "a");
  testing_support::WriteFile(start + "\\hidden.txt", "h");
  SetFileAttributesA((start + "\\hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
  testing_support::WriteFile(start + "\\ro.txt", "r");
  SetFileAttributesA((start + "\\ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  CreateDir(start + "\\adir");
  auto d = MakeComponent<TSelectDirDlg>();
  EXPECT_EQ(d->FileList->Items().All(), (std::vector<std::string>{"A.txt", "b.txt", "ro.txt"}));
  EXPECT_FALSE(d->FileList->UsedHourglass());
  SetFileAttributesA((start + "\\ro.txt").c_str(), FILE_ATTRIBUTE_NORMAL);

  struct Case {
    int files;
    bool hourglass;
  };
  for (const Case c : {Case{100, false}, Case{101, true}}) {
    SCOPED_TRACE(c.files);
    const std::string dir = tmp / ("many" + std::to_string(c.files));
    CreateDir(dir);
    for (int i = 0; i < c.files; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "\\f%03d.dat", i);
      testing_support::WriteFile(dir + name, "");
    }
    d->FileList->SetDirectory(dir);
    EXPECT_EQ(d->FileList->Items().Count(), c.files);
    EXPECT_EQ(d->FileList->UsedHourglass(), c.hourglass);
  }
}

TEST_F(FileCtrlTest, TheDriveListShowsEveryListedDriveWithItsText) {
  auto d = MakeComponent<TSelectDirDlg>();
  const auto& drives = d->DriveList->Drives();
  ASSERT_EQ(static_cast<int>(drives.size()), d->DriveList->Items().Count());
  ASSERT_FALSE(drives.empty());
  const DWORD present = GetLogicalDrives();
  char previous = 0;
  for (std::size_t i = 0; i < drives.size(); ++i) {
    SCOPED_TRACE(d->DriveList->Items()[static_cast<int>(i)]);
    const char letter = drives[i].letter;
    EXPECT_GT(letter, previous);
    previous = letter;
    EXPECT_TRUE(present & (1u << (letter - 'a')));
    EXPECT_EQ(d->DriveList->Items()[static_cast<int>(i)], DriveItemText(drives[i]).value_or("?"));
  }
  EXPECT_EQ(d->DriveList->Drive(), LowerCase(start.substr(0, 1))[0]);
}

TEST_F(FileCtrlTest, ScalingForAnotherPixelDensity) {
  auto d = MakeComponent<TSelectDirDlg>();
  const int fontHeight = d->Font().Height();
  d->ScaleTo(120);
  EXPECT_EQ(d->ClientWidth(), 530);
  EXPECT_EQ(d->ClientHeight(), 319);
  EXPECT_EQ(d->OKButton->BoundsRect(), Bounds(215, 280, 96, 34));
  EXPECT_EQ(d->NameLabel->BoundsRect(), Bounds(10, 10, 115, 16));
  EXPECT_EQ(d->Font().Height(), MulDiv(fontHeight, 120, 96));
  EXPECT_EQ(d->FileList->Font().Height(), d->Font().Height());
  EXPECT_EQ(d->FileList->Font().Color(), clGrayText);
  const TRect work = Screen->WorkAreaRect();
  EXPECT_NEAR(d->Left() + d->Width() / 2, (work.Left + work.Right) / 2, 1);
  EXPECT_NEAR(d->Top() + d->Height() / 2, (work.Top + work.Bottom) / 2, 1);
}

TEST_F(FileCtrlTest, TheCurrentDirectoryIsDrawnHighlightedOnTheScreen) {
  for (const char* name : {"Documents", "Program Files"}) CreateDir(start + "\\" + name);
  std::string directory = start;
  TColor drawn = clNone;
  WhenShown([&](TSelectDirDlg& d) {
    d.Repaint();
    PumpUntil([] { return false; }, 300);
    // The selected item of the directory list, read off the screen.
    const TRect item = d.DirList->ItemRect(d.DirList->ItemIndex());
    POINT at{item.Right - 3, item.Top + 1};
    ClientToScreen(d.DirList->Handle(), &at);
    WindowDC screen;
    drawn = GetPixel(screen.Get(), at.x, at.y);
    d.CancelButton->Click();
  });
  EXPECT_FALSE(ChooseDirectory(directory, kWizardOptions, 1000));
  EXPECT_TRUE(shown);
  EXPECT_EQ(drawn, ColorToRGB(clHighlight));
}
