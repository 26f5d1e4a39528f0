// The directory chooser: ChooseDirectory and the dialog behind it with its
// directory list, file list, drive list and path label, all built in code.
//
// The lists move by making the directory they show the process's current
// directory, and leave it there when the dialog closes.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "toolkit/Toolkit.h"
#include "widgets/FileCtrlGlyphs.h"
#include "widgets/FileCtrlLogic.h"

enum TDirChooserOption : unsigned { dcTypeName = 1, dcCreate = 2, dcConfirm = 4 };
using TDirChooserOptions = unsigned;  // a set of TDirChooserOption flags

// Shows the directory chooser modally. True on OK: Directory then holds the
// name box's text (dcTypeName) or the list's directory, and with dcCreate
// that directory has been created with its missing parents. False on
// Cancel, Escape or the close box, with Directory unchanged. HelpContext 0
// hides the Help button. Raises EInOutError when the initial text names a
// drive that cannot be read, and when dcCreate cannot make the directory.
bool ChooseDirectory(std::string& Directory, TDirChooserOptions Options, int HelpContext);

// The application's help facility: called with the help context when a
// Help button is pressed. The installer has no help file, so by default
// nothing is shown. Returns the previous handler.
using THelpHandler = std::function<void(int HelpContext)>;
THelpHandler SetHelpHandler(THelpHandler handler);

// One 16-colour glyph as a transparent bitmap (bottom-left colour left out),
// in the size made for the density nearest ppi (ScaledGlyph).
std::unique_ptr<TBitmap> MakeGlyphBitmap(filectrl::GlyphId id, int ppi = kDesignPixelsPerInch);

// A label that shows a path shortened to its width ("C:\...\dir\name").
class TPathLabel : public TLabel {
 public:
  explicit TPathLabel(TComponent* owner);
  // The text as painted now.
  std::string ShownText();

 protected:
  void Paint() override;
};

class TFileListBox;

// The directory tree from the drive root to the current directory and the
// current directory's subdirectories, with folder glyphs.
class TDirectoryListBox : public TListBox {
 public:
  explicit TDirectoryListBox(TComponent* owner);

  // Full path of the directory shown, as the system reports it.
  const std::string& Directory() const { return directory_; }
  // Moves the list: makes dir the process's current directory, reads it
  // back, rebuilds the items and runs OnChange. Nothing happens when dir is
  // the directory shown. Raises EInOutError naming dir when it cannot be
  // entered; the list then stays where it was.
  void SetDirectory(const std::string& dir);
  // Moves to the directory the system keeps as current on a drive.
  void SetDrive(char letter);
  char Drive() const;
  // Re-reads the process's current directory and the subdirectories.
  void Rebuild();
  // The directory a double-click on item index opens.
  std::string ItemPath(int index) const;
  // Opens item index as a double-click does.
  void OpenItem(int index);
  const filectrl::DirItems& Model() const { return model_; }
  // The item height and the glyphs follow the density.
  void ChangeScale(int ppi) override;

  TNotifyEvent OnChange;

  // Enter on a highlighted item that is not the current one opens it, as a
  // double-click does; on the current item it is left to the default button.
  bool DialogKey(WPARAM key) override;

 protected:
  void DrawItem(int index, TRect rect, TOwnerDrawState state) override;

 private:
  void ReadVolumeFlags();

  std::string directory_;
  bool keepCase_ = false;
  bool caseSensitive_ = false;
  filectrl::DirItems model_;
  std::unique_ptr<TBitmap> open_, closed_, current_;
};

// The plain files of a directory, sorted by the list, in grey.
class TFileListBox : public TListBox {
 public:
  explicit TFileListBox(TComponent* owner);
  const std::string& Directory() const { return directory_; }
  void SetDirectory(const std::string& dir);
  const std::string& Mask() const { return mask_; }
  // Whether the hourglass was shown while the list was last filled.
  bool UsedHourglass() const { return usedHourglass_; }

 private:
  void Fill();
  std::string directory_;
  std::string mask_ = "*.*";
  bool usedHourglass_ = false;
};

// The machine's drives with their glyphs and labels, read once.
class TDriveComboBox : public TComboBox {
 public:
  explicit TDriveComboBox(TComponent* owner);
  // Lower-case letter of the selected drive, or 0.
  char Drive();
  // Selects the drive's item (none when the machine lacks it) and runs
  // OnChange, which is not dispatched: its failures go to the caller.
  void SetDrive(char letter);
  // Selects the drive's item without running OnChange.
  void ShowDrive(char letter);
  const std::vector<filectrl::DriveInfo>& Drives() const { return drives_; }
  // The item height follows the scaled font, the glyphs the density.
  void ChangeScale(int ppi) override;

 protected:
  void DrawItem(int index, TRect rect, TOwnerDrawState state) override;
  void FontChanged() override;
  bool Notification(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  void BuildList();
  void FitItemHeight();
  int IndexOf(char letter) const;
  char drive_ = 0;
  std::vector<filectrl::DriveInfo> drives_;
  std::vector<std::unique_ptr<TBitmap>> glyphs_;  // per GlyphId, drives only
};

// The dialog of ChooseDirectory, built in code.
class TSelectDirDlg : public TForm {
 public:
  explicit TSelectDirDlg(TComponent* owner);

  TEdit* DirEdit;
  TPathLabel* DirLabel;
  TDirectoryListBox* DirList;
  TFileListBox* FileList;
  TDriveComboBox* DriveList;
  TButton* NetButton;
  TButton* OKButton;
  TButton* CancelButton;
  TButton* HelpButton;
  TLabel* NameLabel;
  TLabel* DirsLabel;
  TLabel* FilesLabel;
  TLabel* DrivesLabel;

  // Moves to the caller's initial text (see ChooseDirectory).
  void SetDirectory(const std::string& text);
  // The result on OK: the name box's text with dcTypeName, else the list's
  // directory.
  std::string Directory();
  void ApplyOptions(TDirChooserOptions options);
  // Hides Help and moves OK and Cancel right for context 0.
  void ApplyHelpContext(int helpContext);
  int HelpContext() const { return helpContext_; }

  void DriveListChange(TObject* Sender);
  void DirListChange(TObject* Sender);
  void OKClick(TObject* Sender);
  void NetClick(TObject* Sender);
  void HelpButtonClick(TObject* Sender);

 private:
  bool typeName_ = false;
  bool confirm_ = false;
  int helpContext_ = 0;
  // The network connection dialog entry, when the platform offers one.
  using ConnectDialog = DWORD(WINAPI*)(HWND, DWORD);
  ConnectDialog connectDialog_ = nullptr;
};
