#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include "runtime/DosDate.h"
#include "runtime/Exceptions.h"
#include "runtime/FileSystem.h"
#include "runtime/Paths.h"
#include "runtime/Streams.h"
#include "tests/support/TestFiles.h"

using namespace testing_support;

TEST(MemoryStream, ReadsWritesAndSeeksLikeAFile) {
  TMemoryStream s;
  s.WriteInt32(-3);
  s.WriteBuffer("abc", 3);
  EXPECT_EQ(s.Size(), 7);
  EXPECT_EQ(s.Bytes()[0], 0xFD);
  EXPECT_EQ(s.Bytes()[3], 0xFF);
  s.SetPosition(0);
  EXPECT_EQ(s.ReadInt32(), -3);
  char text[4] = {};
  EXPECT_EQ(s.Read(text, 10), 3u);
  EXPECT_STREQ(text, "abc");
  EXPECT_EQ(s.Read(text, 1), 0u);
  s.SetPosition(9);  // past the end: writing there fills the gap with zeros
  s.WriteBuffer("z", 1);
  EXPECT_EQ(s.Size(), 10);
  EXPECT_EQ(s.Bytes()[7], 0);
}

TEST(MemoryStream, ReadBufferFailsWhenShort) {
  TMemoryStream s(ToBytes("ab"));
  char buffer[3];
  try {
    s.ReadBuffer(buffer, 3);
    FAIL() << "no error";
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message(), "Stream read error");
  }
}

TEST(FileStream, OpenErrorsNameTheFullPath) {
  TempDir dir;
  const std::string missing = dir / "missing.bin";
  try {
    TFileStream s(missing, FileMode::OpenRead);
    FAIL() << "opened a missing file";
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Message().rfind("Cannot open file \"" + ExpandFileName(missing) + "\". ", 0), 0u)
        << e.Message();
    EXPECT_GT(e.Message().size(), 20 + missing.size()) << "no system error text";
  }
  const std::string inMissingDir = dir / "nodir" + std::string(1, kPathDelim) + "x.bin";
  try {
    TFileStream s(inMissingDir, FileMode::Create);
    FAIL() << "created a file in a missing folder";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.Message().rfind("Cannot create file \"" + ExpandFileName(inMissingDir) + "\". ", 0),
              0u)
        << e.Message();
  }
  EXPECT_THROW(TFileStream(dir.Path(), FileMode::OpenRead), EFOpenError);
}

TEST(FileStream, CreateOverwritesAndOpenWriteAppendsAfterSeek) {
  TempDir dir;
  const std::string path = dir / "f.bin";
  WriteFile(path, "longer old content");
  {
    TFileStream s(path, FileMode::Create);
    s.WriteBuffer("abc", 3);
  }
  EXPECT_EQ(ToText(ReadFile(path)), "abc");
  {
    TFileStream s(path, FileMode::OpenWrite);
    s.Seek(0, SeekOrigin::End);
    s.WriteBuffer("def", 3);
  }
  EXPECT_EQ(ToText(ReadFile(path)), "abcdef");
}

TEST(FileStream, ReadingSharesTheFileAndSkipsForward) {
  TempDir dir;
  const std::string path = dir / "f.bin";
  WriteFile(path, "0123456789");
  TFileStream a(path, FileMode::OpenRead);
  TFileStream b(path, FileMode::OpenRead);
  a.Skip(4);
  char c;
  a.ReadBuffer(&c, 1);
  EXPECT_EQ(c, '4');
  b.ReadBuffer(&c, 1);
  EXPECT_EQ(c, '0');
  a.Skip(100);  // beyond the end: the next read fails
  EXPECT_THROW(a.ReadBuffer(&c, 1), EReadError);
  EXPECT_EQ(a.Size(), 10);

  // A file held for reading: others read it; on Windows none writes it
  // until it is let go of.
  const std::string heldPath = dir / "held.bin";
  WriteFile(heldPath, "checked");
#ifdef _WIN32
  const auto writable = [&] {
    const HANDLE h = CreateFileA(heldPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, 0, nullptr);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    return h != INVALID_HANDLE_VALUE;
  };
#endif
  {
    TFileStream held(heldPath, FileMode::OpenReadHeld);
    TFileStream reader(heldPath, FileMode::OpenRead);
    EXPECT_EQ(reader.Size(), 7);
#ifdef _WIN32
    EXPECT_FALSE(writable()) << "written while held";
#endif
  }
#ifdef _WIN32
  EXPECT_TRUE(writable()) << "still held once let go of";
#endif
}

TEST(FileStream, DosDateRoundTripsThroughFileAge) {
  TempDir dir;
  const std::string path = dir / "dated.txt";
  const std::int32_t dates[] = {
      PackDosDate({1999, 12, 31, 23, 59, 58}),
      PackDosDate({2004, 2, 29, 12, 0, 0}),
      PackDosDate({1980, 1, 1, 0, 0, 0}),
      PackDosDate({2024, 7, 15, 8, 30, 10}),
  };
  for (const std::int32_t date : dates) {
    SCOPED_TRACE(FormatDosDate(date));
    {
      TFileStream s(path, FileMode::Create);
      s.WriteBuffer("x", 1);
      EXPECT_TRUE(s.SetDosDate(date));
    }
    EXPECT_EQ(FileAge(path), date) << FormatDosDate(FileAge(path));
  }
}

TEST(DosDate, PacksAndUnpacksFields) {
  const DosDateTime d{2021, 3, 4, 5, 6, 7};
  const std::int32_t packed = PackDosDate(d);
  EXPECT_EQ(static_cast<std::uint32_t>(packed), (41u << 25 | 3u << 21 | 4u << 16 | 5u << 11 | 6u << 5 | 3u));
  EXPECT_EQ(FormatDosDate(packed), "2021-03-04 05:06:06");
  EXPECT_EQ(FormatDosDate(PackDosDate({1970, 1, 1, 0, 0, 0})), "1980-01-01 00:00:00");
  EXPECT_LT(PackDosDate({2100, 1, 1, 0, 0, 0}), 0) << "years from 2044 set the sign bit";
}
