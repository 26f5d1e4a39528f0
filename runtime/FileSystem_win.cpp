#include <windows.h>

#include "runtime/DosDate.h"
#include "runtime/ErrorMode_win.h"
#include "runtime/Exceptions.h"
#include "runtime/FileSystem.h"
#include "runtime/Paths.h"

namespace {

DWORD Attributes(const std::string& path) {
  if (path.empty()) return INVALID_FILE_ATTRIBUTES;
  const QuietMediaProbe quiet;
  return GetFileAttributesA(path.c_str());
}

}  // namespace

bool FileExists(const std::string& path) {
  const DWORD a = Attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& path) {
  const DWORD a = Attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool CreateDir(const std::string& path) {
  return !path.empty() && CreateDirectoryA(path.c_str(), nullptr) != 0;
}

bool PathFits(const std::string& path) {
  // The ANSI calls take MAX_PATH characters with the terminator, a directory
  // MAX_PATH - 12 (room for an 8.3 name inside it).
  const bool fits = PathWithin(path, MAX_PATH, 255);
  if (!fits) SetLastError(ERROR_FILENAME_EXCED_RANGE);
  return fits;
}

namespace {

// The length of the root of path: "C:\" 3, "C:" 2, "\\server\share\" up
// to its share's end, "\\" 1, a relative path 0.
std::size_t RootLength(const std::string& path) {
  if (path.size() >= 2 && path[1] == ':') return path.size() >= 3 && IsPathDelimiter(path[2]) ? 3 : 2;
  if (path.size() >= 2 && IsPathDelimiter(path[0]) && IsPathDelimiter(path[1])) {
    std::size_t i = 2;
    for (int part = 0; part < 2 && i < path.size(); ++part) {
      while (i < path.size() && !IsPathDelimiter(path[i])) ++i;
      if (i < path.size()) ++i;
    }
    return i;
  }
  return !path.empty() && IsPathDelimiter(path[0]) ? 1 : 0;
}

}  // namespace

bool ForceDirectories(const std::string& dir, std::vector<std::string>* made) {
  if (dir.empty()) return false;
  const std::string d = ExcludeTrailingPathDelimiter(dir);
  // "C:", "\" and "\\server\share" are roots; a root exists or cannot be made.
  if (RootLength(d) >= d.size() || ExtractFilePath(d) == d) return DirectoryExists(d + "\\");
  if (DirectoryExists(d)) return true;
  if (d.size() >= MAX_PATH - 12) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return false;
  }
  if (!PathFits(d)) return false;
  const std::size_t root = RootLength(d);
  // The start of the outermost component that is missing, found from the
  // inside out over one copy of the path.
  std::string prefix = d;
  std::size_t from = root;
  for (std::size_t pos = d.size(); pos > root;) {
    std::size_t sep = pos;
    while (sep > root && !IsPathDelimiter(d[sep - 1])) --sep;
    if (sep <= root) break;
    prefix.resize(sep - 1);
    if (DirectoryExists(prefix)) {
      from = sep;
      break;
    }
    if (FileExists(prefix)) {
      SetLastError(ERROR_DIRECTORY);
      return false;
    }
    pos = sep - 1;
  }
  for (std::size_t i = from;;) {
    std::size_t end = i;
    while (end < d.size() && !IsPathDelimiter(d[end])) ++end;
    prefix.assign(d, 0, end);
    if (CreateDirectoryA(prefix.c_str(), nullptr)) {
      if (made != nullptr) made->push_back(prefix);
    } else {
      const DWORD error = GetLastError();
      if (error != ERROR_ALREADY_EXISTS || !DirectoryExists(prefix)) {
        SetLastError(error);
        return false;
      }
    }
    if (end >= d.size()) return true;
    i = end + 1;
  }
}

std::int32_t FileAge(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (path.empty() || !GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return -1;
  FILETIME local;
  WORD date = 0, time = 0;
  if (!FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) ||
      !FileTimeToDosDateTime(&local, &date, &time)) {
    return -1;
  }
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(date) << 16 | time);
}

bool RemoveFile(const std::string& path) { return !path.empty() && DeleteFileA(path.c_str()) != 0; }

bool RemoveDir(const std::string& path) {
  return !path.empty() && RemoveDirectoryA(path.c_str()) != 0;
}

std::optional<std::uint64_t> FreeSpace(const std::string& path) {
  ULARGE_INTEGER available;
  if (!GetDiskFreeSpaceExA(path.c_str(), &available, nullptr, nullptr)) return std::nullopt;
  return available.QuadPart;
}

bool ClearReadOnly(const std::string& path) {
  const DWORD a = GetFileAttributesA(path.c_str());
  if (a == INVALID_FILE_ATTRIBUTES || !(a & FILE_ATTRIBUTE_READONLY)) return true;
  return SetFileAttributesA(path.c_str(), a & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY)) != 0;
}

