#include "widgets/FileCtrlLogic.h"

#include <algorithm>

#include "runtime/Exceptions.h"

namespace filectrl {

namespace {

constexpr char kSep = '\\';
const std::string kMarker = "...\\";

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

char LowerChar(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Up to and including the last backslash or drive colon.
std::string DirectoryPart(const std::string& path) {
  const auto i = path.find_last_of("\\:");
  return i == std::string::npos ? std::string() : path.substr(0, i + 1);
}

// Drops the first directory of a path label's directory part:
// "\a\b\" -> "\...\b\", "\...\b\" -> "\...\", "\" -> "".
void CutFirstDirectory(std::string& dir) {
  if (dir == "\\") {
    dir.clear();
    return;
  }
  const bool rooted = !dir.empty() && dir[0] == kSep;
  if (rooted) dir.erase(0, 1);
  // Only a marker of our own is taken away whole; a directory whose name
  // starts with a full stop is an ordinary directory.
  if (StartsWith(dir, kMarker)) dir.erase(0, kMarker.size());
  const auto sep = dir.find(kSep);
  dir = sep == std::string::npos ? std::string() : kMarker + dir.substr(sep + 1);
  if (rooted) dir.insert(0, 1, kSep);
}

}  // namespace

std::string LowerCase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), LowerChar);
  return text;
}

bool SameDirectory(const std::string& a, const std::string& b, bool caseSensitive) {
  return caseSensitive ? a == b : LowerCase(a) == LowerCase(b);
}

std::string ShortenPath(const std::string& path, int maxWidth, const TextWidth& width) {
  const auto lastSep = path.rfind(kSep);
  std::string dir = lastSep == std::string::npos ? std::string() : path.substr(0, lastSep + 1);
  const std::string name = path.substr(dir.size());
  std::string drive;
  if (dir.size() >= 2 && dir[1] == ':') {
    drive = dir.substr(0, 2);
    dir.erase(0, 2);
  }
  while ((!dir.empty() || !drive.empty()) && width(drive + dir + name) > maxWidth) {
    if (dir == "\\...\\") {
      drive.clear();
      dir = kMarker;
    } else if (dir.empty()) {
      drive.clear();
    } else {
      CutFirstDirectory(dir);
    }
  }
  return drive + dir + name;
}

std::optional<InitialDirectory> PlanInitialDirectory(const std::string& text,
                                                     const ExpandPath& expand) {
  if (text.empty()) return std::nullopt;
  std::string pattern = text;
  if (pattern.back() != kSep) pattern += kSep;
  pattern += "*.*";
  const std::string full = expand(pattern);
  if (full.size() < 3 || full[1] != ':') return std::nullopt;
  std::string dir = full.substr(0, full.rfind(kSep) + 1);
  // A root keeps its backslash: "C:" alone would mean the drive's current
  // directory rather than its root.
  if (dir.size() > 3) dir.pop_back();
  return InitialDirectory{full[0], dir};
}

bool SystemDirectoryMaker::DirectoryExists(const std::string& dir) { return ::DirectoryExists(dir); }

bool SystemDirectoryMaker::CreateDir(const std::string& dir) { return ::CreateDir(dir); }

std::string SystemDirectoryMaker::LastErrorText() { return ::LastErrorText(); }

void CreateDirectoryChain(const std::string& dir, DirectoryMaker& fs) {
  if (dir.empty()) throw EInOutError("Unable to create directory");
  std::string d = dir;
  if (d.back() == kSep) d.pop_back();
  if (d.size() < 3 || fs.DirectoryExists(d) || DirectoryPart(d) == d) return;
  CreateDirectoryChain(DirectoryPart(d), fs);
  fs.CreateDir(d);
}

void CreateChosenDirectory(const std::string& dir, DirectoryMaker& fs) {
  CreateDirectoryChain(dir, fs);
  if (fs.DirectoryExists(dir)) return;
  std::string reason = fs.LastErrorText();
  throw EInOutError("Unable to create directory \"" + dir + "\"" +
                    (reason.empty() ? std::string() : ". " + reason));
}

