#include "runtime/IniFile.h"

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& defaultValue) const {
  return ReadProfileFile(fileName_, section, key, defaultValue);
}
