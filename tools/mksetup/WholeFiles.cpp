#include "tools/mksetup/WholeFiles.h"

#include <zlib.h>

#include "runtime/Exceptions.h"
#include "runtime/Streams.h"

namespace mksetup {

std::vector<std::uint8_t> ReadWholeFile(const std::string& path) {
  TFileStream in(path, FileMode::OpenRead);
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(in.Size()));
  in.ReadBuffer(bytes.data(), bytes.size());
  return bytes;
}

void WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  TFileStream out(path, FileMode::Create);
  out.WriteBuffer(bytes.data(), bytes.size());
}

std::vector<std::uint8_t> CompressScript(const std::vector<std::uint8_t>& text) {
  uLongf size = compressBound(static_cast<uLong>(text.size()));
  std::vector<std::uint8_t> packed(size);
  if (compress2(packed.data(), &size, text.data(), static_cast<uLong>(text.size()),
                Z_BEST_COMPRESSION) != Z_OK) {
    throw Exception("Cannot compress the setup script");
  }
  packed.resize(size);
  return packed;
}

}  // namespace mksetup
