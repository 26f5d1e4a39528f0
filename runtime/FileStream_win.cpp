#include <windows.h>

#include "runtime/ErrorMode_win.h"
#include "runtime/Exceptions.h"
#include "runtime/FileSystem.h"
#include "runtime/Streams.h"

namespace {

HANDLE H(std::intptr_t h) { return reinterpret_cast<HANDLE>(h); }

}  // namespace

TFileStream::TFileStream(const std::string& fileName, FileMode mode) : fileName_(fileName) {
  DWORD access = GENERIC_READ;
  DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
  DWORD disposition = OPEN_EXISTING;
  if (mode == FileMode::OpenReadHeld) {
    share = FILE_SHARE_READ;
  } else if (mode == FileMode::OpenWrite) {
    access = GENERIC_WRITE;
    share = 0;
  } else if (mode == FileMode::Create) {
    access = GENERIC_READ | GENERIC_WRITE;
    share = 0;
    disposition = CREATE_ALWAYS;
  } else if (mode == FileMode::Replace || mode == FileMode::CreateNew) {
    access = GENERIC_READ | GENERIC_WRITE;
    share = 0;
    disposition = CREATE_NEW;
  }
  DWORD flags = FILE_ATTRIBUTE_NORMAL;
  HANDLE h = INVALID_HANDLE_VALUE;
  if ((mode == FileMode::Replace || mode == FileMode::CreateNew) && !PathFits(fileName)) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
  } else {
    if (mode == FileMode::Replace) {
      // A file or a file link goes (a link itself, not its target); a
      // directory stays and the create then fails.
      const DWORD a = GetFileAttributesA(fileName.c_str());
      if (a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileA(fileName.c_str());
    }
    if (mode == FileMode::Replace || mode == FileMode::CreateNew) flags |= FILE_FLAG_OPEN_REPARSE_POINT;
    const QuietMediaProbe quiet;
    h = CreateFileA(fileName.c_str(), access, share, nullptr, disposition, flags, nullptr);
  }
  if (h == INVALID_HANDLE_VALUE) {
    const std::string reason = LastErrorText();
    const std::string full = ExpandFileName(fileName);
    if (mode != FileMode::OpenRead && mode != FileMode::OpenReadHeld && mode != FileMode::OpenWrite) {
      throw EFCreateError(full, reason);
    }
    throw EFOpenError(full, reason);
  }
  handle_ = reinterpret_cast<std::intptr_t>(h);
}

TFileStream::~TFileStream() { CloseHandle(H(handle_)); }

std::size_t TFileStream::Read(void* buffer, std::size_t count) {
  DWORD got = 0;
  if (!ReadFile(H(handle_), buffer, static_cast<DWORD>(count), &got, nullptr)) {
    lastError_ = static_cast<int>(GetLastError());
    return 0;
  }
  return got;
}

std::size_t TFileStream::Write(const void* buffer, std::size_t count) {
  DWORD put = 0;
  if (!WriteFile(H(handle_), buffer, static_cast<DWORD>(count), &put, nullptr)) {
    lastError_ = static_cast<int>(GetLastError());
    return 0;
  }
  // Nothing written without an error: the medium is full.
  if (put == 0 && count != 0) lastError_ = ERROR_DISK_FULL;
  return put;
}

std::int64_t TFileStream::Seek(std::int64_t offset, SeekOrigin origin) {
  const DWORD method = origin == SeekOrigin::Beginning ? FILE_BEGIN
                       : origin == SeekOrigin::Current ? FILE_CURRENT
                                                       : FILE_END;
  LARGE_INTEGER distance;
  distance.QuadPart = offset;
  LARGE_INTEGER result;
  if (!SetFilePointerEx(H(handle_), distance, &result, method)) {
    throw EStreamError("Stream seek error in \"" + fileName_ + "\". " + LastErrorText());
  }
  return result.QuadPart;
}

bool TFileStream::SetDosDate(std::int32_t dosDate) {
  const auto u = static_cast<std::uint32_t>(dosDate);
  FILETIME local, utc;
  return DosDateTimeToFileTime(static_cast<WORD>(u >> 16), static_cast<WORD>(u & 0xFFFF), &local) &&
         LocalFileTimeToFileTime(&local, &utc) && SetFileTime(H(handle_), nullptr, nullptr, &utc);
}
