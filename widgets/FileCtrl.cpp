#include "widgets/FileCtrl.h"

#include <windows.h>
#include <winnetwk.h>

#include <optional>

#include "runtime/Exceptions.h"
#include "runtime/FileSystem.h"
#include "toolkit/SystemLibrary.h"

using namespace filectrl;

namespace {

// The platform's critical-error prompts (such as "insert a disk") are off
// while it lives; the previous mode comes back afterwards.
class CriticalErrorsOff {
 public:
  CriticalErrorsOff() : previous_(SetErrorMode(SEM_FAILCRITICALERRORS)) {}
  ~CriticalErrorsOff() { SetErrorMode(previous_); }
  CriticalErrorsOff(const CriticalErrorsOff&) = delete;
  CriticalErrorsOff& operator=(const CriticalErrorsOff&) = delete;

 private:
  UINT previous_;
};

// Shows the hourglass pointer on request; the previous pointer comes back
// when the guard ends.
class HourglassCursor {
 public:
  HourglassCursor() = default;
  ~HourglassCursor() {
    if (shown_) SetCursor(previous_);
  }
  HourglassCursor(const HourglassCursor&) = delete;
  HourglassCursor& operator=(const HourglassCursor&) = delete;

  void Show() {
    if (shown_) return;
    previous_ = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    shown_ = true;
  }
  bool Shown() const { return shown_; }

 private:
  bool shown_ = false;
  HCURSOR previous_ = nullptr;
};

THelpHandler& HelpHandler() {
  static THelpHandler handler;
  return handler;
}

std::optional<std::string> VolumeLabel(const std::string& root) {
  char label[MAX_PATH + 1] = {};
  if (!GetVolumeInformationA(root.c_str(), label, sizeof label, nullptr, nullptr, nullptr, nullptr, 0)) {
    return std::nullopt;
  }
  return std::string(label);
}

std::optional<std::string> NetworkName(char letter) {
  using GetConnection = DWORD(WINAPI*)(LPCSTR, LPSTR, LPDWORD);
  static const TSystemLibrary network("mpr.dll");
  const auto getConnection = EntryPoint<GetConnection>(network.Handle(), "WNetGetConnectionA");
  if (getConnection == nullptr) return std::nullopt;
  const char local[3] = {letter, ':', '\0'};
  char remote[MAX_PATH + 1] = {};
  DWORD length = sizeof remote;
  if (getConnection(local, remote, &length) != NO_ERROR) return std::nullopt;
  return std::string(remote);
}

DriveKind KindOf(UINT driveType) {
  switch (driveType) {
    case DRIVE_REMOVABLE: return DriveKind::Removable;
    case DRIVE_FIXED: return DriveKind::Fixed;
    case DRIVE_REMOTE: return DriveKind::Network;
    case DRIVE_CDROM: return DriveKind::CDRom;
    case DRIVE_RAMDISK: return DriveKind::RamDisk;
    default: return DriveKind::Other;
  }
}

GlyphId DriveGlyph(DriveKind kind) {
  switch (kind) {
    case DriveKind::Removable: return GlyphId::Floppy;
    case DriveKind::Network: return GlyphId::Network;
    case DriveKind::CDRom: return GlyphId::CDRom;
    case DriveKind::RamDisk: return GlyphId::Ram;
    default: return GlyphId::Hard;
  }
}

// Character height of a font on the screen.
int FontCharHeight(TFont& font) {
  WindowDC screen;
  SelectGuard select(screen.Get(), font.Handle());
  TEXTMETRICA metrics{};
  GetTextMetricsA(screen.Get(), &metrics);
  return metrics.tmHeight;
}

// The dialog is laid out for 96 pixels per inch; its form scales it to the
// screen when it is created.
constexpr int kClientWidth = 424, kClientHeight = 255;

}  // namespace

THelpHandler SetHelpHandler(THelpHandler handler) {
  THelpHandler previous = std::move(HelpHandler());
  HelpHandler() = std::move(handler);
  return previous;
}

std::unique_ptr<TBitmap> MakeGlyphBitmap(GlyphId id, int ppi) {
  const std::vector<std::uint8_t> data =
      GlyphBmpData(ScaledGlyph(GetGlyph(id), NearestPictureDensity(ppi) * 100 / kDesignPixelsPerInch));
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->LoadFromBmpData(data.data(), data.size());
  bitmap->SetTransparent(true);
  return bitmap;
}

