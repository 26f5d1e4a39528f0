// The file system as the installer sees it. On Linux `\` counts as a
// directory separator (stored Windows paths work unchanged); letter case is
// not folded there.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// True when path names an existing file (not a directory).
bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
// Creates one directory; false when it could not be made.
bool CreateDir(const std::string& path);
// Creates dir and every missing parent, from the outermost missing one
// inward. True when dir exists afterwards; an empty dir, or one that the
// platform cannot hold (PathFits), gives false with nothing made. On failure
// LastErrorText() gives the reason of the call that failed. When made is
// given, each directory this call created is appended to it, outermost
// first, spelt as in dir: on failure too, so the caller can remove them.
bool ForceDirectories(const std::string& dir, std::vector<std::string>* made = nullptr);
// True when the platform can hold path: not longer than its longest path,
// and no component longer than its longest name. When false, the last error
// is set to "name too long".
bool PathFits(const std::string& path);
// The file's last-write time as an MS-DOS date in local time, or -1 when no
// file (a directory neither) has that name.
std::int32_t FileAge(const std::string& path);
// The bytes free to the caller on the drive (file system) of path, which
// must exist; nothing when the system cannot tell.
std::optional<std::uint64_t> FreeSpace(const std::string& path);
// Deletes a file; false when it could not be deleted (a missing file too).
bool RemoveFile(const std::string& path);
bool RemoveDir(const std::string& path);
// Renames a file, replacing a file of the new name; false on failure.
bool RenameFile(const std::string& from, const std::string& to);
// Clears the read-only attribute of a file (Windows); true when it has none
// afterwards. Elsewhere nothing to do: a file is replaced by renaming over
// it, which its own permissions do not prevent.
bool ClearReadOnly(const std::string& path);
// Whether a system error code says that a file is in use by another program
// or protected against change (read-only, access denied, locked): a failure
// that the user can mend and retry.
bool InUseOrProtected(int code);
// True when a symbolic link (or reparse point) stands at one of the
// components of path that follow its first baseLength characters.
bool LinkInPath(const std::string& path, std::size_t baseLength);
// True when both paths name the same existing file (links followed).
bool SameFile(const std::string& a, const std::string& b);
// The directory of the running executable, with a trailing separator.
std::string ExeDirectory();
// The full path of the running executable.
std::string ExePath();
// Expands a relative path against the current directory and resolves "."
// and ".." components.
std::string ExpandFileName(const std::string& path);
std::string GetCurrentDir();
bool SetCurrentDir(const std::string& dir);
// The system's text for the last failed call (errno or GetLastError).
std::string LastErrorText();
std::string SysErrorMessage(int code);
int LastErrorCode();
// Names of the entries of a directory, without "." and "..".
struct DirEntry {
  std::string name;
  bool directory = false;
  bool hidden = false;  // hidden or system
  bool special = false; // neither a directory nor a regular file (a pipe, socket or device)
  bool link = false;    // a symbolic link (or reparse point); the other fields tell its target
};
std::vector<DirEntry> ListDirectory(const std::string& dir);
// A fresh, private temporary directory (with a trailing separator).
std::string MakeTempDirectory();
// Deletes a directory tree; quiet about failures. A link inside it is
// removed itself: what it points to is never entered.
void RemoveTree(const std::string& dir);

// The native spelling of a path, for programs and calls outside ours: on
// Linux `\` becomes `/`; Windows paths are native already.
std::string NativePath(const std::string& path);
