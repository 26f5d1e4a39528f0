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
  bool fast = false;         // the whole-buffer decoder made these bytes
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
// Where it is built in, a chunk is first decoded by a whole-buffer
// zlib-format decoder: libdeflate's, built with zlib's checks added, so that
// it refuses every stream zlib refuses (cmake/libdeflate-strict.patch) and
// what it accepts it decodes as zlib does. A chunk it refuses or that does
// not fit goes through zlib, so the failure and the partial output are always
// zlib's.
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

  // Whether the whole-buffer decoder is compiled in; whether it is also on.
  static bool FastPathBuiltIn();
  static bool FastPathOn();
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

}  // namespace archive
