// File system on POSIX systems. Paths are taken in the Windows spelling:
// every `\` is a directory separator, as under Wine.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
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

bool ForceDirectories(const std::string& dir) {
  if (dir.empty()) return false;
  const std::string d = ExcludeTrailingPathDelimiter(dir);
  if (d.empty() || DirectoryExists(d)) return true;
  const std::string parent = ExtractFilePath(d);
  if (!parent.empty() && parent != d && !ForceDirectories(parent)) return false;
  return CreateDir(d) || DirectoryExists(d);
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
    const bool known = ::stat((base + name).c_str(), &st) == 0;
    const bool isDir = known && S_ISDIR(st.st_mode);
    const bool special = !known || (!isDir && !S_ISREG(st.st_mode));
    entries.push_back(DirEntry{name, isDir, name[0] == '.', special});
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
    if (e.directory) {
      RemoveTree(base + e.name);
    } else {
      ::unlink((base + e.name).c_str());
    }
  }
  ::rmdir(base.c_str());
}
