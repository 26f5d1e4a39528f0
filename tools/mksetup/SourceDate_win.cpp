#include <windows.h>

#include "runtime/Exceptions.h"
#include "runtime/FileSystem.h"
#include "tools/mksetup/SourceDate.h"

namespace mksetup {

std::int64_t LastWriteSeconds(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
    throw EFOpenError(ExpandFileName(path), LastErrorText());
  }
  const std::int64_t ticks = static_cast<std::int64_t>(
      static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32 | data.ftLastWriteTime.dwLowDateTime);
  constexpr std::int64_t kTicksTo1970 = 116444736000000000;  // 100 ns ticks from 1601 to 1970
  const std::int64_t since = ticks - kTicksTo1970;
  return (since >= 0 ? since : since - 9999999) / 10000000;
}

}  // namespace mksetup
