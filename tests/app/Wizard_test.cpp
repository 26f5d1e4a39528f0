// The installer's windows in-process: page logic, texts, the licence switch
// and the transfer window's handlers. The wizard's buttons are pressed as a
// user presses them, through their windows; message boxes are answered by a
// recorder, and no window waits for a person.
#include <gtest/gtest.h>

#include <oleacc.h>

#include <cstring>
#include <functional>
#include <new>
#include <tuple>
#include <vector>

#include "app/SetupPaths.h"
#include "app/Startup.h"
#include "app/Texts.h"
#include "app/Unit1.h"
#include "app/Unit2.h"
#include "app/Unit3.h"
#include "app/Unit4.h"
#include "app/Unit5.h"
#include "runtime/FileSystem.h"
#include "tests/backup/ArchiveBytes.h"
#include "tests/support/TestFiles.h"

using namespace testing_support;

namespace {

class Installer : public ::testing::Test {
 protected:
  void SetUp() override {
    TSetupPaths& paths = SetupPaths();
    saved_ = paths;
    paths.exeDir = dir_.Path();
    paths.tempScript = dir_ / "SETUP1.TMP";
    paths.tempScriptAtClose = dir_ / "setup1.tmp";
    NewWindows();
  }
  // The five windows afresh, as at start-up, with the boot window's timer off.
  void NewWindows() {
    app_.reset();
    app_ = std::make_unique<TApplication>();
    Application->CreateForm(&Form1);
    Application->CreateForm(&Form2);
    Application->CreateForm(&Form3);
    Application->CreateForm(&Form4);
    Application->CreateForm(&Form5);
    Form1->Timer1->SetEnabled(false);
  }
  void TearDown() override {
    app_.reset();
    Form1 = nullptr;
    Form2 = nullptr;
    Form3 = nullptr;
    Form4 = nullptr;
    Form5 = nullptr;
    SetupPaths() = saved_;
  }

  void Script(const std::string& ini) { WriteFile(dir_ / "SETUP.INS", Zlib(ini)); }
  // Loads the script as the boot window's show does, then shows the wizard
  // afresh, which reads the licence switch.
  void Boot(const std::string& ini) {
    Script(ini);
    Form1->FormShow(Form1);
    Form2->Hide();
    Form2->Show();
  }
  // Whether a user could press button now: shown and usable, in a window
  // that takes input.
  static bool Pressable(TButton* button) {
    HWND window = button->Handle();
    return IsWindowVisible(window) && IsWindowEnabled(window) && IsWindowEnabled(GetAncestor(window, GA_ROOT));
  }
  // Presses a button the way a user does: only one that is shown and can be
  // used, through its window (BM_CLICK). What the press starts has run when
  // this returns.
  static void Press(TButton* button) {
    if (!Pressable(button)) {
      ADD_FAILURE() << "\"" << button->Caption() << "\" cannot be pressed";
      return;
    }
    button->Click();
  }
  // Presses button once its window has opened and the button can be used,
  // from whichever message loop runs then, as a user answers a window that
  // comes up. A button that never becomes usable, or a modal window that the
  // press leaves open, is a failure, and the window is closed so the test
  // goes on.
  static void PressWhenShown(TForm* form, TButton* button) {
    auto* timer = NewComponent<TTimer>(Application);
    timer->SetInterval(10);
    timer->OnTimer = [timer, form, button, shownAt = DWORD{0}, pressed = false](TObject*) mutable {
      if (!form->Visible()) {
        if (pressed) timer->SetEnabled(false);
        return;
      }
      if (shownAt == 0) shownAt = GetTickCount() | 1;
      if (!pressed && Pressable(button)) {
        pressed = true;
        button->Click();
      } else if (GetTickCount() - shownAt > 5000) {
        timer->SetEnabled(false);
        ADD_FAILURE() << "\"" << button->Caption() << (pressed ? "\" left \"" : "\" could not be pressed in \"")
                      << form->Caption() << "\"";
        form->SetModalResult(mrCancel);
      }
    };
  }
  struct Buttons {
    bool backVisible, backEnabled;
    std::string next;
    bool cancelVisible;
    std::string cancel, caption;
    int page;
  };
  Buttons State() const {
    return {Form2->Button3->Visible(), Form2->Button3->Enabled(), Form2->Button2->Caption(),
            Form2->Button1->Visible(), Form2->Button1->Caption(), Form2->Caption(),
            Form2->Notebook1->PageIndex()};
  }

  TempDir dir_;
  std::vector<TMessageBoxRequest> boxes_;
  ScopedMessageBoxHandler answer_{[this](const TMessageBoxRequest& r) {
    boxes_.push_back(r);
    return r.EnterResult;
  }};