std::string PathRoot(const std::string& fullPath) {
  if (fullPath.size() >= 2 && fullPath[1] == ':') return fullPath.substr(0, 2) + kSep;
  if (StartsWith(fullPath, "\\\\")) {
    const auto server = fullPath.find(kSep, 2);
    if (server == std::string::npos || server == 2) return {};
    const auto share = fullPath.find(kSep, server + 1);
    if (share == server + 1) return {};
    return (share == std::string::npos ? fullPath : fullPath.substr(0, share)) + kSep;
  }
  return {};
}

int BackslashCount(const std::string& path) {
  return static_cast<int>(std::count(path.begin(), path.end(), kSep));
}

DirItems BuildDirItems(const std::string& currentDir, const std::vector<DirEntry>& entries,
                       bool keepCase) {
  auto shown = [keepCase](const std::string& t) { return keepCase ? t : LowerCase(t); };
  DirItems list;
  const std::string root = PathRoot(currentDir);
  list.items.push_back(DirItem{shown(root), root, FolderGlyph::Open});
  // The directories below the root, the last of them the current one.
  std::string rest = currentDir.size() > root.size() ? currentDir.substr(root.size()) : "";
  std::string::size_type start = 0;
  while (start < rest.size()) {
    auto end = rest.find(kSep, start);
    if (end == std::string::npos) end = rest.size();
    if (end > start) {
      const std::string name = rest.substr(start, end - start);
      list.items.push_back(DirItem{shown(name), name, FolderGlyph::Open});
    }
    start = end + 1;
  }
  list.current = static_cast<int>(list.items.size()) - 1;
  list.items.back().glyph = FolderGlyph::Current;

  std::vector<std::string> subdirs;
  for (const auto& e : entries) {
    if (e.directory && !e.hidden && e.name != "." && e.name != "..") subdirs.push_back(e.name);
  }
  std::stable_sort(subdirs.begin(), subdirs.end(), [](const std::string& a, const std::string& b) {
    return LowerCase(a) < LowerCase(b);
  });
  for (const auto& name : subdirs) list.items.push_back(DirItem{shown(name), name, FolderGlyph::Closed});
  return list;
}

int DirItemIndent(const DirItems& list, int index, const std::string& currentDir) {
  if (list.items.at(static_cast<std::size_t>(index)).glyph == FolderGlyph::Closed) {
    return 6 + 4 * BackslashCount(currentDir);
  }
  return 2 + 4 * index;
}

std::string DirItemPath(const DirItems& list, int index, const std::string& currentDir) {
  const DirItem& item = list.items.at(static_cast<std::size_t>(index));
  if (index == 0) return item.name;
  if (item.glyph == FolderGlyph::Closed) {
    std::string base = currentDir;
    if (base.empty() || base.back() != kSep) base += kSep;
    return base + item.name;
  }
  if (item.glyph == FolderGlyph::Current) return currentDir;
  // An item on the way: the root and the names up to this one.
  std::string path = list.items[0].name;
  for (int i = 1; i <= index; ++i) {
    if (i > 1) path += kSep;
    path += list.items[static_cast<std::size_t>(i)].name;
  }
  return path;
}

std::vector<std::string> ListableFiles(const std::vector<DirEntry>& entries) {
  std::vector<std::string> files;
  for (const auto& e : entries) {
    if (!e.directory && !e.hidden) files.push_back(e.name);
  }
  return files;
}

std::optional<std::string> DriveItemText(const DriveInfo& drive) {
  const std::string letter(1, LowerChar(drive.letter));
  auto bracketed = [&drive] {
    std::string label(1, '[');
    label.append(LowerCase(drive.volumeLabel.value_or(std::string())));
    label.push_back(']');
    return label;
  };
  switch (drive.kind) {
    case DriveKind::Removable:
      return letter + ":";
    case DriveKind::Fixed:
    case DriveKind::CDRom:
    case DriveKind::RamDisk:
      return letter + ": " + bracketed();
    case DriveKind::Network:
      if (drive.networkName) return letter + ": " + LowerCase(*drive.networkName);
      return letter + ": " + bracketed();
    case DriveKind::Other:
      break;
  }
  return std::nullopt;
}

int DriveItemHeight(int fontHeight) { return std::max(fontHeight, kDriveGlyphHeight); }

int CentredTop(int itemHeight, int glyphHeight) { return (itemHeight - glyphHeight) / 2; }

int WholeItemsHeight(int height, int itemHeight, int frame) {
  const int items = std::max(1, (height - frame) / itemHeight);
  return items * itemHeight + frame;
}

}  // namespace filectrl
