#include "backup/ArchiveWalker.h"

#include "backup/ArchiveReader.h"
#include "runtime/FileSystem.h"
#include "runtime/Paths.h"

namespace archive {

namespace {

// Reads nothing into memory: a block nobody reads is moved over.
class PassingOver : public DataBlock::Visitor {
 public:
  std::uint8_t* Buffer(const ChunkRecord&) override { return nullptr; }
  bool Chunk(const ChunkRecord&, const std::uint8_t*) override { return true; }
};

}  // namespace

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

void DataBlock::Read(Visitor& visitor) {
  read_ = true;
  walker_.ReadBlock(visitor);
}

Walker::Walker(VolumeSource& volumes) : volumes_(volumes) {}
Walker::~Walker() = default;

void Walker::Walk(RecordVisitor& visitor) {
  reader_ = std::make_unique<Reader>(volumes_.First());
  recordOffset_ = partOffset_ = reader_->Position();
  visitor.Start(reader_->ReadHeader());
  for (;;) {
    recordOffset_ = partOffset_ = reader_->Position();
    const std::int32_t length = reader_->ReadInt32();
    bool go = true;
    if (length > 0) {
      std::string name = reader_->ReadName(length);
      const NameKind kind = ClassifyName(name);
      if (kind == NameKind::VolumeMarker) {
        MarkerRecord marker;
        marker.number = VolumeNumber(name);
        marker.name = std::move(name);
        marker.offset = recordOffset_;
        go = Follow(visitor, marker);
      } else {
        EntryRecord entry;
        entry.name = std::move(name);
        entry.kind = kind;
        entry.offset = recordOffset_;
        entry.date = reader_->ReadInt32();
        DataBlock block(*this);
        go = visitor.Entry(entry, block);
        if (go) PassOver(block);
      }
    }
    if (length == 0 || !go) break;
  }
  if (reader_) {
    reader_->GiveBack();
    reader_.reset();
  }
}

bool Walker::Follow(RecordVisitor& visitor, const MarkerRecord& marker) {
  if (!visitor.Marker(marker)) return false;
  // The volume source may close the stream read so far.
  reader_.reset();
  partOffset_ = 0;
  TStream* next = volumes_.Next(marker.number);
  if (!next) return false;
  reader_ = std::make_unique<Reader>(*next);
  recordOffset_ = partOffset_ = reader_->Position();
  DataBlock block(*this);
  const bool go = visitor.Continuation(marker, block);
  if (go) PassOver(block);
  return go;
}

void Walker::PassOver(DataBlock& block) {
  if (block.read_) return;
  PassingOver skip;
  block.Read(skip);
}

void Walker::ReadBlock(DataBlock::Visitor& visitor) {
  Reader& in = *reader_;
  // The block's offsets are counted from its start: no seek per chunk.
  std::int64_t at = in.Position();
  partOffset_ = at;
  in.ReadMagic();
  at += sizeof kDataMagic;
  for (;;) {
    ChunkRecord chunk;
    chunk.offset = partOffset_ = at;
    chunk.length = in.ReadChunkLength();
    at += 4 + static_cast<std::int64_t>(chunk.Size());
    std::uint8_t* into = nullptr;
    if (!chunk.End()) {
      into = visitor.Buffer(chunk);
      if (into) {
        in.Read(into, chunk.Size());
      } else {
        in.Skip(static_cast<std::int64_t>(chunk.Size()));
      }
    }
    if (!visitor.Chunk(chunk, into) || chunk.End()) break;
  }
}

}  // namespace archive
