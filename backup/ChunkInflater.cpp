#include "backup/ChunkInflater.h"

#include <zlib.h>

#include <atomic>

#include "backup/ArchiveFormat.h"

#if SETUP_HAVE_FAST_INFLATE
// clang-format off
#include <libdeflate-strict-names.h>
#include <libdeflate.h>
// clang-format on
#endif

namespace archive {

namespace {

std::atomic<bool> g_fastPath{true};

}  // namespace

ChunkInflater::ChunkInflater(InflatePath path) : zs_(std::make_unique<z_stream_s>()) {
#if SETUP_HAVE_FAST_INFLATE
  if (path == InflatePath::Default && g_fastPath.load()) fast_.reset(libdeflate_alloc_decompressor());
#else
  (void)path;
#endif
}

ChunkInflater::~ChunkInflater() {
  if (ready_) inflateEnd(zs_.get());
}

void ChunkInflater::FastDeleter::operator()(libdeflate_decompressor* d) const {
#if SETUP_HAVE_FAST_INFLATE
  libdeflate_free_decompressor(d);
#else
  (void)d;
#endif
}

bool ChunkInflater::FastPathBuiltIn() { return SETUP_HAVE_FAST_INFLATE != 0; }

bool ChunkInflater::FastPathOn() { return FastPathBuiltIn() && g_fastPath.load(); }

void ChunkInflater::EnableFastPath(bool on) { g_fastPath.store(on); }

InflateResult ChunkInflater::Inflate(const std::uint8_t* input, std::size_t size,
                                     std::uint8_t* output) {
#if SETUP_HAVE_FAST_INFLATE
  // A zlib stream holds at least its header and trailer.
  if (fast_ && size >= 2 + 4) {
    std::size_t produced = 0;
    if (libdeflate_zlib_decompress(fast_.get(), input, size, output, kChunkSize, &produced) ==
        LIBDEFLATE_SUCCESS) {
      return {produced, false, true};
    }
  }
#endif
  return InflateWithZlib(input, size, output);
}

InflateResult ChunkInflater::InflateWithZlib(const std::uint8_t* input, std::size_t size,
                                             std::uint8_t* output) {
  InflateResult result;
  z_stream& zs = *zs_;
  if (!ready_) {
    zs = z_stream{};
    if (inflateInit(&zs) < 0) {
      result.failed = true;
      return result;
    }
    ready_ = true;
  } else if (inflateReset(&zs) < 0) {
    result.failed = true;
    return result;
  }
  zs.next_in = const_cast<Bytef*>(input);
  zs.avail_in = static_cast<uInt>(size);
  zs.next_out = output;
  zs.avail_out = static_cast<uInt>(kChunkSize);
  int status = inflate(&zs, Z_NO_FLUSH);
  result.produced = static_cast<std::size_t>(kChunkSize) - zs.avail_out;
  if (status == Z_OK && zs.avail_out == 0) {
    // The buffer is full but the stream has not ended: one more byte tells a
    // chunk that inflates beyond the buffer from one whose trailer is still
    // to be read.
    std::uint8_t probe;
    zs.next_out = &probe;
    zs.avail_out = 1;
    status = inflate(&zs, Z_NO_FLUSH);
    if (zs.avail_out == 0) {
      result.failed = true;
      return result;
    }
  }
  // Every chunk is one whole zlib stream. A negative status is a damaged
  // stream; a stream that has not ended after its whole input was cut short,
  // and one asking for a preset dictionary cannot be read: passing over
  // either in silence would leave a shorter file reported as restored.
  if (status != Z_STREAM_END) result.failed = true;
  return result;
}

}  // namespace archive
