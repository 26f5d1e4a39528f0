#include "runtime/ZLibStream.h"

#include <zlib.h>

#include "runtime/Exceptions.h"

namespace {

void Check(int status) {
  if (status < 0) throw EZlibError("Error");
}

}  // namespace

TDecompressionStream::TDecompressionStream(TStream& source)
    : source_(source), zs_(std::make_unique<z_stream_s>()), input_(kInputPiece) {
  zs_->next_in = input_.data();
  zs_->avail_in = 0;
  Check(inflateInit(zs_.get()));
}

TDecompressionStream::~TDecompressionStream() { inflateEnd(zs_.get()); }

std::size_t TDecompressionStream::Read(void* buffer, std::size_t count) {
  if (ended_ || count == 0) return 0;
  zs_->next_out = static_cast<Bytef*>(buffer);
  zs_->avail_out = static_cast<uInt>(count);
  while (zs_->avail_out > 0) {
    if (zs_->avail_in == 0) {
      zs_->avail_in = static_cast<uInt>(source_.Read(input_.data(), input_.size()));
      zs_->next_in = input_.data();
      if (zs_->avail_in == 0) break;
      if (OnProgress) OnProgress(*this);
    }
    const int status = inflate(zs_.get(), Z_NO_FLUSH);
    Check(status);
    // No dictionary is ever supplied, so a stream that needs one cannot be
    // read; inflate would ask again on every call.
    if (status == Z_NEED_DICT) throw EZlibError("Error");
    if (status == Z_STREAM_END) {
      // Trailing bytes are not part of the stream; inflate would not consume
      // them, so reading on would never end.
      ended_ = true;
      break;
    }
  }
  const std::size_t got = count - zs_->avail_out;
  produced_ += static_cast<std::int64_t>(got);
  return got;
}

std::size_t TDecompressionStream::Write(const void*, std::size_t) {
  throw EInvalidOperation("A decompression stream cannot be written");
}

std::int64_t TDecompressionStream::Seek(std::int64_t offset, SeekOrigin origin) {
  if (offset == 0 && origin == SeekOrigin::Current) return produced_;
  throw EInvalidOperation("A decompression stream can only be read forward");
}