// ---------------------------------------------------------------------------

TPathLabel::TPathLabel(TComponent* owner) : TLabel(owner) {
  SetAutoSize(false);
  SetShowAccelChar(false);
}

std::string TPathLabel::ShownText() {
  TCanvas& canvas = Canvas();
  if (!canvas.Font().Equals(Font())) canvas.Font().Assign(Font());
  return ShortenPath(Caption(), Width(), [&canvas](const std::string& text) { return canvas.TextWidth(text); });
}

void TPathLabel::Paint() {
  TCanvas& canvas = Canvas();
  TRect r = ClientRect();
  if (!Transparent()) {
    canvas.Brush().SetStyle(bsSolid);
    canvas.Brush().SetColor(Color());
    canvas.FillRect(r);
  }
  const std::string text = ShownText();
  canvas.Brush().SetStyle(bsClear);
  canvas.DrawText(text, r, DrawTextFlags() | DT_NOPREFIX);
}

// ---------------------------------------------------------------------------

TDirectoryListBox::TDirectoryListBox(TComponent* owner)
    : TListBox(owner),
      open_(MakeGlyphBitmap(GlyphId::OpenFolder)),
      closed_(MakeGlyphBitmap(GlyphId::ClosedFolder)),
      current_(MakeGlyphBitmap(GlyphId::CurrentFolder)) {
  SetStyle(lbOwnerDrawFixed);
  SetItemHeight(kDirItemHeight);
  OnDblClick = [this](TObject*) {
    const int index = ItemIndex();
    if (index >= 0) OpenItem(index);
  };
  Rebuild();
}

void TDirectoryListBox::ReadVolumeFlags() {
  CriticalErrorsOff quiet;
  DWORD flags = 0;
  const std::string root = PathRoot(directory_);
  if (root.empty() ||
      !GetVolumeInformationA(root.c_str(), nullptr, 0, nullptr, nullptr, &flags, nullptr, 0)) {
    flags = 0;
  }
  keepCase_ = (flags & (FS_CASE_IS_PRESERVED | FS_CASE_SENSITIVE)) != 0;
  caseSensitive_ = (flags & FS_CASE_SENSITIVE) != 0;
}

void TDirectoryListBox::Rebuild() {
  directory_ = GetCurrentDir();
  ReadVolumeFlags();
  model_ = BuildDirItems(directory_, ListDirectory(directory_), keepCase_);
  std::vector<std::string> texts;
  for (const auto& item : model_.items) texts.push_back(item.text);
  SetItems(texts);
  SetItemIndex(model_.current);
}

void TDirectoryListBox::SetDirectory(const std::string& dir) {
  if (SameDirectory(dir, directory_, caseSensitive_)) return;
  {
    CriticalErrorsOff quiet;
    if (!SetCurrentDir(dir)) {
      const int code = LastErrorCode();
      throw EInOutError("Cannot change to the directory \"" + dir + "\". " + SysErrorMessage(code), code);
    }
  }
  Rebuild();
  if (OnChange) OnChange(this);
}

void TDirectoryListBox::SetDrive(char letter) { SetDirectory(std::string(1, letter) + ":"); }

char TDirectoryListBox::Drive() const {
  if (directory_.size() < 2 || directory_[1] != ':') return 0;
  return LowerCase(directory_.substr(0, 1))[0];
}

std::string TDirectoryListBox::ItemPath(int index) const { return DirItemPath(model_, index, directory_); }

void TDirectoryListBox::OpenItem(int index) { SetDirectory(ItemPath(index)); }

bool TDirectoryListBox::DialogKey(WPARAM key) {
  if (key != VK_RETURN || !Focused()) return false;
  const int index = ItemIndex();
  if (index < 0 || index == model_.current) return false;
  // A directory that cannot be entered is reported; the list stays.
  Dispatch([&] { OpenItem(index); });
  return true;
}

void TDirectoryListBox::ChangeScale(int ppi) {
  TListBox::ChangeScale(ppi);
  open_ = MakeGlyphBitmap(GlyphId::OpenFolder, ppi);
  closed_ = MakeGlyphBitmap(GlyphId::ClosedFolder, ppi);
  current_ = MakeGlyphBitmap(GlyphId::CurrentFolder, ppi);
}

