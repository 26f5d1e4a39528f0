#include "runtime/Streams.h"

#include <algorithm>
#include <cstring>

#include "runtime/Exceptions.h"
#include "runtime/FileSystem.h"

std::int64_t TStream::Size() {
  const std::int64_t here = Position();
  const std::int64_t end = Seek(0, SeekOrigin::End);
  Seek(here, SeekOrigin::Beginning);
  return end;
}

void TStream::ReadBuffer(void* buffer, std::size_t count) {
  auto* out = static_cast<std::uint8_t*>(buffer);
  while (count != 0) {
    const std::size_t got = Read(out, count);
    if (got == 0) RaiseReadError();
    out += got;
    count -= got;
  }
}

void TStream::WriteBuffer(const void* buffer, std::size_t count) {
  const auto* in = static_cast<const std::uint8_t*>(buffer);
  while (count != 0) {
    const std::size_t put = Write(in, count);
    if (put == 0) RaiseWriteError();
    in += put;
    count -= put;
  }
}

void TStream::RaiseReadError() { throw EReadError(); }
void TStream::RaiseWriteError() { throw EWriteError(); }

void TFileStream::RaiseReadError() {
  const int error = lastError_;
  lastError_ = 0;
  const std::string reason =
      error != 0 ? SysErrorMessage(error) : std::string("The file ends before the data expected.");
  throw EReadError("Cannot read file \"" + ExpandFileName(ShownName()) + "\". " + reason, reason);
}

// The platform's Write leaves the system's code of every failure, a full
// medium included, in lastError_.
void TFileStream::RaiseWriteError() {
  const int error = lastError_;
  lastError_ = 0;
  const std::string reason = SysErrorMessage(error);
  throw EWriteError("Cannot write to file \"" + ExpandFileName(ShownName()) + "\". " + reason, reason);
}

std::int32_t TStream::ReadInt32() {
  std::uint8_t b[4];
  ReadBuffer(b, 4);
  return static_cast<std::int32_t>(std::uint32_t{b[0]} | std::uint32_t{b[1]} << 8 |
                                   std::uint32_t{b[2]} << 16 | std::uint32_t{b[3]} << 24);
}

void TStream::WriteInt32(std::int32_t value) {
  const auto u = static_cast<std::uint32_t>(value);
  const std::uint8_t b[4] = {static_cast<std::uint8_t>(u), static_cast<std::uint8_t>(u >> 8),
                             static_cast<std::uint8_t>(u >> 16), static_cast<std::uint8_t>(u >> 24)};
  WriteBuffer(b, 4);
}

std::size_t TMemoryStream::Read(void* buffer, std::size_t count) {
  if (position_ >= data_.size()) return 0;
  const std::size_t n = std::min(count, data_.size() - position_);
  std::memcpy(buffer, data_.data() + position_, n);
  position_ += n;
  return n;
}

std::size_t TMemoryStream::Write(const void* buffer, std::size_t count) {
  if (count == 0) return 0;
  if (position_ + count > data_.size()) data_.resize(position_ + count);
  std::memcpy(data_.data() + position_, buffer, count);
  position_ += count;
  return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, SeekOrigin origin) {
  std::int64_t base = 0;
  if (origin == SeekOrigin::Current) base = static_cast<std::int64_t>(position_);
  if (origin == SeekOrigin::End) base = static_cast<std::int64_t>(data_.size());
  const std::int64_t target = base + offset;
  if (target < 0) throw EStreamError("Stream seek error");
  position_ = static_cast<std::size_t>(target);
  return target;
}

void TMemoryStream::Clear() {
  data_.clear();
  position_ = 0;
}