 private:
  std::unique_ptr<TApplication> app_;
  TSetupPaths saved_;
};

void ExpectState(const char* step, const auto& got, bool backVisible, bool backEnabled,
                 const std::string& next, bool cancelVisible, const std::string& cancel,
                 const std::string& caption, int page) {
  SCOPED_TRACE(step);
  EXPECT_EQ(got.page, page);
  EXPECT_EQ(got.backVisible, backVisible);
  EXPECT_EQ(got.backEnabled, backEnabled);
  EXPECT_EQ(got.next, next);
  EXPECT_EQ(got.cancelVisible, cancelVisible);
  EXPECT_EQ(got.cancel, cancel);
  EXPECT_EQ(got.caption, caption);
}

template <typename Snapshot>
void ExpectState(const char* step, const Snapshot& got, const Snapshot& want) {
  ExpectState(step, got, want.backVisible, want.backEnabled, want.next, want.cancelVisible, want.cancel,
              want.caption, want.page);
}

}  // namespace

TEST_F(Installer, TextsAreComposedFromTheProductName) {
  for (const std::string product : {"Lumen Notes", ""}) {
    SCOPED_TRACE(product);
    Boot("[Setup]\nApp101=" + product + "\nDestDir102=D:\\Apps\\Lumen\nTitle103=The Title\n");
    EXPECT_EQ(Form2->Label1->Caption(), "Welcome to the " + product +
                                            " Setup program. This program will install " + product +
                                            " on your computer.");
    EXPECT_EQ(Form2->Label8->Caption(), "Setup will install " + product + " in the following directory.");
    EXPECT_EQ(Form2->Label4->Caption(),
              "Do you accept all the terms of the preceding License Agreement?  If you choose No,  "
              "Setup will close.  To Install " + product + ", you must accept this agreement.");
    EXPECT_EQ(Form2->Label6->Caption(), "Setup has finished installing " + product + " on your computer.");
    EXPECT_EQ(Form2->Label5->Caption(), "D:\\Apps\\Lumen");
    EXPECT_EQ(Form5->Label1->Caption(), "The Title");
    EXPECT_EQ(Form5->Label2->Caption(), "The Title");
  }
}

TEST_F(Installer, MissingScriptSaysSoAndEndsTheProgram) {
  // A folder in the temporary folder is most likely one file extracted from
  // a compressed folder.
  const struct {
    std::string folder;
    bool extractAdvice;
  } cases[] = {{dir_.Path() + "\\", true}, {"C:\\", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.folder);
    NewWindows();
    boxes_.clear();
    SetupPaths().exeDir = c.folder;
    WriteFile(dir_ / "setup1.tmp", "left behind");
    Form1->FormShow(Form1);
    ASSERT_EQ(boxes_.size(), 1u);
    const std::string& text = boxes_[0].Text;
    EXPECT_EQ(text.rfind("Setup is corrupt! Cannot load!", 0), 0u) << text;
    EXPECT_NE(text.find("\"" + c.folder + "\""), std::string::npos) << text;
    EXPECT_EQ(text.find("Extract all files of the package first") != std::string::npos, c.extractAdvice) << text;
    EXPECT_EQ(boxes_[0].Kind, TMessageBoxKind::Plain);
    EXPECT_FALSE(Form1->Timer1->Enabled());
    EXPECT_TRUE(Application->Terminated());
    EXPECT_FALSE(FileExists(dir_ / "setup1.tmp")) << "the close deletes the temporary script";
  }
}

TEST_F(Installer, DamagedScriptKeepsTheDesignTexts) {
  WriteFile(dir_ / "SETUP.INS", "[Setup]\nApp101=plain text\n");
  EXPECT_FALSE(Application->Dispatch([] { Form1->FormShow(Form1); }));
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].Text, "Error.");
  EXPECT_EQ(Form2->Label1->Caption(), texts::kWelcomeDesign);
  EXPECT_EQ(Form5->Label1->Caption(), "Label1");
  EXPECT_FALSE(Application->Terminated());
}

