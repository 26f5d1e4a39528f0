#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

#include "runtime/DosDate.h"
#include "runtime/Exceptions.h"
#include "runtime/FileSystem.h"
#include "runtime/Streams.h"

TFileStream::TFileStream(const std::string& fileName, FileMode mode) : fileName_(fileName) {
  int flags = O_RDONLY;
  if (mode == FileMode::OpenWrite) flags = O_WRONLY;
  if (mode == FileMode::Create) flags = O_RDWR | O_CREAT | O_TRUNC;
  if (mode == FileMode::Replace || mode == FileMode::CreateNew) flags = O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW;
  const std::string native = NativePath(fileName);
  int fd = -1;
  if ((mode == FileMode::Replace || mode == FileMode::CreateNew) && !PathFits(fileName)) {
    errno = ENAMETOOLONG;
  } else {
    if (mode == FileMode::Replace) {
      struct stat st;
      // A directory stays (the create then fails); anything else goes.
      if (::lstat(native.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) ::unlink(native.c_str());
    }
    fd = ::open(native.c_str(), flags | O_CLOEXEC, 0666);
  }
  if (fd >= 0) {
    // A directory opens for reading on POSIX but not on Windows.
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
      ::close(fd);
      fd = -1;
      errno = EISDIR;
    }
  }
  if (fd < 0) {
    const std::string reason = LastErrorText();
    const std::string full = ExpandFileName(fileName);
    if (mode != FileMode::OpenRead && mode != FileMode::OpenReadHeld && mode != FileMode::OpenWrite) {
      throw EFCreateError(full, reason);
    }
    throw EFOpenError(full, reason);
  }
  handle_ = fd;
}

TFileStream::~TFileStream() { ::close(static_cast<int>(handle_)); }

std::size_t TFileStream::Read(void* buffer, std::size_t count) {
  for (;;) {
    const ssize_t n = ::read(static_cast<int>(handle_), buffer, count);
    if (n >= 0) return static_cast<std::size_t>(n);
    if (errno != EINTR) {
      lastError_ = errno;
      return 0;
    }
  }
}

std::size_t TFileStream::Write(const void* buffer, std::size_t count) {
  for (;;) {
    const ssize_t n = ::write(static_cast<int>(handle_), buffer, count);
    // Nothing written without an error: the medium is full.
    if (n == 0 && count != 0) lastError_ = ENOSPC;
    if (n >= 0) return static_cast<std::size_t>(n);
    if (errno != EINTR) {
      lastError_ = errno;
      return 0;
    }
  }
}

std::int64_t TFileStream::Seek(std::int64_t offset, SeekOrigin origin) {
  const int whence =
      origin == SeekOrigin::Beginning ? SEEK_SET : origin == SeekOrigin::Current ? SEEK_CUR : SEEK_END;
  const off_t result = ::lseek(static_cast<int>(handle_), static_cast<off_t>(offset), whence);
  if (result < 0) throw EStreamError("Stream seek error in \"" + fileName_ + "\". " + LastErrorText());
  return result;
}

bool TFileStream::SetDosDate(std::int32_t dosDate) {
  const DosDateTime d = UnpackDosDate(dosDate);
  struct tm local = {};
  local.tm_year = d.year - 1900;
  local.tm_mon = d.month - 1;
  local.tm_mday = d.day;
  local.tm_hour = d.hour;
  local.tm_min = d.minute;
  local.tm_sec = d.second;
  local.tm_isdst = -1;
  const time_t t = ::mktime(&local);
  if (t == static_cast<time_t>(-1)) return false;
  struct timespec times[2];
  times[0].tv_sec = t;
  times[0].tv_nsec = 0;
  times[1] = times[0];
  return ::futimens(static_cast<int>(handle_), times) == 0;
}