bool InUseOrProtected(int code) {
  return code == ERROR_ACCESS_DENIED || code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION ||
         code == ERROR_USER_MAPPED_FILE;
}

bool RenameFile(const std::string& from, const std::string& to) {
  return !from.empty() && !to.empty() &&
         MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

namespace {

bool FileIdentity(const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
  if (path.empty()) return false;
  const HANDLE h = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  const bool known = GetFileInformationByHandle(h, &info) != 0;
  CloseHandle(h);
  return known;
}

}  // namespace

bool LinkInPath(const std::string& path, std::size_t baseLength) {
  std::string prefix;
  for (std::size_t i = baseLength; i <= path.size(); ++i) {
    if (i != path.size() && !IsPathDelimiter(path[i])) continue;
    if (i == 0 || IsPathDelimiter(path[i - 1])) continue;
    prefix.assign(path, 0, i);
    const DWORD a = GetFileAttributesA(prefix.c_str());
    if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT)) return true;
  }
  return false;
}

bool SameFile(const std::string& a, const std::string& b) {
  BY_HANDLE_FILE_INFORMATION ia, ib;
  return FileIdentity(a, ia) && FileIdentity(b, ib) && ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
         ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
}

std::string ExePath() {
  char buffer[MAX_PATH + 1];
  const DWORD n = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
  return std::string(buffer, n);
}

std::string ExeDirectory() { return ExtractFilePath(ExePath()); }

std::string ExpandFileName(const std::string& path) {
  if (path.empty()) return GetCurrentDir();
  char buffer[MAX_PATH * 4];
  char* filePart = nullptr;
  const DWORD n = GetFullPathNameA(path.c_str(), sizeof buffer, buffer, &filePart);
  if (n == 0 || n >= sizeof buffer) return path;
  return std::string(buffer, n);
}

std::string GetCurrentDir() {
  char buffer[MAX_PATH * 4];
  const DWORD n = GetCurrentDirectoryA(sizeof buffer, buffer);
  return n == 0 || n >= sizeof buffer ? std::string() : std::string(buffer, n);
}

bool SetCurrentDir(const std::string& dir) { return SetCurrentDirectoryA(dir.c_str()) != 0; }

int LastErrorCode() { return static_cast<int>(GetLastError()); }

std::string SysErrorMessage(int code) {
  char* text = nullptr;
  const DWORD n = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
          FORMAT_MESSAGE_ARGUMENT_ARRAY,
      nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string message = n && text ? std::string(text, n) : std::string();
  if (text) LocalFree(text);
  // The system's texts end in a line break; the error messages do not.
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                              message.back() == ' ')) {
    message.pop_back();
  }
  if (message.empty()) message = "System error, code " + std::to_string(code) + ".";
  return message;
}

std::string LastErrorText() { return SysErrorMessage(LastErrorCode()); }

std::vector<DirEntry> ListDirectory(const std::string& dir) {
  std::vector<DirEntry> entries;
  WIN32_FIND_DATAA data;
  const HANDLE find = FindFirstFileA((IncludeTrailingPathDelimiter(dir) + "*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return entries;
  do {
    const std::string name = data.cFileName;
    if (name == "." || name == "..") continue;
    entries.push_back(DirEntry{name, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                               (data.dwFileAttributes &
                                (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0,
                               false, (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0});
  } while (FindNextFileA(find, &data));
  FindClose(find);
  return entries;
}

std::string MakeTempDirectory() {
  char base[MAX_PATH + 1];
  const DWORD n = GetTempPathA(sizeof base, base);
  const std::string root = n ? std::string(base, n) : std::string("C:\\");
  for (unsigned attempt = 0; attempt < 1000; ++attempt) {
    const std::string dir = IncludeTrailingPathDelimiter(root) + "setup-" +
                            std::to_string(GetCurrentProcessId()) + "-" +
                            std::to_string(GetTickCount() + attempt);
    if (CreateDirectoryA(dir.c_str(), nullptr)) return dir + "\\";
    if (GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  throw EInOutError("Cannot create a temporary directory in \"" + root + "\". " + LastErrorText(),
                    LastErrorCode());
}

void RemoveTree(const std::string& dir) {
  const std::string base = IncludeTrailingPathDelimiter(dir);
  for (const auto& e : ListDirectory(base)) {
    if (e.directory && e.link) {
      RemoveDirectoryA((base + e.name).c_str());  // a junction or directory link itself
    } else if (e.directory) {
      RemoveTree(base + e.name);
    } else {
      SetFileAttributesA((base + e.name).c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileA((base + e.name).c_str());
    }
  }
  RemoveDirectoryA(base.c_str());
}

std::string NativePath(const std::string& path) { return path; }