TEST_F(Installer, LicenceSwitchFollowsOnlyTheExactWords) {
  WriteFile(dir_ / "LICENSE.TXT", "The terms.\r\n");
  const struct {
    const char* value;
    bool before, after;
  } cases[] = {
      {"Yes", false, true}, {"No", true, false}, {"yes", false, false}, {"YES", true, true},
      {"", true, true},     {nullptr, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value ? c.value : "(missing)");
    LicenseSwitch = c.before;
    Boot(c.value ? std::string("[Setup]\nLicense=") + c.value + "\n" : "[Setup]\n");
    EXPECT_EQ(LicenseSwitch, c.after);
  }
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(Installer, LicenceTextIsLoadedReadOnly) {
  WriteFile(dir_ / "LICENSE.TXT", "Line one\r\nLine two\r\n");
  Boot("[Setup]\nApp101=P\nLicense=Yes\n");
  EXPECT_EQ(Form2->Memo1->GetText(), "Line one\r\nLine two\r\n");
  EXPECT_TRUE(Form2->Memo1->ReadOnly());
}

TEST_F(Installer, MissingLicenceFileIsReportedWithItsName) {
  Script("[Setup]\nApp101=P\nLicense=Yes\n");
  Form1->FormShow(Form1);
  EXPECT_FALSE(Application->Dispatch([] { Form2->FormShow(Form2); }));
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_NE(boxes_[0].Text.find("LICENSE.TXT"), std::string::npos) << boxes_[0].Text;
  EXPECT_EQ(Form2->Memo1->GetText(), "Memo1");
  EXPECT_FALSE(Form2->Memo1->ReadOnly());
}

TEST_F(Installer, NextAndBackWalkThePages) {
  WriteFile(dir_ / "LICENSE.TXT", "Terms");
  const std::string kDestination = "Select Destination Directory";
  const Buttons kOnDestination{true, true, "&Next >", true, "Cancel", kDestination, 2};
  const Buttons kBackOnWelcome{true, false, "&Next >", true, "Cancel", kDestination, 0};
  enum Key { kNext, kBack };
  const struct {
    const char* name;
    const char* license;
    std::vector<std::tuple<const char*, Key, Buttons>> steps;
  } walks[] = {
      {"without licence",
       "No",
       {{"Next", kNext, kOnDestination},
        {"Back", kBack, kBackOnWelcome},
        {"Next again", kNext, kOnDestination}}},
      {"with licence",
       "Yes",
       {{"Next", kNext, {true, true, "&Yes", true, "&No", "Software License Agreement", 1}},
        {"Yes", kNext, kOnDestination},
        {"Back", kBack, {true, true, "&Yes", true, "&No", kDestination, 1}},
        {"Back again", kBack, kBackOnWelcome}}},
  };
  for (const auto& walk : walks) {
    SCOPED_TRACE(walk.name);
    NewWindows();
    Boot(std::string("[Setup]\nApp101=P\nLicense=") + walk.license + "\n");
    ExpectState("start", State(), {false, true, "&Next >", true, "Cancel", "Welcome", 0});
    for (const auto& [step, key, after] : walk.steps) {
      Press(key == kNext ? Form2->Button2 : Form2->Button3);
      ExpectState(step, State(), after);
    }
  }
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(Installer, SecondFinishEndsWithoutASecondRestore) {
  backup_testing::ArchiveBytes()
      .Header(5)
      .File("C:\\P\\README.TXT", backup_testing::kDate, "hello")
      .End()
      .WriteTo(dir_ / "SETUP.Z");
  Boot("[Setup]\nApp101=P\nLicense=No\nDestDir102=" + (dir_ / "dest") + "\n");
  Form1->Gauge1->SetProgress(100);  // handed over
  Press(Form2->Button2);
  Press(Form2->Button2);
  // Back from the transfer, on Complete.
  ExpectState("restored", State(),
              {true, false, "Finish", false, "Cancel", "Select Destination Directory", 3});
  EXPECT_EQ(ToText(ReadFile(dir_ / "dest\\README.TXT")), "hello");
  EXPECT_TRUE(TransferDone);
  EXPECT_TRUE(Form2->Visible());
  EXPECT_FALSE(Form3->Visible());
  EXPECT_TRUE(Form1->Timer1->Enabled());
  ASSERT_TRUE(boxes_.empty()) << boxes_[0].Text;
  // A second restore would find no archive and say so.
  RemoveFile(dir_ / "SETUP.Z");
  Press(Form2->Button2);
  EXPECT_TRUE(Application->Terminated());
  EXPECT_FALSE(Form3->Visible()) << "no transfer window";
  EXPECT_TRUE(boxes_.empty()) << "no restore of the missing archive was tried";
  EXPECT_EQ(Form2->Notebook1->PageIndex(), 3);
}

TEST_F(Installer, TransferAsksForTheNextVolumeInABox) {
  using backup_testing::ArchiveBytes, backup_testing::kDate;
  ArchiveBytes().Header(7).Entry("C:\\P\\A", kDate).Magic().Stored("abc").EndBlock().Marker("002").WriteTo(
      dir_ / "SETUP.Z");
  ArchiveBytes().Magic().Stored("def").EndBlock().File("C:\\P\\B", kDate, "b").End().WriteTo(dir_ / "SETUP.002");
  Boot("[Setup]\nApp101=P\nLicense=No\nDestDir102=" + (dir_ / "dest") + "\n");
  Form1->Gauge1->SetProgress(100);  // handed over
  Press(Form2->Button2);
  Press(Form2->Button2);
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].Text, "Please insert disk 2 and click OK to continue.");
  EXPECT_EQ(boxes_[0].Kind, TMessageBoxKind::Dialog);
  EXPECT_EQ(ToText(ReadFile(dir_ / "dest\\A")), "abcdef");
  EXPECT_EQ(ToText(ReadFile(dir_ / "dest\\B")), "b");
  EXPECT_EQ(Form2->Label6->Caption(), "Setup has finished installing P on your computer.");
}

