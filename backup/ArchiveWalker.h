// The archive's record loop, once for every reader of archives: the walker
// reads the header, each entry's name and date, volume markers, and the
// chunk records of every data block, and follows a volume marker to the
// continuation block at the start of the next volume. It never opens a file
// itself: the bytes come from a VolumeSource, which a caller implements over
// a stream of its own (StreamVolumes) or the volume files (FileVolumes).
//
// What to do with a record is the visitor's: an entry's visitor reads its
// data block (into buffers of its own, chunk by chunk) or passes over it,
// and may end the walk after any record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "backup/ArchiveFormat.h"
#include "runtime/Streams.h"

namespace archive {

class Reader;

// Offsets are positions in the volume the record was read from.
struct EntryRecord {
  std::string name;
  NameKind kind = NameKind::Entry;  // Entry or FileList
  std::int32_t date = 0;
  std::int64_t offset = 0;  // of the record's name length
  std::int64_t NameOffset() const { return offset + 4; }
};

struct MarkerRecord {
  std::string name;
  std::string number;  // VolumeNumber(name)
  std::int64_t offset = 0;  // of the record's name length
  std::int64_t NameOffset() const { return offset + 4; }
};

struct ChunkRecord {
  std::int32_t length = 0;  // > 0 compressed, < 0 stored, 0 the block's end
  std::int64_t offset = 0;  // of the chunk's length
  bool End() const { return length == 0; }
  bool Compressed() const { return length > 0; }
  // The bytes that follow the length: at most kChunkSize.
  std::size_t Size() const { return static_cast<std::size_t>(length < 0 ? -std::int64_t{length} : length); }
};

// Where a walk's bytes come from.
class VolumeSource {
 public:
  virtual ~VolumeSource() = default;
  // The first volume, positioned at the header. Called once per walk.
  virtual TStream& First() = 0;
  // The volume that the marker with this volume number leads to, positioned
  // at its continuation block. The walker no longer reads the volume it
  // came from. nullptr ends the walk there.
  virtual TStream* Next(const std::string& number) = 0;
};

// An archive in a caller's stream: volume markers are followed by their
// continuation in the same stream (the volumes laid end to end).
class StreamVolumes : public VolumeSource {
 public:
  explicit StreamVolumes(TStream& stream) : stream_(stream) {}
  TStream& First() override { return stream_; }
  TStream* Next(const std::string&) override { return &stream_; }

 private:
  TStream& stream_;
};

// The volume files: the first one's path, then at each marker that path
// with its extension replaced by "." and the volume number. It remembers
// the volumes it opened.
class FileVolumes : public VolumeSource {
 public:
  explicit FileVolumes(std::string firstPath);
  FileVolumes(const FileVolumes&) = delete;
  FileVolumes& operator=(const FileVolumes&) = delete;

  // Called with the next volume's path once the current volume is closed,
  // before the path is opened; false ends the walk there (nothing is opened).
  std::function<bool(const std::string& path, const std::string& number)> beforeOpen;

  // Opens the first volume for reading (sharing reads and writes) when it
  // is not open yet; raises what TFileStream raises.
  TStream& First() override;
  // Closes the current volume, asks beforeOpen, and opens the next one;
  // raises what TFileStream raises.
  TStream* Next(const std::string& number) override;
  // Closes the volume that is open.
  void Close() { file_.reset(); }

  // The volume open, or the one asked for or opened last.
  const std::string& Path() const { return path_; }
  // The path that the marker with this volume number leads to from Path().
  std::string PathOf(const std::string& number) const;
  // Whether path names a volume opened before (its file, however spelt).
  bool OpenedBefore(const std::string& path) const;
  // The volumes opened, first volume first.
  const std::vector<std::string>& Opened() const { return opened_; }

 private:
  void Open();

  std::string path_;
  std::vector<std::string> opened_;
  std::unique_ptr<TFileStream> file_;
};

class Walker;

// One data block: the entry's or a continuation's. Read it once, or leave
// it and the walker passes over it.
class DataBlock {
 public:
  class Visitor;
  // Reads the magic and the chunk records up to the block's end, or until
  // the visitor ends the block. Raises EArchiveError "Invalid archive type"
  // for a bad magic or a chunk length beyond kChunkSize, and EReadError for
  // a block cut short.
  void Read(Visitor& visitor);

 private:
  friend class Walker;
  explicit DataBlock(Walker& walker) : walker_(walker) {}
  Walker& walker_;
  bool read_ = false;
};

class DataBlock::Visitor {
 public:
  virtual ~Visitor() = default;
  // Where the chunk's Size() bytes are read to; nullptr passes over them
  // without reading.
  virtual std::uint8_t* Buffer(const ChunkRecord& chunk) = 0;
  // After every chunk record, the block's end included, with the buffer the
  // bytes were read into (nullptr when passed over, and at the end). False
  // ends the block: the rest of it is not read.
  virtual bool Chunk(const ChunkRecord& chunk, const std::uint8_t* bytes) = 0;
};

class RecordVisitor {
 public:
  virtual ~RecordVisitor() = default;
  virtual void Start(const Header& header) = 0;
  // An entry or the file list. The data block follows; one that the visitor
  // does not read is passed over when the walk goes on. False ends the walk.
  virtual bool Entry(const EntryRecord& entry, DataBlock& block) = 0;
  // A volume marker, before the volume source is asked for the next volume.
  // False ends the walk.
  virtual bool Marker(const MarkerRecord& marker) = 0;
  // The continuation block at the start of the volume the marker led to.
  // False ends the walk.
  virtual bool Continuation(const MarkerRecord& marker, DataBlock& block) = 0;
};

class Walker {
 public:
  explicit Walker(VolumeSource& volumes);
  ~Walker();
  Walker(const Walker&) = delete;
  Walker& operator=(const Walker&) = delete;

  // Reads the header (a failure raises EArchiveError "Cannot read archive")
  // and every record up to the archive's end (a name length of 0) or until
  // the visitor ends the walk. A negative name length is a record by itself
  // and is passed over. A read that fails raises the stream's error. At the
  // end the stream is positioned after what was read.
  void Walk(RecordVisitor& visitor);

  // Where the record (or continuation block) read last begins.
  std::int64_t RecordOffset() const { return recordOffset_; }
  // Where the part read last begins: a record, a data block's magic or a
  // chunk record; 0 in a volume being opened. The place of a failure.
  std::int64_t PartOffset() const { return partOffset_; }

 private:
  friend class DataBlock;
  bool Follow(RecordVisitor& visitor, const MarkerRecord& marker);
  void ReadBlock(DataBlock::Visitor& visitor);
  void PassOver(DataBlock& block);

  VolumeSource& volumes_;
  std::unique_ptr<Reader> reader_;
  std::int64_t recordOffset_ = 0;
  std::int64_t partOffset_ = 0;
};

}  // namespace archive
