#include <windows.h>

#include "runtime/IniFile.h"

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& defaultValue) const {
  char buffer[kProfileValueMax + 1];
  const DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultValue.c_str(),
                                           buffer, sizeof buffer, fileName_.c_str());
  return std::string(buffer, n);
}
