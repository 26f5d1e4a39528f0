// Reads the archive's fields from any TStream (a volume file or a caller's
// stream), for the record reader (RecordReader.h), which reads the records with it.
// The reader keeps a read-ahead buffer so that the many small fields
// cost no system call each; GiveBack() returns the unread part to the stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "backup/ArchiveFormat.h"
#include "runtime/Streams.h"

namespace archive {

class Reader {
 public:
  static constexpr std::size_t kBufferSize = 64 * 1024;

  explicit Reader(TStream& source);
  // Gives the unread buffered bytes back to the stream (errors are ignored).
  ~Reader();
  Reader(const Reader&) = delete;
  Reader& operator=(const Reader&) = delete;

  // Title, progress base and second value. A short or impossible header
  // raises EArchiveError "Cannot read archive".
  Header ReadHeader();
  // Exactly count bytes, or EReadError.
  void Read(void* buffer, std::size_t count);
  std::int32_t ReadInt32();
  // A name of length bytes (length > 0). A length beyond what is left of the
  // stream raises EReadError before anything is allocated.
  std::string ReadName(std::int32_t length);
  // The data block's magic; anything else raises EArchiveError
  // "Invalid archive type".
  void ReadMagic();
  // A chunk length. A magnitude beyond kChunkSize raises EArchiveError
  // "Invalid archive type" before any of the chunk is read.
  std::int32_t ReadChunkLength();
  // Moves forward without reading (past the end is allowed; the next read
  // then fails).
  void Skip(std::int64_t count);
  // Bytes left between the read position and the end of the stream.
  std::int64_t Remaining();
  // The position in the stream of the next byte to be read.
  std::int64_t Position();
  // Seeks the stream back to the next unread byte and empties the buffer.
  void GiveBack();

 private:
  TStream& source_;
  std::unique_ptr<std::uint8_t[]> buffer_;
  std::size_t begin_ = 0;  // next unread byte in buffer_
  std::size_t end_ = 0;    // end of the valid bytes in buffer_
};

}  // namespace archive