TEST_F(Installer, TransferWindowFollowsProgress) {
  Form3->Show();
  Form2->Notebook1->SetPageIndex(2);
  bool go = true;
  Form3->BackupFile1Progress(Form3->BackupFile1, "", 10, go);
  EXPECT_EQ(Form3->Gauge1->Progress(), 10);
  Form3->BackupFile1Progress(Form3->BackupFile1, "", 50, go);
  EXPECT_EQ(Form3->Gauge1->Progress(), 50);
  EXPECT_TRUE(Form3->Visible());
  EXPECT_FALSE(Form2->Visible());
  Form3->BackupFile1Progress(Form3->BackupFile1, "", 100, go);
  EXPECT_TRUE(go) << "the transfer window never stops the restore by itself";
  EXPECT_FALSE(Form3->Visible());
  EXPECT_TRUE(Form2->Visible());
  EXPECT_EQ(Form2->Notebook1->PageIndex(), 3);
  EXPECT_TRUE(Form1->Timer1->Enabled());
  Form2->Hide();
}

// The label names each file as it is restored, and is painted once per look
// at the message queue: files restored in quick succession are painted
// together, not once each.
TEST_F(Installer, TransferPaintsTheLabelOncePerLookNotPerFile) {
  constexpr int kFiles = 400;
  backup_testing::ArchiveBytes archive;
  archive.Header(kFiles);
  for (int i = 0; i < kFiles; ++i) archive.File("C:\\P\\F" + std::to_string(i), backup_testing::kDate, "x");
  archive.End().WriteTo(dir_ / "SETUP.Z");
  Boot("[Setup]\nApp101=P\nLicense=No\nDestDir102=" + (dir_ / "dest") + "\n");
  Form1->Gauge1->SetProgress(100);  // handed over
  int paints = 0;
  Form3->Label1->OnPaint = [&paints](TObject*) { ++paints; };
  Press(Form2->Button2);
  Press(Form2->Button2);
  Form3->Label1->OnPaint = nullptr;
  EXPECT_EQ(ToText(ReadFile(dir_ / "dest\\F399")), "x");
  EXPECT_EQ(Form2->Notebook1->PageIndex(), 3);
  EXPECT_GE(paints, 1) << "the label was never painted";
  EXPECT_LT(paints, kFiles / 4) << "painted once per file";
}

TEST_F(Installer, TransferWindowShowsFileAndErrorText) {
  std::string name = "C:\\Program Files\\P\\README.TXT";
  std::unique_ptr<TFileStream> none;
  Form3->BackupFile1FileRestored(Form3->BackupFile1, name, none);
  EXPECT_EQ(Form3->Label1->Caption(), "Transfer of File: C:\\Program Files\\P\\README.TXT");

  Boot("[Setup]\nApp101=P\n");
  Form3->BackupFile1Error(Form3->BackupFile1, 1, "Cannot read file");
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].Text, "Cannot read file");
  EXPECT_EQ(boxes_[0].Kind, TMessageBoxKind::Plain);
  EXPECT_EQ(Form2->Label6->Caption(), "Setup could not finish installing P on your computer.");
}

// A file that cannot be written: the box and the Complete page name it and
// the reason, and the previous version stays.
TEST_F(Installer, AFailedFileIsNamedWithItsReason) {
  backup_testing::ArchiveBytes()
      .Header(10)
      .File("C:\\P\\A.TXT", backup_testing::kDate, "new a")
      .File("C:\\P\\B.TXT", backup_testing::kDate, "new b")
      .End()
      .WriteTo(dir_ / "SETUP.Z");
  ASSERT_TRUE(ForceDirectories(dir_ / "dest\\B.TXT"));  // a directory in the way
  Boot("[Setup]\nApp101=P\nLicense=No\nDestDir102=" + (dir_ / "dest") + "\n");
  Form1->Gauge1->SetProgress(100);  // handed over
  Press(Form2->Button2);
  Press(Form2->Button2);
  const std::string why = ExpandFileName(dir_ / "dest\\B.TXT") + ": A directory has that name.";
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].Text, "Cannot read file\r\n\r\n" + why);
  EXPECT_EQ(Form2->Label6->Caption(), "Setup could not finish installing P on your computer.\r\n\r\n" + why);
  EXPECT_EQ(Form2->Notebook1->PageIndex(), 3);
  EXPECT_EQ(ToText(ReadFile(dir_ / "dest\\A.TXT")), "new a");
  EXPECT_TRUE(DirectoryExists(dir_ / "dest\\B.TXT"));
}

