#include "runtime/Paths.h"

namespace {

// Position of the last separator or drive colon, or npos.
std::string::size_type LastDelimiter(const std::string& path) {
  for (auto i = path.size(); i-- > 0;) {
    if (IsPathDelimiter(path[i]) || path[i] == ':') return i;
  }
  return std::string::npos;
}

}  // namespace

bool IsPathDelimiter(char c) { return c == '\\' || (kPathDelim == '/' && c == '/'); }

std::string ExtractFilePath(const std::string& path) {
  const auto i = LastDelimiter(path);
  return i == std::string::npos ? std::string() : path.substr(0, i + 1);
}

std::string ExtractFileName(const std::string& path) {
  const auto i = LastDelimiter(path);
  return i == std::string::npos ? path : path.substr(i + 1);
}

std::string ExtractFileDir(const std::string& path) {
  std::string dir = ExtractFilePath(path);
  const bool root = dir.size() == 1 || (dir.size() == 3 && dir[1] == ':');
  if (!dir.empty() && IsPathDelimiter(dir.back()) && !root) dir.pop_back();
  return dir;
}

std::string ExtractFileExt(const std::string& path) {
  const auto start = LastDelimiter(path);
  const auto dot = path.rfind('.');
  if (dot == std::string::npos || (start != std::string::npos && dot < start)) return {};
  return path.substr(dot);
}

std::string ChangeFileExt(const std::string& path, const std::string& extension) {
  const auto start = LastDelimiter(path);
  const auto dot = path.rfind('.');
  if (dot == std::string::npos || (start != std::string::npos && dot < start)) {
    return path + extension;
  }
  return path.substr(0, dot) + extension;
}

std::string IncludeTrailingPathDelimiter(const std::string& path) {
  if (!path.empty() && IsPathDelimiter(path.back())) return path;
  return path + kPathDelim;
}

std::string ExcludeTrailingPathDelimiter(const std::string& path) {
  if (!path.empty() && IsPathDelimiter(path.back())) return path.substr(0, path.size() - 1);
  return path;
}

bool PathWithin(const std::string& path, std::size_t maxPath, std::size_t maxName) {
  if (path.size() >= maxPath) return false;
  std::size_t start = 0;
  while (start < path.size()) {
    std::size_t end = start;
    while (end < path.size() && !IsPathDelimiter(path[end])) ++end;
    if (end - start > maxName) return false;
    start = end + 1;
  }
  return true;
}
