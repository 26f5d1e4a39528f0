// Inflates one compressed chunk: a complete zlib stream whose data fits in
// one kChunkSize output buffer, taken in a single inflate step.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

struct z_stream_s;

namespace archive {

struct InflateResult {
  std::size_t produced = 0;  // bytes placed in the output buffer
  bool failed = false;       // zlib refused the chunk, or it does not fit
};

// One zlib stream serves every chunk: it is set up at the first chunk and
// reset before each further one, which yields the same bytes as a fresh
// stream per chunk without the set-up cost.
class ChunkInflater {
 public:
  ChunkInflater();
  ~ChunkInflater();
  ChunkInflater(const ChunkInflater&) = delete;
  ChunkInflater& operator=(const ChunkInflater&) = delete;

  // Inflates input[0..size) into output (kChunkSize bytes) with one inflate
  // call without flushing. A negative zlib status fails; the bytes produced
  // before the fault are reported all the same. A chunk whose data goes on
  // past a full output buffer also fails, after its first kChunkSize bytes.
  InflateResult Inflate(const std::uint8_t* input, std::size_t size, std::uint8_t* output);

 private:
  std::unique_ptr<z_stream_s> zs_;
  bool ready_ = false;
};

}  // namespace archive
