#include "backup/ArchiveReader.h"

#include <cstring>

namespace archive {

NameKind ClassifyName(std::string_view name) {
  if (name.substr(0, kVolumeMarkerPrefix.size()) == kVolumeMarkerPrefix) return NameKind::VolumeMarker;
  if (name == kFileListName) return NameKind::FileList;
  return NameKind::Entry;
}

std::string VolumeNumber(std::string_view markerName) {
  if (markerName.size() <= kVolumeMarkerPrefix.size()) return {};
  return std::string(markerName.substr(kVolumeMarkerPrefix.size(), kVolumeNumberSize));
}

std::string MarkerName(std::string_view volumeNumber) {
  std::string name(kVolumeMarkerPrefix);
  return name.append(volumeNumber);
}

std::string DisplayNumber(std::string_view volumeNumber) {
  const auto first = volumeNumber.find_first_not_of('0');
  return first == std::string_view::npos ? std::string() : std::string(volumeNumber.substr(first));
}

Reader::Reader(TStream& source) : source_(source), buffer_(new std::uint8_t[kBufferSize]) {}

Reader::~Reader() {
  try {
    GiveBack();
  } catch (const std::exception&) {
    // The stream could not seek back; it is left where it is.
  }
}

Header Reader::ReadHeader() {
  try {
    const std::int32_t titleLength = ReadInt32();
    if (titleLength < 0 || titleLength > Remaining()) throw EReadError();
    Skip(titleLength);
    Header header;
    header.progressBase = ReadInt32();
    header.secondValue = ReadInt32();
    return header;
  } catch (const Exception&) {
    throw EArchiveError(kCannotReadArchive);
  }
}

void Reader::Read(void* buffer, std::size_t count) {
  auto* out = static_cast<std::uint8_t*>(buffer);
  const std::size_t have = end_ - begin_;
  if (count <= have) {
    std::memcpy(out, buffer_.get() + begin_, count);
    begin_ += count;
    return;
  }
  std::memcpy(out, buffer_.get() + begin_, have);
  out += have;
  count -= have;
  begin_ = end_ = 0;
  if (count >= kBufferSize) {
    source_.ReadBuffer(out, count);
    return;
  }
  while (end_ < count) {
    const std::size_t got = source_.Read(buffer_.get() + end_, kBufferSize - end_);
    if (got == 0) throw EReadError();
    end_ += got;
  }
  std::memcpy(out, buffer_.get(), count);
  begin_ = count;
}

std::int32_t Reader::ReadInt32() {
  std::uint8_t b[4];
  if (end_ - begin_ >= 4) {
    std::memcpy(b, buffer_.get() + begin_, 4);
    begin_ += 4;
  } else {
    Read(b, 4);
  }
  return static_cast<std::int32_t>(std::uint32_t{b[0]} | std::uint32_t{b[1]} << 8 |
                                   std::uint32_t{b[2]} << 16 | std::uint32_t{b[3]} << 24);
}

std::string Reader::ReadName(std::int32_t length) {
  if (length <= 0 || length > Remaining()) throw EReadError();
  std::string name(static_cast<std::size_t>(length), '\0');
  Read(name.data(), name.size());
  return name;
}

void Reader::ReadMagic() {
  std::uint8_t magic[4];
  Read(magic, 4);
  if (std::memcmp(magic, kDataMagic, 4) != 0) throw EArchiveError(kInvalidArchiveType);
}

std::int32_t Reader::ReadChunkLength() {
  const std::int32_t length = ReadInt32();
  if (length > kChunkSize || length < -kChunkSize) throw EArchiveError(kInvalidArchiveType);
  return length;
}

void Reader::Skip(std::int64_t count) {
  const auto have = static_cast<std::int64_t>(end_ - begin_);
  if (count <= have) {
    begin_ += static_cast<std::size_t>(count);
    return;
  }
  begin_ = end_ = 0;
  source_.Seek(count - have, SeekOrigin::Current);
}

std::int64_t Reader::Remaining() {
  const std::int64_t here = source_.Position();
  const std::int64_t size = source_.Size();
  const std::int64_t rest = size > here ? size - here : 0;
  return rest + static_cast<std::int64_t>(end_ - begin_);
}

std::int64_t Reader::Position() {
  return source_.Position() - static_cast<std::int64_t>(end_ - begin_);
}

void Reader::GiveBack() {
  const auto have = static_cast<std::int64_t>(end_ - begin_);
  begin_ = end_ = 0;
  if (have != 0) source_.Seek(-have, SeekOrigin::Current);
}

}  // namespace archive
