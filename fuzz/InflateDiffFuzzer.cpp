// Decodes one chunk both ways, through the whole-buffer decoder where it is
// taken and through zlib alone, and aborts unless both give the same bytes
// and the same outcome.
//
// The first input byte picks how the rest becomes a chunk: 0 as it is; 1 and
// 2 as raw deflate data wrapped in a zlib header and the Adler-32 trailer of
// what the stock libdeflate (1) or zlib (2) makes of it, so that streams one
// decoder accepts and the other refuses get past the checksum. The stock
// decoder is the lenient one the whole-buffer decoder was made strict from:
// where they both accept a stream they read it alike.
#include <libdeflate.h>
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "backup/ArchiveFormat.h"
#include "backup/ChunkInflater.h"

namespace {

constexpr std::size_t kChunk = archive::kChunkSize;

struct Decoded {
  std::size_t consumed = 0;
  std::vector<std::uint8_t> bytes;
};

// Raw deflate data as the stock libdeflate reads it.
Decoded FastRaw(const std::uint8_t* data, std::size_t size) {
  static libdeflate_decompressor* d = libdeflate_alloc_decompressor();
  Decoded out;
  out.bytes.resize(kChunk);
  std::size_t produced = 0;
  if (libdeflate_deflate_decompress_ex(d, data, size, out.bytes.data(), kChunk, &out.consumed,
                                       &produced) != LIBDEFLATE_SUCCESS) {
    out.consumed = size;
    produced = 0;
  }
  out.bytes.resize(produced);
  return out;
}

// Raw deflate data as zlib reads it, up to where it stops.
Decoded ZlibRaw(const std::uint8_t* data, std::size_t size) {
  Decoded out;
  out.bytes.resize(kChunk);
  z_stream zs{};
  if (inflateInit2(&zs, -15) != Z_OK) std::abort();
  zs.next_in = const_cast<Bytef*>(data);
  zs.avail_in = static_cast<uInt>(size);
  zs.next_out = out.bytes.data();
  zs.avail_out = static_cast<uInt>(kChunk);
  inflate(&zs, Z_NO_FLUSH);
  out.consumed = size - zs.avail_in;
  out.bytes.resize(kChunk - zs.avail_out);
  inflateEnd(&zs);
  return out;
}

std::vector<std::uint8_t> Wrap(const std::uint8_t* data, std::size_t size, const Decoded& d) {
  std::vector<std::uint8_t> chunk = {0x78, 0xDA};
  chunk.insert(chunk.end(), data, data + d.consumed);
  const auto adler = static_cast<std::uint32_t>(
      adler32(adler32(0, nullptr, 0), d.bytes.data(), static_cast<uInt>(d.bytes.size())));
  for (int shift = 24; shift >= 0; shift -= 8) chunk.push_back(static_cast<std::uint8_t>(adler >> shift));
  chunk.insert(chunk.end(), data + d.consumed, data + size);
  return chunk;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t mode = data[0] % 3;
  ++data;
  --size;
  std::vector<std::uint8_t> chunk;
  if (mode == 0) {
    chunk.assign(data, data + size);
  } else {
    chunk = Wrap(data, size, mode == 1 ? FastRaw(data, size) : ZlibRaw(data, size));
  }
  if (chunk.size() > kChunk) chunk.resize(kChunk);

  // Kept across inputs: the inflaters serve chunk after chunk in a restore.
  static archive::ChunkInflater fast(archive::InflatePath::Default);
  static archive::ChunkInflater zlibOnly(archive::InflatePath::ZlibOnly);
  static std::vector<std::uint8_t> a(kChunk), b(kChunk);
  std::memset(a.data(), 0xA5, kChunk);
  std::memset(b.data(), 0x5A, kChunk);
  const archive::InflateResult ra = fast.Inflate(chunk.data(), chunk.size(), a.data());
  const archive::InflateResult rb = zlibOnly.Inflate(chunk.data(), chunk.size(), b.data());
  if (ra.failed != rb.failed || ra.produced != rb.produced) std::abort();
  if (std::memcmp(a.data(), b.data(), ra.produced) != 0) std::abort();
  return 0;
}