TEST_F(Installer, ExitSetupEndsTheProgramAndDeletesTheScript) {
  Boot("[Setup]\nApp101=P\n");
  ASSERT_TRUE(FileExists(SetupPaths().tempScript));
  PressWhenShown(Form4, Form4->Button1);
  Press(Form2->Button1);
  EXPECT_TRUE(Application->Terminated());
  EXPECT_FALSE(Form4->Visible());
  EXPECT_FALSE(FileExists(SetupPaths().tempScript));
}

// Exit Setup during the copy: the files the run added go, the file being
// written is not left cut short, and a previous version stays.
TEST_F(Installer, ExitSetupDuringTheCopyLeavesNoFileOfTheRun) {
  backup_testing::ArchiveBytes archive;
  archive.Header(40000000).File("C:\\P\\A.TXT", backup_testing::kDate, "new a");
  archive.Entry("C:\\P\\B.TXT", backup_testing::kDate).Magic();
  for (int i = 0; i < 2400; ++i) archive.Stored(std::string(16384, 'b'));
  archive.EndBlock().End().WriteTo(dir_ / "SETUP.Z");
  ASSERT_TRUE(ForceDirectories(dir_ / "dest"));
  WriteFile(dir_ / "dest\\B.TXT", "old b");
  Boot("[Setup]\nApp101=P\nLicense=No\nDestDir102=" + (dir_ / "dest") + "\n");
  Form1->Gauge1->SetProgress(100);  // handed over
  Press(Form2->Button2);
  PressWhenShown(Form3, Form3->Button1);
  PressWhenShown(Form4, Form4->Button1);
  Press(Form2->Button2);
  EXPECT_TRUE(Application->Terminated());
  std::vector<std::string> left;
  for (const DirEntry& e : ListDirectory(dir_ / "dest")) left.push_back(e.name);
  EXPECT_EQ(left, std::vector<std::string>{"B.TXT"});
  EXPECT_EQ(ToText(ReadFile(dir_ / "dest\\B.TXT")), "old b");
}

TEST_F(Installer, ExitConfirmationTextAndButtons) {
  EXPECT_EQ(Form4->Caption(), "Exit Setup");
  EXPECT_EQ(Form4->Label1->Caption(),
            "Setup is not complete.  If you quit the Setup program now, the program will not be "
            "installed.\r\n\r\nYou may run the Setup program at a later time to complete the "
            "installation.\r\n\r\nTo continue installing the program, click Resume.  To quit the "
            "Setup program, click Exit Setup.");
  EXPECT_TRUE(Form4->Button2->Default());
  EXPECT_FALSE(Form4->Button1->Cancel());
  EXPECT_FALSE(Form4->Button2->Cancel());
}

namespace {

// A label's pixels inside its own rectangle, painted onto white.
std::vector<TColor> LabelPixels(TLabel& label) {
  TBitmap bitmap(label.Left() + label.Width(), label.Top() + label.Height());
  bitmap.Canvas().Brush().SetColor(clWhite);
  bitmap.Canvas().FillRect(Rect(0, 0, bitmap.Width(), bitmap.Height()));
  label.PaintTo(bitmap.Canvas().Handle());
  std::vector<TColor> pixels;
  for (int y = label.Top(); y < label.Top() + label.Height(); ++y) {
    for (int x = label.Left(); x < label.Left() + label.Width(); ++x) pixels.push_back(bitmap.Pixel(x, y));
  }
  return pixels;
}

std::string DoubledAmpersands(const std::string& text) {
  std::string out;
  for (char c : text) out += c == '&' ? std::string("&&") : std::string(1, c);
  return out;
}

}  // namespace

TEST_F(Installer, SettingsWithAnAmpersandAreShownAsTheyAre) {
  Boot("[Setup]\nApp101=AT&T Tools\nDestDir102=C:\\Tools\\AT&T\nTitle103=AT&T Setup\n");
  const struct {
    const char* name;
    TLabel* label;
  } cases[] = {
      {"Welcome", Form2->Label1},  {"licence question", Form2->Label4}, {"destination", Form2->Label5},
      {"finished", Form2->Label6}, {"will install", Form2->Label8},     {"title shadow", Form5->Label1},
      {"title face", Form5->Label2},
  };
  EXPECT_EQ(Form2->Label5->Caption(), "C:\\Tools\\AT&T");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string text = c.label->Caption();
    ASSERT_NE(text.find('&'), std::string::npos);
    const std::vector<TColor> shown = LabelPixels(*c.label);
    // The same text with each "&" escaped, drawn by a label that takes
    // access keys: what the user must see.
    const bool accel = c.label->ShowAccelChar();
    c.label->SetShowAccelChar(true);
    c.label->SetCaption(DoubledAmpersands(text));
    const std::vector<TColor> expected = LabelPixels(*c.label);
    c.label->SetCaption(text);
    c.label->SetShowAccelChar(accel);
    EXPECT_TRUE(shown == expected) << "\"" << text << "\" is not drawn as it is";
  }
}

