#include "tests/support/TestFiles.h"

#include <zlib.h>

#include <stdexcept>

#include "runtime/FileSystem.h"
#include "runtime/Streams.h"

namespace testing_support {

TempDir::TempDir() : path_(MakeTempDirectory()) {}
TempDir::~TempDir() { RemoveTree(path_); }

Bytes ToBytes(std::string_view text) { return Bytes(text.begin(), text.end()); }
std::string ToText(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

void WriteFile(const std::string& path, const Bytes& bytes) {
  TFileStream out(path, FileMode::Create);
  out.WriteBuffer(bytes.data(), bytes.size());
}

void WriteFile(const std::string& path, std::string_view text) { WriteFile(path, ToBytes(text)); }

Bytes ReadFile(const std::string& path) {
  TFileStream in(path, FileMode::OpenRead);
  Bytes bytes(static_cast<std::size_t>(in.Size()));
  in.ReadBuffer(bytes.data(), bytes.size());
  return bytes;
}

Bytes Zlib(const Bytes& data, int level) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  Bytes out(size);
  if (compress2(out.data(), &size, data.data(), static_cast<uLong>(data.size()), level) != Z_OK) {
    throw std::runtime_error("compress2 failed");
  }
  out.resize(size);
  return out;
}

Bytes Zlib(std::string_view text, int level) { return Zlib(ToBytes(text), level); }

Bytes Damage(Bytes bytes, long index, std::uint8_t mask) {
  const long size = static_cast<long>(bytes.size());
  const long at = index < 0 ? size + index : index;
  if (at < 0 || at >= size) throw std::out_of_range("Damage: index outside the bytes");
  bytes[static_cast<std::size_t>(at)] ^= mask;
  return bytes;
}

}  // namespace testing_support
