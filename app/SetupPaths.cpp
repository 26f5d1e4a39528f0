#include "app/SetupPaths.h"

#include <windows.h>

#include <vector>

#include "runtime/FileSystem.h"
#include "runtime/Paths.h"

TSetupPaths& SetupPaths() {
  static TSetupPaths paths = [] {
    TSetupPaths p{ExeDirectory()};
    p.exeDirPlain = ExePathFitsCodePage();
    return p;
  }();
  return paths;
}

bool ExePathFitsCodePage() {
  std::vector<wchar_t> wide(32768);
  const DWORD n = GetModuleFileNameW(nullptr, wide.data(), static_cast<DWORD>(wide.size()));
  if (n == 0 || n >= wide.size()) return false;
  BOOL usedDefault = FALSE;
  const int bytes = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(n),
                                        nullptr, 0, nullptr, &usedDefault);
  // A path longer than the 8-bit calls take cannot be used either.
  return bytes > 0 && bytes < MAX_PATH && !usedDefault;
}

bool MakeDirectoryChain(const std::string& dir, std::vector<std::string>& made, std::string& reason) {
  std::vector<std::string> ours;
  if (ForceDirectories(dir, &ours)) {
    made.insert(made.end(), ours.begin(), ours.end());
    return true;
  }
  const int error = LastErrorCode();
  // Nothing is left half made.
  RemoveEmptyDirectories(ours);
  // ForceDirectories says ERROR_DIRECTORY when a file stands in for a parent.
  if (error == ERROR_DIRECTORY || FileExists(ExcludeTrailingPathDelimiter(dir))) {
    reason = "A file of that name exists.";
    return false;
  }
  reason = SysErrorMessage(error);
  if (reason.empty()) reason = "System error " + std::to_string(error) + ".";
  return false;
}

void RemoveEmptyDirectories(const std::vector<std::string>& made) {
  // A directory that holds anything is not removed by the system.
  for (auto it = made.rbegin(); it != made.rend(); ++it) RemoveDir(*it);
}
