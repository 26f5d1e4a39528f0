// The window-free rules of the directory chooser: path shortening for the
// path label, the choice of the initial directory, the creation of a
// directory chain, the items of the directory and drive lists and where they
// are drawn. Paths here always use the Windows conventions (`\` separates,
// "X:" is a drive), on every platform, so these rules test natively.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "runtime/FileSystem.h"

namespace filectrl {

// ---- path label ------------------------------------------------------------

// Width in pixels of a text as it would be painted.
using TextWidth = std::function<int(const std::string&)>;

// The path as the path label shows it in maxWidth pixels: leading
// directories give way to "...\" markers, then the drive goes, until the
// text fits or only the name is left.
std::string ShortenPath(const std::string& path, int maxWidth, const TextWidth& width);

// ---- initial directory -----------------------------------------------------

// Where the dialog moves first for the caller's text.
struct InitialDirectory {
  char drive = 0;         // the drive letter to select, as it appears in the text
  std::string directory;  // the directory to move the list to
};

// Expands a path against the process's current directory.
using ExpandPath = std::function<std::string(const std::string&)>;

// Nothing when the text leaves the dialog where it is (empty text, a network
// path, no drive letter); otherwise the drive and the directory to show. A
// drive root keeps its backslash ("C:\"), every other directory loses it.
std::optional<InitialDirectory> PlanInitialDirectory(const std::string& text,
                                                     const ExpandPath& expand);

// ---- directory chain -------------------------------------------------------

// The file-system calls the chain creation needs; tests give a fake one.
class DirectoryMaker {
 public:
  virtual ~DirectoryMaker() = default;
  virtual bool DirectoryExists(const std::string& dir) = 0;
  // Creates one directory; false when it could not be made.
  virtual bool CreateDir(const std::string& dir) = 0;
  // The system's text for the last failure of CreateDir.
  virtual std::string LastErrorText() = 0;
};

// The real file system.
class SystemDirectoryMaker : public DirectoryMaker {
 public:
  bool DirectoryExists(const std::string& dir) override;
  bool CreateDir(const std::string& dir) override;
  std::string LastErrorText() override;
};

// Creates dir after its missing parents, parents first. An empty text (also
// the empty parent of a relative name) raises EInOutError "Unable to create
// directory". Roots, texts ending in a colon and existing directories stop
// the walk; a directory that cannot be created is passed over.
void CreateDirectoryChain(const std::string& dir, DirectoryMaker& fs);

// CreateDirectoryChain, then checks the result: when dir still does not
// exist, raises EInOutError naming the directory and the system's reason, so
// that a failure is never returned as a chosen directory.
void CreateChosenDirectory(const std::string& dir, DirectoryMaker& fs);

// ---- directory list --------------------------------------------------------

enum class FolderGlyph { Open, Closed, Current };

struct DirItem {
  std::string text;   // as shown (lower case unless the volume keeps case)
  std::string name;   // as on disk: "C:\" for the root, else the bare name
  FolderGlyph glyph = FolderGlyph::Open;
};

struct DirItems {
  std::vector<DirItem> items;
  int current = 0;  // index of the current directory's item (selected)
};

// The root of a full path: "C:\" for "C:\...", "\\server\share\" for a
// network path; empty when the path has neither form.
std::string PathRoot(const std::string& fullPath);

// Counts the backslashes of a path.
int BackslashCount(const std::string& path);

// The items for currentDir (a full path as the system reports it): root,
// each directory on the way, the current directory, then the visible
// subdirectories of entries sorted without regard to case. Files, hidden and
// system directories, "." and ".." are left out.
DirItems BuildDirItems(const std::string& currentDir, const std::vector<DirEntry>& entries,
                       bool keepCase);

// Left indent in pixels of item index.
int DirItemIndent(const DirItems& list, int index, const std::string& currentDir);

// The directory a double-click on item index moves to.
std::string DirItemPath(const DirItems& list, int index, const std::string& currentDir);

// The plain files of entries that the file list shows, in the order the
// entries come (the list control sorts).
std::vector<std::string> ListableFiles(const std::vector<DirEntry>& entries);

// Position at which inserting a file turns the pointer into the hourglass.
inline constexpr int kHourglassPosition = 100;

// Lower-cases ASCII letters.
std::string LowerCase(std::string text);

// Whether two directory texts name the same directory (without regard to
// case unless caseSensitive).
bool SameDirectory(const std::string& a, const std::string& b, bool caseSensitive);

// ---- drive list ------------------------------------------------------------

enum class DriveKind { Removable, Fixed, Network, CDRom, RamDisk, Other };

// What the system tells about one drive.
struct DriveInfo {
  char letter = 'a';
  DriveKind kind = DriveKind::Fixed;
  std::optional<std::string> volumeLabel;  // none when it could not be read
  std::optional<std::string> networkName;  // network drives: the connection
};

// The drive list's text for a drive, or nothing when the drive is not
// listed: "a:", "c: [label]", "n: \\server\share"; lower case throughout.
std::optional<std::string> DriveItemText(const DriveInfo& drive);

// Item height of the drive list for a font whose characters are
// fontHeight pixels high.
int DriveItemHeight(int fontHeight);

// Geometry of the owner-drawn items, relative to the item's rectangle.
inline constexpr int kDirItemHeight = 17;
inline constexpr int kFileItemHeight = 13;
inline constexpr int kFolderGlyphWidth = 16;
inline constexpr int kFolderGlyphHeight = 15;
inline constexpr int kDriveGlyphWidth = 16;
inline constexpr int kDriveGlyphHeight = 11;
inline constexpr int kDirTextGap = 4;     // glyph to text in the directory list
inline constexpr int kDriveGlyphLeft = 2;
inline constexpr int kDriveTextGap = 6;   // drive text starts at glyph width + 6

// Top of a glyph glyphHeight high, centred in an item itemHeight high.
int CentredTop(int itemHeight, int glyphHeight);

// Height of a list rounded down to whole items (at least one item) plus
// the frame.
int WholeItemsHeight(int height, int itemHeight, int frame);

}  // namespace filectrl
