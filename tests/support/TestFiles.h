// Files and folders for tests: a private folder removed at the end, and
// small helpers to write, read and compress bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace testing_support {

using Bytes = std::vector<std::uint8_t>;

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  // The folder with a trailing separator.
  const std::string& Path() const { return path_; }
  std::string operator/(std::string_view name) const { return path_ + std::string(name); }

 private:
  std::string path_;
};

Bytes ToBytes(std::string_view text);
std::string ToText(const Bytes& bytes);
void WriteFile(const std::string& path, const Bytes& bytes);
void WriteFile(const std::string& path, std::string_view text);
Bytes ReadFile(const std::string& path);
// One zlib stream (RFC 1950) of data at the given level.
Bytes Zlib(const Bytes& data, int level = 9);
Bytes Zlib(std::string_view text, int level = 9);
// A copy of bytes with bytes[index] exclusive-or'ed with mask; an index from
// the end when negative (-1 is the last byte).
Bytes Damage(Bytes bytes, long index, std::uint8_t mask = 0x01);

}  // namespace testing_support
