#include <sys/stat.h>

#include "runtime/Exceptions.h"
#include "runtime/FileSystem.h"
#include "tools/mksetup/SourceDate.h"

namespace mksetup {

std::int64_t LastWriteSeconds(const std::string& path) {
  struct stat info {};
  if (::stat(NativePath(path).c_str(), &info) != 0) throw EFOpenError(ExpandFileName(path), LastErrorText());
  return static_cast<std::int64_t>(info.st_mtime);
}

}  // namespace mksetup
