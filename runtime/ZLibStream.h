// Reading the uncompressed data of one zlib stream (RFC 1950) from another
// stream.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "runtime/Streams.h"

struct z_stream_s;

// Input is taken from the source in pieces of at most 65,536 bytes and
// inflated without flushing. A negative zlib status raises EZlibError
// "Error". A source that ends early yields what was inflated up to its end and
// then reads of 0 bytes, without a checksum test. Bytes after the end of the
// zlib stream are ignored.
class TDecompressionStream : public TStream {
 public:
  static constexpr std::size_t kInputPiece = 65536;

  explicit TDecompressionStream(TStream& source);
  ~TDecompressionStream() override;

  std::size_t Read(void* buffer, std::size_t count) override;
  // Decompression streams only read forward.
  std::size_t Write(const void* buffer, std::size_t count) override;
  std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override;

  // Fired after every refill of the input buffer.
  std::function<void(TDecompressionStream&)> OnProgress;

 private:
  TStream& source_;
  std::unique_ptr<z_stream_s> zs_;
  std::vector<std::uint8_t> input_;
  std::int64_t produced_ = 0;
  bool ended_ = false;
};