TEST_F(Installer, DestinationThatCannotBeMadeIsNamedAndKeepsTheDestinationPage) {
  WriteFile(dir_ / "plain.txt", "a file, not a directory");
  const struct {
    const char* name;
    std::string destination;
    std::string said;
  } cases[] = {
      {"empty", "", "No destination directory"},
      {"blank", "   ", "No destination directory"},
      {"drive that does not exist", "Q:\\Nowhere\\Product", "Q:\\Nowhere\\Product"},
      {"bar in the name", dir_ / "a|b", dir_ / "a|b"},
      {"star in the name", dir_ / "new\\a*b", dir_ / "new\\a*b"},
      {"longer than the system allows", dir_ / std::string(300, 'x'), std::string(300, 'x')},
      {"a file of that name", dir_ / "plain.txt", "A file of that name exists."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    boxes_.clear();
    NewWindows();
    Boot("[Setup]\nApp101=P\nLicense=No\n");
    Press(Form2->Button2);
    Form2->SetDestination(c.destination);
    Press(Form2->Button2);
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_NE(boxes_[0].Text.find(c.said), std::string::npos) << boxes_[0].Text;
    EXPECT_EQ(boxes_[0].Kind, TMessageBoxKind::ErrorReport);
    ExpectState("after Next", State(), true, true, "&Next >", true, "Cancel", "Select Destination Directory", 2);
    EXPECT_FALSE(Form3->Visible()) << "no transfer was started";
    EXPECT_FALSE(TransferDone);
    EXPECT_FALSE(DirectoryExists(dir_ / "new")) << "nothing is left half made";
  }
}

TEST_F(Installer, FolderNameOutsideTheCodePageIsSaidSo) {
  Script("[Setup]\nApp101=P\n");
  SetupPaths().exeDirPlain = false;
  Form1->FormShow(Form1);
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_NE(boxes_[0].Text.find("Move the package to a folder with a plain name"), std::string::npos)
      << boxes_[0].Text;
  EXPECT_NE(boxes_[0].Text.find(dir_.Path()), std::string::npos) << "the folder is named";
  EXPECT_TRUE(Application->Terminated());
  EXPECT_FALSE(FileExists(SetupPaths().tempScript));
}

TEST_F(Installer, TimerOpensNothingOnceTheProgramIsEnding) {
  // The wizard was shown with the licence; a show after the end would load
  // the LICENSE.TXT that is gone now and report it.
  WriteFile(dir_ / "LICENSE.TXT", "Terms");
  Boot("[Setup]\nApp101=P\nLicense=Yes\n");
  RemoveFile(dir_ / "LICENSE.TXT");
  Form2->Hide();  // its modal loop has ended
  Form1->Gauge1->SetProgress(100);
  Form1->Close();
  ASSERT_TRUE(Application->Terminated());
  Form1->Timer1Timer(Form1);
  EXPECT_TRUE(boxes_.empty()) << "the wizard was shown: " << boxes_[0].Text;
  EXPECT_FALSE(Form2->Visible());
}

// The timer goes on ticking for the whole run; the gauge it steps is hidden
// from the hand-over on, and nothing hidden is painted.
TEST_F(Installer, BootGaugeIsNotPaintedAfterTheHandOver) {
  Script("[Setup]\nApp101=P\n");
  Form1->Show();
  Form1->Gauge1->SetProgress(100);
  Form1->Hide();
  Form2->Show();
  int paints = 0;
  Form1->Gauge1->OnPaint = [&](TObject*) { ++paints; };
  for (int tick = 0; tick < 10; ++tick) Form1->Timer1Timer(Form1);
  Application->ProcessMessages();
  EXPECT_EQ(paints, 0);
  EXPECT_EQ(Form1->Gauge1->Progress(), 100);
  Form1->Show();
  Form1->Repaint();
  EXPECT_GT(paints, 0) << "shown again, it is painted";
  Form2->Hide();
}

TEST_F(Installer, WindowsCarryTheInstallersIcon) {
  for (TForm* form : std::initializer_list<TForm*>{Form1, Form2, Form3, Form4, Form5}) {
    SCOPED_TRACE(form->Name());
    EXPECT_NE(GetClassLongPtrA(form->Handle(), GCLP_HICON), 0);
  }
}

TEST_F(Installer, FailureThatEscapesTheRunIsReportedAndEndsTheProgram) {
  const struct {
    const char* name;
    std::function<void()> body;
    int code;
    std::string said;
  } cases[] = {
      {"clean run", [] {}, 0, ""},
      {"toolkit failure", [] { throw EInvalidOperation("Cannot create the window"); }, 1,
       "Cannot create the window."},
      {"out of memory", [] { throw std::bad_alloc(); }, 1, "std::bad_alloc."},
      {"anything else", [] { throw 42; }, 1, "An unexpected error occurred."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    boxes_.clear();
    WriteFile(SetupPaths().tempScriptAtClose, "[Setup]\n");
    EXPECT_EQ(RunGuarded(c.body), c.code);
    if (c.code == 0) {
      EXPECT_TRUE(boxes_.empty());
      continue;
    }
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].Text, c.said);
    EXPECT_EQ(boxes_[0].Kind, TMessageBoxKind::ErrorReport);
    EXPECT_FALSE(FileExists(SetupPaths().tempScriptAtClose)) << "the temporary script is deleted";
  }
}

