// Inflates one compressed chunk: a complete zlib stream whose data fits in
// one kChunkSize output buffer, taken in a single inflate step.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

struct z_stream_s;
struct libdeflate_decompressor;

namespace archive {

struct InflateResult {
  std::size_t produced = 0;  // bytes placed in the output buffer
  bool failed = false;       // zlib refused the chunk, or it does not fit
};

// Which decoder a ChunkInflater tries first.
enum class InflatePath {
  Default,   // the whole-buffer decoder where it is built in, unless turned off
  ZlibOnly,  // zlib for every chunk
};

// One zlib stream serves every chunk: it is set up at the first chunk and
// reset before each further one, which yields the same bytes as a fresh
// stream per chunk without the set-up cost.
//
// Where libdeflate is built in, a chunk is first decoded by its whole-buffer
// zlib-format call. That decoder is more lenient than zlib on some damaged
// streams (length symbols 286 and 287, more than 286 or 30 code lengths, a
// one-symbol code whose unused codeword is met), so it is given only streams
// whose blocks zlib reads alike: every block's code definitions are checked
// by zlib's rules and must be complete codes (or a distance code never
// read); a block with the fixed codes, and every coded block but the last,
// is walked to its end without output to see that it holds no symbol the
// format leaves undefined. Whatever is refused, and any chunk the fast
// decoder fails on, goes through zlib, so the bytes, the failure and the
// partial output are always zlib's.
class ChunkInflater {
 public:
  explicit ChunkInflater(InflatePath path = InflatePath::Default);
  ~ChunkInflater();
  ChunkInflater(const ChunkInflater&) = delete;
  ChunkInflater& operator=(const ChunkInflater&) = delete;

  // Inflates input[0..size) into output (kChunkSize bytes) with one inflate
  // call without flushing. A negative zlib status fails; the bytes produced
  // before the fault are reported all the same. A chunk whose data goes on
  // past a full output buffer also fails, after its first kChunkSize bytes.
  InflateResult Inflate(const std::uint8_t* input, std::size_t size, std::uint8_t* output);

  // Whether the whole-buffer decoder is compiled in.
  static bool FastPathBuiltIn();
  // Process-wide switch for InflatePath::Default (on at start); the test
  // suites turn it off to run every restore case through zlib as well.
  static void EnableFastPath(bool on);

 private:
  InflateResult InflateWithZlib(const std::uint8_t* input, std::size_t size, std::uint8_t* output);

  struct FastDeleter {
    void operator()(libdeflate_decompressor* d) const;
  };
  std::unique_ptr<z_stream_s> zs_;
  bool ready_ = false;
  std::unique_ptr<libdeflate_decompressor, FastDeleter> fast_;
};

// True when the zlib stream's deflate blocks are of the kinds on which the
// whole-buffer decoder and zlib agree (see ChunkInflater). A false answer
// says nothing about the stream's validity.
bool FastPathAgrees(const std::uint8_t* stream, std::size_t size);

}  // namespace archive
