// File system on POSIX systems. Paths are taken in the Windows spelling:
// every `\` is a directory separator, as under Wine.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "runtime/DosDate.h"
#include "runtime/Exceptions.h"
#include "runtime/FileSystem.h"
#include "runtime/Paths.h"

std::string NativePath(const std::string& path) {
  std::string native = path;
  for (char& c : native) {
    if (c == '\\') c = '/';
  }
  return native;
}

namespace {

bool StatPath(const std::string& path, struct stat& st) {
  return !path.empty() && ::stat(NativePath(path).c_str(), &st) == 0;
}

}  // namespace

bool FileExists(const std::string& path) {
  struct stat st;
  return StatPath(path, st) && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
  struct stat st;
  return StatPath(path, st) && S_ISDIR(st.st_mode);
}

bool CreateDir(const std::string& path) {
  return !path.empty() && ::mkdir(NativePath(path).c_str(), 0777) == 0;
}

bool PathFits(const std::string& path) {
  const bool fits = PathWithin(path, PATH_MAX, NAME_MAX);
  if (!fits) errno = ENAMETOOLONG;
  return fits;
}

bool ForceDirectories(const std::string& dir, std::vector<std::string>* made) {
  if (dir.empty()) return false;
  // One native copy of the path, cut short at each separator in turn: the
  // work is linear in the length whatever the depth. NativePath changes no
  // length, so a prefix of d is the same prefix of spelt.
  const std::string spelt = ExcludeTrailingPathDelimiter(dir);
  std::string d = NativePath(spelt);
  if (d.empty() || DirectoryExists(d)) return true;
  if (!PathFits(d)) return false;
  // The start of the outermost component that is missing.
  std::size_t from = 0;
  for (std::size_t pos = d.size();;) {
    const std::size_t slash = pos == 0 ? std::string::npos : d.rfind('/', pos - 1);
    if (slash == std::string::npos) break;
    if (slash == 0) {
      from = 1;
      break;
    }
    d[slash] = '\0';
    struct stat st;
    const bool present = ::stat(d.c_str(), &st) == 0;
    d[slash] = '/';
    if (present) {
      if (!S_ISDIR(st.st_mode)) {
        errno = ENOTDIR;
        return false;
      }
      from = slash + 1;
      break;
    }
    pos = slash;
  }
  for (;;) {
    const std::size_t end = d.find('/', from);
    const bool last = end == std::string::npos;
    if (!last) d[end] = '\0';
    if (::mkdir(d.c_str(), 0777) == 0) {
      if (made != nullptr) made->push_back(spelt.substr(0, last ? spelt.size() : end));
    } else {
      const int error = errno;
      struct stat st;
      if (error != EEXIST || ::stat(d.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        errno = error;
        return false;
      }
    }
    if (last) return true;
    d[end] = '/';
    from = end + 1;
  }
}

std::int32_t FileAge(const std::string& path) {
  struct stat st;
  if (!StatPath(path, st) || S_ISDIR(st.st_mode)) return -1;
  struct tm local;
  const time_t t = st.st_mtime;
  if (!localtime_r(&t, &local)) return -1;
  return PackDosDate(DosDateTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                                 local.tm_hour, local.tm_min, local.tm_sec});
}

bool RemoveFile(const std::string& path) {
  return !path.empty() && ::unlink(NativePath(path).c_str()) == 0;
}

bool RemoveDir(const std::string& path) {
  return !path.empty() && ::rmdir(NativePath(path).c_str()) == 0;
}

std::optional<std::uint64_t> FreeSpace(const std::string& path) {
  struct statvfs fs;
  if (::statvfs(NativePath(path).c_str(), &fs) != 0) return std::nullopt;
  return static_cast<std::uint64_t>(fs.f_bavail) * fs.f_frsize;
}

bool ClearReadOnly(const std::string&) { return true; }

bool InUseOrProtected(int code) { return code == EBUSY || code == ETXTBSY || code == EACCES || code == EPERM; }

bool RenameFile(const std::string& from, const std::string& to) {
  return !from.empty() && !to.empty() && ::rename(NativePath(from).c_str(), NativePath(to).c_str()) == 0;
}

bool LinkInPath(const std::string& path, std::size_t baseLength) {
  std::string native = NativePath(path);
  for (std::size_t i = baseLength; i <= native.size(); ++i) {
    if (i != native.size() && native[i] != '/') continue;
    if (i == 0 || native[i - 1] == '/') continue;
    const char kept = i < native.size() ? native[i] : '\0';
    native[i] = '\0';
    struct stat st;
    const bool link = ::lstat(native.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
    if (i < native.size()) native[i] = kept;
    if (link) return true;
  }
  return false;
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa, sb;
  return StatPath(a, sa) && StatPath(b, sb) && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

std::string ExePath() {
  char buffer[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return {};
  return std::string(buffer, static_cast<std::size_t>(n));
}

std::string ExeDirectory() { return ExtractFilePath(ExePath()); }

std::string ExpandFileName(const std::string& path) {
  std::string full = NativePath(path);
  if (full.empty() || full[0] != '/') full = IncludeTrailingPathDelimiter(GetCurrentDir()) + full;
  std::vector<std::string> parts;
  std::string::size_type start = 1;
  while (start <= full.size()) {
    auto end = full.find('/', start);
    if (end == std::string::npos) end = full.size();
    const std::string part = full.substr(start, end - start);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = end + 1;
  }
  std::string result;
  for (const auto& p : parts) result += "/" + p;
  if (result.empty() || (!full.empty() && full.back() == '/')) result += "/";
  return result;
}

std::string GetCurrentDir() {
  char buffer[PATH_MAX];
  return ::getcwd(buffer, sizeof buffer) ? std::string(buffer) : std::string();
}

bool SetCurrentDir(const std::string& dir) { return ::chdir(NativePath(dir).c_str()) == 0; }

int LastErrorCode() { return errno; }

std::string SysErrorMessage(int code) { return std::strerror(code); }

std::string LastErrorText() { return SysErrorMessage(errno); }

std::vector<DirEntry> ListDirectory(const std::string& dir) {
  std::vector<DirEntry> entries;
  DIR* d = ::opendir(NativePath(dir).c_str());
  if (!d) return entries;
  const std::string base = IncludeTrailingPathDelimiter(NativePath(dir));
  while (const dirent* e = ::readdir(d)) {
    const std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    struct stat st;
    const bool link = ::lstat((base + name).c_str(), &st) == 0 && S_ISLNK(st.st_mode);
    const bool known = ::stat((base + name).c_str(), &st) == 0;
    const bool isDir = known && S_ISDIR(st.st_mode);
    const bool special = !known || (!isDir && !S_ISREG(st.st_mode));
    entries.push_back(DirEntry{name, isDir, name[0] == '.', special, link});
  }
  ::closedir(d);
  return entries;
}

std::string MakeTempDirectory() {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/setup-XXXXXX";
  if (!::mkdtemp(pattern.data())) {
    throw EInOutError("Cannot create a temporary directory in \"" + pattern + "\". " +
                          LastErrorText(),
                      errno);
  }
  return pattern + "/";
}

void RemoveTree(const std::string& dir) {
  const std::string base = IncludeTrailingPathDelimiter(NativePath(dir));
  for (const auto& e : ListDirectory(base)) {
    if (e.directory && !e.link) {
      RemoveTree(base + e.name);
    } else {
      ::unlink((base + e.name).c_str());
    }
  }
  ::rmdir(base.c_str());
}
