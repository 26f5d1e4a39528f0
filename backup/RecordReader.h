// The archive's records, for every reader of archives: the record reader
// reads the header, each entry's name and date, volume markers, and the
// chunk records of every data block, and follows a volume marker to the
// continuation block at the start of the next volume. It never opens a file
// itself: the bytes come from a VolumeSource, which a caller implements over
// a stream of its own (StreamVolumes) or the volume files (FileVolumes).
//
// The caller drives it: one call for the next record, one for the next chunk
// of the record's data block (into a buffer of the caller's, or passed over),
// and it stops whenever it likes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "backup/ArchiveFormat.h"
#include "runtime/Streams.h"

namespace archive {

class Reader;

struct ChunkRecord {
  std::int32_t length = 0;  // > 0 compressed, < 0 stored, 0 the block's end
  std::int64_t offset = 0;  // of the chunk's length
  bool End() const { return length == 0; }
  bool Compressed() const { return length > 0; }
  // The bytes that follow the length: at most kChunkSize.
  std::size_t Size() const { return static_cast<std::size_t>(length < 0 ? -std::int64_t{length} : length); }
};

// Where the records' bytes come from.
class VolumeSource {
 public:
  virtual ~VolumeSource() = default;
  // The first volume, positioned at the header. Called once per reader.
  virtual TStream& First() = 0;
  // The volume that the marker with this volume number leads to, positioned
  // at its continuation block. The reader no longer reads the volume it
  // came from. nullptr ends the records there.
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
  // before the path is opened; false ends the records there (nothing is
  // opened).
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

// An entry's or a continuation's data block is read with ReadChunk, chunk
// by chunk; the next call of Next passes over what is left of it.
enum class RecordKind {
  Entry,         // an entry or the file list: name, date, then its data block
  Marker,        // a volume marker; the next call of Next follows it
  Continuation,  // the data block at the start of the volume a marker led to
};

// Offsets are positions in the volume the record was read from.
struct Record {
  RecordKind kind = RecordKind::Entry;
  std::string name;                 // the entry's or the marker's
  NameKind nameKind = NameKind::Entry;  // Entry, FileList or VolumeMarker
  std::int32_t date = 0;            // an entry's
  std::string number;               // VolumeNumber(name): a marker's, and the continuation's it led to
  std::int64_t offset = 0;          // of the record's name length, or of the continuation block
  std::int64_t NameOffset() const { return offset + 4; }
};

// The archive's records, pulled by the caller:
//
//   const Header header = reader.ReadHeader();
//   while (auto record = reader.Next()) {
//     ... reader.ReadChunk(buffer) until a chunk that is End() ...
//   }
class RecordReader {
 public:
  explicit RecordReader(VolumeSource& volumes);
  // Gives the unread buffered bytes back to the volume read last.
  ~RecordReader();
  RecordReader(const RecordReader&) = delete;
  RecordReader& operator=(const RecordReader&) = delete;

  // Opens the first volume and reads the header: a failure to read it raises
  // EArchiveError "Cannot read archive", a volume that cannot be opened what
  // the volume source raises. Called once, before Next (which calls it when
  // it was not).
  Header ReadHeader();

  // The next record, after passing over the rest of the data block read
  // before. A negative name length is a record by itself and is passed over.
  // After a marker it asks the volume source for the volume the marker
  // leads to and returns its continuation block. Nothing at the archive's
  // end (a name length of 0), or when the volume source gives no volume;
  // the volume read last is then positioned after what was read. A read
  // that fails raises the stream's error.
  std::optional<Record> Next();

  // The next chunk record of the current data block (the first call reads
  // the block's magic). Its Size() bytes are read into buffer (kChunkSize
  // bytes), or passed over when buffer is nullptr. A chunk that is End()
  // ends the block; ReadChunk must not be called again then. Raises
  // EArchiveError "Invalid archive type" for a bad magic or a chunk length
  // beyond kChunkSize, and EReadError for a block cut short.
  ChunkRecord ReadChunk(std::uint8_t* buffer);

  // Gives the unread buffered bytes back to the volume read last and lets
  // go of it (the volume source may close it then); Next returns nothing
  // after it.
  void Finish();

  // Where the record (or continuation block) read last begins.
  std::int64_t RecordOffset() const { return recordOffset_; }
  // Where the part read last begins: a record, a data block's magic or a
  // chunk record; 0 in a volume being opened. The place of a failure.
  std::int64_t PartOffset() const { return partOffset_; }

 private:
  enum class Block { None, Unread, Open };

  VolumeSource& volumes_;
  std::unique_ptr<Reader> reader_;
  Block block_ = Block::None;
  std::int64_t blockAt_ = 0;  // the offset of the next part of the open block
  bool following_ = false;    // a marker was returned last
  std::string marker_;        // its volume number
  bool ended_ = false;
  std::int64_t recordOffset_ = 0;
  std::int64_t partOffset_ = 0;
};

}  // namespace archive