namespace {

std::string Narrow(BSTR text) {
  if (text == nullptr) return "";
  const int length = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_ACP, 0, text, -1, out.data(), length, nullptr, nullptr);
  SysFreeString(text);
  out.resize(std::strlen(out.c_str()));
  return out;
}

// One element as a screen reader tells it: static text by its text, a
// progress bar by its value, any other by its name in brackets; "(dimmed)"
// when unavailable.
std::string Tell(IAccessible& object, LONG id) {
  VARIANT child{};
  child.vt = VT_I4;
  child.lVal = id;
  BSTR name = nullptr, value = nullptr;
  VARIANT role{}, state{};
  object.get_accName(child, &name);
  object.get_accValue(child, &value);
  object.get_accRole(child, &role);
  object.get_accState(child, &state);
  std::string told = role.lVal == ROLE_SYSTEM_STATICTEXT    ? Narrow(name)
                     : role.lVal == ROLE_SYSTEM_PROGRESSBAR ? "gauge " + Narrow(value)
                                                            : "[" + Narrow(name) + "]";
  if (state.vt == VT_I4 && (state.lVal & STATE_SYSTEM_UNAVAILABLE) != 0) told += " (dimmed)";
  EXPECT_EQ(state.lVal & STATE_SYSTEM_INVISIBLE, 0) << told << " is told although it does not show";
  return told;
}

// What a screen reader reads of a window's client area, in order: every
// element of it, and of each child object that holds elements of its own.
void ReadElements(IAccessible& object, std::vector<std::string>& told) {
  LONG count = 0;
  ASSERT_EQ(object.get_accChildCount(&count), S_OK);
  for (LONG id = 1; id <= count; ++id) {
    VARIANT child{};
    child.vt = VT_I4;
    child.lVal = id;
    IDispatch* dispatch = nullptr;
    if (object.get_accChild(child, &dispatch) != S_OK || dispatch == nullptr) {
      told.push_back(Tell(object, id));
      continue;
    }
    IAccessible* inner = nullptr;
    dispatch->QueryInterface(__uuidof(IAccessible), reinterpret_cast<void**>(&inner));
    dispatch->Release();
    ASSERT_NE(inner, nullptr);
    LONG innerCount = 0;
    inner->get_accChildCount(&innerCount);
    if (innerCount > 0) {
      ReadElements(*inner, told);
    } else {
      told.push_back(Tell(*inner, CHILDID_SELF));
    }
    inner->Release();
  }
}

std::vector<std::string> ScreenReaderView(TForm* form) {
  IAccessible* object = nullptr;
  const HRESULT found = AccessibleObjectFromWindow(form->Handle(), static_cast<DWORD>(OBJID_CLIENT),
                                                   __uuidof(IAccessible), reinterpret_cast<void**>(&object));
  std::vector<std::string> told;
  if (FAILED(found) || object == nullptr) {
    ADD_FAILURE() << "no accessible object for " << form->Name();
    return told;
  }
  ReadElements(*object, told);
  object->Release();
  return told;
}

}  // namespace