void TDirectoryListBox::DrawItem(int index, TRect rect, TOwnerDrawState) {
  TCanvas& canvas = Canvas();
  canvas.FillRect(rect);
  if (index < 0 || index >= static_cast<int>(model_.items.size())) return;
  const DirItem& item = model_.items[static_cast<std::size_t>(index)];
  TBitmap& glyph = item.glyph == FolderGlyph::Closed    ? *closed_
                   : item.glyph == FolderGlyph::Current ? *current_
                                                        : *open_;
  const int ppi = PixelsPerInch();
  const int left = rect.Left + ScaleForPixelsPerInch(DirItemIndent(model_, index, directory_), ppi);
  canvas.Draw(left, rect.Top + CentredTop(rect.Height(), glyph.Height()), glyph);
  const int textTop = rect.Top + CentredTop(rect.Height(), canvas.TextHeight(item.text));
  canvas.TextOut(left + glyph.Width() + ScaleForPixelsPerInch(kDirTextGap, ppi), textTop, item.text);
}

// ---------------------------------------------------------------------------

TFileListBox::TFileListBox(TComponent* owner) : TListBox(owner) {
  SetStyle(lbOwnerDrawFixed);
  SetSorted(true);
  SetItemHeight(kFileItemHeight);
  SetParentFont(false);
  Font().SetColor(clGrayText);
}

void TFileListBox::SetDirectory(const std::string& dir) {
  directory_ = dir;
  Fill();
}

void TFileListBox::Fill() {
  HourglassCursor hourglass;
  Clear();
  const bool drawing = HandleAllocated();
  if (drawing) SendMessageA(Handle(), WM_SETREDRAW, FALSE, 0);
  for (const std::string& name : ListableFiles(ListDirectory(directory_))) {
    if (AddItem(name) == kHourglassPosition) hourglass.Show();
  }
  usedHourglass_ = hourglass.Shown();
  if (drawing) {
    SendMessageA(Handle(), WM_SETREDRAW, TRUE, 0);
    InvalidateRect(Handle(), nullptr, TRUE);
  }
}

// ---------------------------------------------------------------------------

TDriveComboBox::TDriveComboBox(TComponent* owner) : TComboBox(owner) {
  SetStyle(csOwnerDrawFixed);
  for (int id = 0; id < kGlyphCount; ++id) {
    const auto glyph = static_cast<GlyphId>(id);
    glyphs_.push_back(glyph >= GlyphId::Floppy ? MakeGlyphBitmap(glyph) : nullptr);
  }
  FitItemHeight();
  BuildList();
}

void TDriveComboBox::FitItemHeight() { SetItemHeight(DriveItemHeight(FontCharHeight(Font()))); }

void TDriveComboBox::ChangeScale(int ppi) {
  TComboBox::ChangeScale(ppi);
  for (int id = 0; id < kGlyphCount; ++id) {
    const auto glyph = static_cast<GlyphId>(id);
    if (glyph >= GlyphId::Floppy) glyphs_[static_cast<std::size_t>(id)] = MakeGlyphBitmap(glyph, ppi);
  }
  FitItemHeight();
}

void TDriveComboBox::FontChanged() {
  TComboBox::FontChanged();
  FitItemHeight();
}

void TDriveComboBox::BuildList() {
  CriticalErrorsOff quiet;
  const DWORD present = GetLogicalDrives();
  std::vector<std::string> texts;
  for (int i = 0; i < 26; ++i) {
    if (!(present & (1u << i))) continue;
    DriveInfo drive;
    drive.letter = static_cast<char>('a' + i);
    const std::string root = std::string(1, drive.letter) + ":\\";
    drive.kind = KindOf(GetDriveTypeA(root.c_str()));
    if (drive.kind == DriveKind::Network) drive.networkName = NetworkName(drive.letter);
    // A removable medium is left alone; other drives show their label.
    if (drive.kind != DriveKind::Removable && drive.kind != DriveKind::Other && !drive.networkName) {
      drive.volumeLabel = VolumeLabel(root);
    }
    if (const auto text = DriveItemText(drive)) {
      drives_.push_back(drive);
      texts.push_back(*text);
    }
  }
  SetItems(texts);
}

int TDriveComboBox::IndexOf(char letter) const {
  const char wanted = LowerCase(std::string(1, letter))[0];
  for (std::size_t i = 0; i < drives_.size(); ++i) {
    if (drives_[i].letter == wanted) return static_cast<int>(i);
  }
  return -1;
}

