// Byte streams: the abstract TStream, an in-memory stream and a file stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class SeekOrigin { Beginning, Current, End };

class TStream {
 public:
  TStream() = default;
  TStream(const TStream&) = delete;
  TStream& operator=(const TStream&) = delete;
  virtual ~TStream() = default;

  // Reads up to count bytes; returns how many were read (0 at the end).
  virtual std::size_t Read(void* buffer, std::size_t count) = 0;
  // Writes up to count bytes; returns how many were written.
  virtual std::size_t Write(const void* buffer, std::size_t count) = 0;
  // Moves the position; returns the new position from the beginning.
  virtual std::int64_t Seek(std::int64_t offset, SeekOrigin origin) = 0;

  virtual std::int64_t Size();
  std::int64_t Position() { return Seek(0, SeekOrigin::Current); }
  void SetPosition(std::int64_t position) { Seek(position, SeekOrigin::Beginning); }

  // Reads exactly count bytes or raises EReadError.
  void ReadBuffer(void* buffer, std::size_t count);
  // Writes exactly count bytes or raises EWriteError.
  void WriteBuffer(const void* buffer, std::size_t count);
  // A little-endian 32-bit signed integer, read exactly.
  std::int32_t ReadInt32();
  void WriteInt32(std::int32_t value);
  // Moves the read position forward without reading.
  void Skip(std::int64_t count) { Seek(count, SeekOrigin::Current); }

 protected:
  // What ReadBuffer and WriteBuffer raise when the stream stops short; a
  // file stream names its file and the system's reason.
  [[noreturn]] virtual void RaiseReadError();
  [[noreturn]] virtual void RaiseWriteError();
};

// A growable buffer in memory.
class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::vector<std::uint8_t> bytes) : data_(std::move(bytes)) {}

  std::size_t Read(void* buffer, std::size_t count) override;
  std::size_t Write(const void* buffer, std::size_t count) override;
  std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override;
  std::int64_t Size() override { return static_cast<std::int64_t>(data_.size()); }

  const std::vector<std::uint8_t>& Bytes() const { return data_; }
  void Clear();

 private:
  std::vector<std::uint8_t> data_;
  std::size_t position_ = 0;
};

enum class FileMode {
  OpenRead,   // existing file, read only; others may read and write it meanwhile
  // Existing file, read only; on Windows others may read it but neither
  // write, rename nor delete it while the stream lives (POSIX: as OpenRead).
  OpenReadHeld,
  OpenWrite,  // existing file, write only
  Create,     // create or truncate, read and write
  // A new file, read and write: whatever has the name is removed first, a
  // symbolic link itself and never what it points to, and the file is then
  // created exclusively, so that no link placed there meanwhile is followed
  // and no other name of an old file (a hard link) is written through.
  Replace,
  // A new file, read and write, created exclusively: a name that is taken
  // (by a file, a directory or a link) fails, and no link is followed.
  CreateNew,
};

// A file on disk, owned for the stream's lifetime. Opening raises EFOpenError
// (or EFCreateError for FileMode::Create) naming the full path.
class TFileStream : public TStream {
 public:
  TFileStream(const std::string& fileName, FileMode mode);
  ~TFileStream() override;

  std::size_t Read(void* buffer, std::size_t count) override;
  std::size_t Write(const void* buffer, std::size_t count) override;
  std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override;

  const std::string& FileName() const { return fileName_; }
  // Names another path in the stream's read and write errors: a temporary
  // file by the file it becomes.
  void ShowAs(std::string name) { shownName_ = std::move(name); }
  // Sets the file's last-write time from an MS-DOS date and time in local
  // time. Returns false when the platform refuses.
  bool SetDosDate(std::int32_t dosDate);

 protected:
  [[noreturn]] void RaiseReadError() override;
  [[noreturn]] void RaiseWriteError() override;

 private:
  const std::string& ShownName() const { return shownName_.empty() ? fileName_ : shownName_; }

  std::string fileName_;
  std::string shownName_;
  int lastError_ = 0;  // the system's code of the last failed read or write
  std::intptr_t handle_;  // HANDLE on Win32, a descriptor elsewhere
};