TEST_F(Installer, ScreenReadersReadEveryWindowsTextsInOrder) {
  WriteFile(dir_ / "LICENSE.TXT", "The terms.\r\n");
  backup_testing::ArchiveBytes()
      .Header(5)
      .File("C:\\P\\README.TXT", backup_testing::kDate, "hello")
      .End()
      .WriteTo(dir_ / "SETUP.Z");
  const std::string destination = dir_ / "dest";
  Boot("[Setup]\nApp101=P\nLicense=Yes\nDestDir102=" + destination + "\n");
  Form2->Hide();
  const std::string kNamed = "Calderwick (dimmed)";
  const struct {
    const char* name;
    std::function<void()> step;
    TForm* form;
    std::vector<std::string> told;
  } views[] = {
      {"boot window", [] { Form1->Show(); Form1->Gauge1->SetProgress(40); }, Form1,
       {texts::kBootPreparing, "gauge 40%"}},
      {"welcome page", [] { Form1->Hide(); Form2->Show(); }, Form2,
       {texts::Welcome("P"), texts::kWelcomeAdvice, kNamed, "[Next >]", "[Cancel]"}},
      {"licence page", [] { Press(Form2->Button2); }, Form2,
       {texts::kLicenseIntro, "[]", texts::LicenseQuestion("P"), kNamed, "[< Back]", "[Yes]", "[No]"}},
      {"destination page", [] { Press(Form2->Button2); }, Form2,
       {texts::Destination("P"), texts::kDestinationAdvice, destination, "[Browse...]", kNamed, "[< Back]",
        "[Next >]", "[Cancel]"}},
      {"exit confirmation", [] { Form4->Show(); }, Form4, {texts::kExitQuestion, "[Resume]", "[Exit Setup]"}},
      {"complete page", [] { Form4->Hide(); Press(Form2->Button2); }, Form2,
       {texts::Finished("P"), texts::kClickFinish, kNamed, "[< Back] (dimmed)", "[Finish]"}},
      {"transfer window",
       [] {
         Form2->Hide();
         Form3->Show();
         std::string file = "C:\\P\\README.TXT";
         std::unique_ptr<TFileStream> none;
         Form3->BackupFile1FileRestored(Form3->BackupFile1, file, none);
         bool go = true;
         Form3->BackupFile1Progress(Form3->BackupFile1, "", 37, go);
       },
       Form3, {texts::kTransferOf + "C:\\P\\README.TXT", "gauge 37%", "[Cancel]"}},
  };
  for (const auto& view : views) {
    SCOPED_TRACE(view.name);
    view.step();
    ASSERT_TRUE(view.form->Visible());
    EXPECT_EQ(ScreenReaderView(view.form), view.told);
  }
  Form2->Hide();
}

namespace {

// What a screen reader hears while it listens: each value or name change
// of this process, told as the element reads when the event arrives.
std::vector<std::pair<DWORD, std::string>> gHeard;

void CALLBACK Hear(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD, DWORD) {
  IAccessible* accessible = nullptr;
  VARIANT element{};
  if (FAILED(AccessibleObjectFromEvent(window, static_cast<DWORD>(object), static_cast<DWORD>(child), &accessible,
                                       &element)) ||
      accessible == nullptr) {
    gHeard.emplace_back(event, "(unreadable)");
    return;
  }
  gHeard.emplace_back(event, Tell(*accessible, element.vt == VT_I4 ? element.lVal : CHILDID_SELF));
  accessible->Release();
}

}  // namespace

TEST_F(Installer, ScreenReadersHearTheGaugeAndTheFileDuringATransfer) {
  backup_testing::ArchiveBytes archive;
  archive.Header(60 * 2000);
  for (int i = 1; i <= 60; ++i) {
    archive.File("C:\\P\\FILE" + std::to_string(i) + ".TXT", backup_testing::kDate, std::string(2000, 'x'));
  }
  archive.End().WriteTo(dir_ / "SETUP.Z");
  Boot("[Setup]\nApp101=P\nLicense=No\nDestDir102=" + (dir_ / "dest") + "\n");
  Press(Form2->Button2);
  gHeard.clear();
  const HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_VALUECHANGE, GetModuleHandleA(nullptr),
                                             Hear, GetCurrentProcessId(), 0, WINEVENT_INCONTEXT);
  ASSERT_NE(hook, nullptr);
  const DWORD start = GetTickCount();
  Press(Form2->Button2);  // the restore runs
  const DWORD took = GetTickCount() - start;
  UnhookWinEvent(hook);
  ASSERT_TRUE(boxes_.empty()) << boxes_[0].Text;
  ASSERT_EQ(Form2->Notebook1->PageIndex(), 3);

  std::vector<std::string> values, names;
  for (const auto& [event, told] : gHeard) (event == EVENT_OBJECT_VALUECHANGE ? values : names).push_back(told);
  ASSERT_GE(values.size(), 2u);
  for (std::size_t i = 1; i < values.size(); ++i) {
    EXPECT_LT(std::stoi(values[i - 1].substr(6)), std::stoi(values[i].substr(6))) << values[i];
  }
  EXPECT_EQ(values.back(), "gauge 100%");
  // Sixty file names in a fraction of a second: the first is told at once,
  // the rest at most four times a second.
  ASSERT_FALSE(names.empty());
  EXPECT_EQ(names.front(), texts::kTransferOf + (dir_ / "dest\\FILE1.TXT"));
  EXPECT_LE(names.size(), took / 250 + 2) << "in " << took << " ms";
}