char TDriveComboBox::Drive() { return drive_; }

void TDriveComboBox::ShowDrive(char letter) {
  drive_ = LowerCase(std::string(1, letter))[0];
  SetItemIndex(IndexOf(letter));
}

void TDriveComboBox::SetDrive(char letter) {
  ShowDrive(letter);
  if (OnChange) OnChange(this);
}

bool TDriveComboBox::Notification(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message == WM_COMMAND && HIWORD(wParam) == CBN_SELCHANGE) {
    const int index = ItemIndex();
    if (index >= 0 && index < static_cast<int>(drives_.size())) {
      drive_ = drives_[static_cast<std::size_t>(index)].letter;
    }
  }
  return TComboBox::Notification(message, wParam, lParam, result);
}

void TDriveComboBox::DrawItem(int index, TRect rect, TOwnerDrawState) {
  TCanvas& canvas = Canvas();
  canvas.FillRect(rect);
  if (index < 0 || index >= static_cast<int>(drives_.size())) return;
  const DriveInfo& drive = drives_[static_cast<std::size_t>(index)];
  TBitmap& glyph = *glyphs_[static_cast<std::size_t>(DriveGlyph(drive.kind))];
  canvas.Draw(rect.Left + ScaleForPixelsPerInch(kDriveGlyphLeft, PixelsPerInch()),
              rect.Top + CentredTop(rect.Height(), glyph.Height()), glyph);
  const std::string& text = Items()[index];
  canvas.TextOut(rect.Left + glyph.Width() + ScaleForPixelsPerInch(kDriveTextGap, PixelsPerInch()),
                 rect.Top + CentredTop(rect.Height(), canvas.TextHeight(text)), text);
}

// ---------------------------------------------------------------------------

TSelectDirDlg::TSelectDirDlg(TComponent* owner) : TForm(owner) {
  SetCaption("Select Directory");
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  SetClientSize(kClientWidth, kClientHeight);

  auto place = [this](auto* control, int left, int top, int width, int height) {
    control->SetParent(this);
    control->SetBounds(left, top, width, height);
    return control;
  };
  auto label = [&](const char* text, int left, int top, int width, TWinControl* focus) {
    auto* l = place(NewComponent<TLabel>(this), left, top, width, 13);
    l->SetAutoSize(false);
    l->SetCaption(text);
    l->SetFocusControl(focus);
    return l;
  };
  auto button = [&](const char* text, int left, int tabOrder) {
    auto* b = place(NewComponent<TButton>(this), left, 224, 77, 27);
    b->SetCaption(text);
    b->SetTabOrder(tabOrder);
    return b;
  };

  DirEdit = place(NewComponent<TEdit>(this), 8, 24, 313, 20);
  DirEdit->SetName("DirEdit");
  DirEdit->SetTabOrder(1);
  DirEdit->Hide();
  DirLabel = place(NewComponent<TPathLabel>(this), 8, 24, 313, 20);
  DirLabel->SetName("DirLabel");
  DirList = place(NewComponent<TDirectoryListBox>(this), 8, 72, 213, 138);
  DirList->SetName("DirList");
  DirList->SetTabOrder(0);
  FileList = place(NewComponent<TFileListBox>(this), 232, 72, 185, 93);
  FileList->SetName("FileList");
  FileList->SetTabOrder(6);
  FileList->Font().Assign(Font());
  FileList->Font().SetColor(clGrayText);
  DriveList = place(NewComponent<TDriveComboBox>(this), 232, 192, 185, 19);
  DriveList->SetName("DriveList");
  DriveList->SetTabOrder(2);
  NameLabel = label("Directory &Name:", 8, 8, 92, DirEdit);
  DirsLabel = label("&Directories:", 8, 56, 66, DirList);
  FilesLabel = label("&Files: (*.*)", 232, 56, 57, FileList);
  DrivesLabel = label("D&rives:", 232, 176, 41, DriveList);

  NetButton = button("Ne&twork...", 8, 3);
  NetButton->SetName("NetButton");
  NetButton->OnClick = [this](TObject* sender) { NetClick(sender); };
  OKButton = button("OK", 172, 4);
  OKButton->SetName("OKButton");
  OKButton->SetDefault(true);
  OKButton->OnClick = [this](TObject* sender) { OKClick(sender); };
  CancelButton = button("Cancel", 256, 5);
  CancelButton->SetName("CancelButton");
  CancelButton->SetCancel(true);
  CancelButton->SetModalResult(mrCancel);
  HelpButton = button("&Help", 340, 7);
  HelpButton->SetName("HelpButton");
  HelpButton->OnClick = [this](TObject* sender) { HelpButtonClick(sender); };

  // The network connection dialog of a platform that offers one.
  using GetCaps = WORD(WINAPI*)(WORD);
  if (auto getCaps = EntryPoint<GetCaps>(GetModuleHandleA("user32.dll"), "WNETGETCAPS")) {
    if (const WORD driver = getCaps(0xFFFF)) {
      connectDialog_ = EntryPoint<ConnectDialog>(
          reinterpret_cast<HMODULE>(static_cast<UINT_PTR>(driver)), "WNETCONNECTDIALOG");
    }
  }
  NetButton->SetVisible(connectDialog_ != nullptr);

  DirList->OnChange = [this](TObject* sender) { DirListChange(sender); };
  DriveList->OnChange = [this](TObject* sender) { DriveListChange(sender); };
  SetActiveControl(DirList);
  DriveList->ShowDrive(DirList->Drive());
  DirListChange(this);
}

