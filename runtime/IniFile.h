// Reading settings from INI files.
#pragma once

#include <string>
#include <string_view>

// The longest value a read returns; longer values are cut.
inline constexpr std::size_t kProfileValueMax = 2047;

// Our own profile reader, for systems without a platform one. It finds the
// first section and, in it, the first key with the given names without
// regard to letter case; blanks around names and values are dropped, and a
// value enclosed in a pair of matching quotes loses them. Lines may end in
// CR LF, LF or CR. Missing section or key gives the default.
std::string ReadProfileText(std::string_view iniText, const std::string& section,
                            const std::string& key, const std::string& defaultValue);
// The same, reading the file (a missing file gives the default).
std::string ReadProfileFile(const std::string& fileName, const std::string& section,
                            const std::string& key, const std::string& defaultValue);

// An INI file, read through the platform's profile reader on Win32
// (GetPrivateProfileStringA) and through ReadProfileFile elsewhere.
class TIniFile {
 public:
  explicit TIniFile(std::string fileName) : fileName_(std::move(fileName)) {}
  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& defaultValue) const;
  const std::string& FileName() const { return fileName_; }

 private:
  std::string fileName_;
};
