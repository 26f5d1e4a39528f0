#include "backup/RecordReader.h"

#include "backup/ArchiveReader.h"
#include "runtime/FileSystem.h"
#include "runtime/Paths.h"

namespace archive {

FileVolumes::FileVolumes(std::string firstPath) : path_(std::move(firstPath)) {}

TStream& FileVolumes::First() {
  if (!file_) Open();
  return *file_;
}

TStream* FileVolumes::Next(const std::string& number) {
  file_.reset();
  path_ = PathOf(number);
  if (beforeOpen && !beforeOpen(path_, number)) return nullptr;
  Open();
  return file_.get();
}

std::string FileVolumes::PathOf(const std::string& number) const { return ChangeFileExt(path_, "." + number); }

bool FileVolumes::OpenedBefore(const std::string& path) const {
  for (const auto& seen : opened_) {
    if (seen == path || SameFile(seen, path)) return true;
  }
  return false;
}

void FileVolumes::Open() {
  file_ = std::make_unique<TFileStream>(path_, FileMode::OpenRead);
  opened_.push_back(path_);
}

RecordReader::RecordReader(VolumeSource& volumes) : volumes_(volumes) {}

RecordReader::~RecordReader() = default;

Header RecordReader::ReadHeader() {
  reader_ = std::make_unique<Reader>(volumes_.First());
  recordOffset_ = partOffset_ = reader_->Position();
  return reader_->ReadHeader();
}

std::optional<Record> RecordReader::Next() {
  if (ended_) return std::nullopt;
  if (!reader_) ReadHeader();
  while (block_ != Block::None) ReadChunk(nullptr);
  Record record;
  if (following_) {
    following_ = false;
    record.number = marker_;
    // The volume source may close the stream read so far.
    reader_.reset();
    partOffset_ = 0;
    TStream* next = volumes_.Next(record.number);
    if (!next) {
      ended_ = true;
      return std::nullopt;
    }
    reader_ = std::make_unique<Reader>(*next);
    record.kind = RecordKind::Continuation;
    record.offset = recordOffset_ = partOffset_ = reader_->Position();
    block_ = Block::Unread;
    return record;
  }
  std::int32_t length = 0;
  do {
    recordOffset_ = partOffset_ = reader_->Position();
    length = reader_->ReadInt32();
  } while (length < 0);
  if (length == 0) {
    Finish();
    ended_ = true;
    return std::nullopt;
  }
  record.offset = recordOffset_;
  record.name = reader_->ReadName(length);
  record.nameKind = ClassifyName(record.name);
  if (record.nameKind == NameKind::VolumeMarker) {
    record.kind = RecordKind::Marker;
    record.number = VolumeNumber(record.name);
    following_ = true;
    marker_ = record.number;
    return record;
  }
  record.kind = RecordKind::Entry;
  record.date = reader_->ReadInt32();
  block_ = Block::Unread;
  return record;
}

ChunkRecord RecordReader::ReadChunk(std::uint8_t* buffer) {
  if (block_ == Block::None) throw EInvalidOperation("No data block to read");
  Reader& in = *reader_;
  if (block_ == Block::Unread) {
    // The block's offsets are counted from its start: no seek per chunk.
    blockAt_ = partOffset_ = in.Position();
    in.ReadMagic();
    blockAt_ += sizeof kDataMagic;
    block_ = Block::Open;
  }
  ChunkRecord chunk;
  chunk.offset = partOffset_ = blockAt_;
  chunk.length = in.ReadChunkLength();
  blockAt_ += 4 + static_cast<std::int64_t>(chunk.Size());
  if (chunk.End()) {
    block_ = Block::None;
  } else if (buffer) {
    in.Read(buffer, chunk.Size());
  } else {
    in.Skip(static_cast<std::int64_t>(chunk.Size()));
  }
  return chunk;
}

void RecordReader::Finish() {
  ended_ = true;
  block_ = Block::None;
  if (!reader_) return;
  reader_->GiveBack();
  reader_.reset();
}

}  // namespace archive