void TSelectDirDlg::DirListChange(TObject*) {
  DirLabel->SetCaption(DirList->Directory());
  FileList->SetDirectory(DirList->Directory());
  DirEdit->SetText(DirLabel->Caption());
  DirEdit->SelectAll();
}

void TSelectDirDlg::DriveListChange(TObject*) {
  try {
    DirList->SetDrive(DriveList->Drive());
  } catch (...) {
    // The list stays where it was; so does the drive shown.
    DriveList->ShowDrive(DirList->Drive());
    throw;
  }
}

void TSelectDirDlg::SetDirectory(const std::string& text) {
  const auto target = PlanInitialDirectory(text, [](const std::string& path) { return ExpandFileName(path); });
  if (!target) return;
  DriveList->SetDrive(target->drive);
  try {
    DirList->SetDirectory(target->directory);
  } catch (const EInOutError&) {
    const std::string current = GetCurrentDir();
    if (current.size() >= 2 && current[1] == ':') DriveList->SetDrive(current[0]);
    DirList->SetDirectory(current);
  }
}

std::string TSelectDirDlg::Directory() { return typeName_ ? DirEdit->GetText() : DirList->Directory(); }

void TSelectDirDlg::ApplyOptions(TDirChooserOptions options) {
  typeName_ = (options & dcTypeName) != 0;
  confirm_ = (options & dcConfirm) != 0;
  if (typeName_) {
    DirLabel->Hide();
    DirEdit->Show();
  }
}

void TSelectDirDlg::ApplyHelpContext(int helpContext) {
  helpContext_ = helpContext;
  if (helpContext != 0) return;
  HelpButton->Hide();
  OKButton->SetLeft(CancelButton->Left());
  CancelButton->SetLeft(HelpButton->Left());
}

void TSelectDirDlg::OKClick(TObject*) {
  if (typeName_ && confirm_ && !DirectoryExists(DirEdit->GetText())) {
    if (MessageDlg("The specified directory does not exist. Create it?", mtConfirmation, mbYes | mbNo) != mrYes) {
      return;
    }
  }
  SetModalResult(mrOk);
}

void TSelectDirDlg::NetClick(TObject*) {
  if (connectDialog_ != nullptr) connectDialog_(Handle(), RESOURCETYPE_DISK);
}

void TSelectDirDlg::HelpButtonClick(TObject*) {
  if (HelpHandler()) HelpHandler()(helpContext_);
}

// ---------------------------------------------------------------------------

bool ChooseDirectory(std::string& Directory, TDirChooserOptions Options, int HelpContext) {
  auto dialog = MakeComponent<TSelectDirDlg>();
  dialog->SetDirectory(Directory);
  dialog->ApplyOptions(Options);
  dialog->ApplyHelpContext(HelpContext);
  if (dialog->ShowModal() != mrOk) return false;
  std::string result = dialog->Directory();
  dialog.reset();
  if (Options & dcCreate) {
    SystemDirectoryMaker fs;
    CreateChosenDirectory(result, fs);
  }
  Directory = std::move(result);
  return true;
}
