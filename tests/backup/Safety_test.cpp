// Names that would lead outside the destination, and what is left open after
// a failure.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <dirent.h>
#include <unistd.h>
#endif

#include "backup/Backup.h"
#include "runtime/Exceptions.h"
#include "backup/RestorePaths.h"
#include "runtime/FileSystem.h"
#include "tests/backup/ArchiveBytes.h"

using namespace backup_testing;
using namespace testing_support;

TEST(TargetPath, NamesMapIntoTheDestination) {
  struct Case {
    const char* name;
    bool full;
    const char* target;  // nullptr: refused
  };
  const Case cases[] = {
      {"C:\\DIR\\SUB\\F.TXT", false, "D:\\X\\F.TXT"},
      {"C:\\DIR\\SUB\\F.TXT", true, "D:\\X\\DIR\\SUB\\F.TXT"},
      {"C:F.TXT", false, "D:\\X\\F.TXT"},
      {"F.TXT", false, "D:\\X\\F.TXT"},
      {"C:\\..\\a..b", true, nullptr},
      {"C:\\a..b\\.x", true, "D:\\X\\a..b\\.x"},
      {"C:\\DIR\\", false, nullptr},
      {"C:\\DIR\\..", false, nullptr},
      {"C:\\DIR\\.", false, nullptr},
      {"C:\\DIR\\. .", false, nullptr},
      {"C:\\DIR\\...", false, nullptr},
      {"C:\\a/b", false, nullptr},
      {"C:\\..\\..\\ESCAPE", false, "D:\\X\\ESCAPE"},
      {"C:\\..\\..\\ESCAPE", true, nullptr},
      {"C:\\DIR\\.. \\F", true, nullptr},
      {"C:\\\\ROOTED", true, nullptr},
      {"C:\\D:\\F", true, nullptr},
      {"C:\\F:stream", true, nullptr},
      {"C:\\DIR\\\\F", true, nullptr},
      {"C:\\", true, nullptr},
      {"C:\\DIR\\nul", false, nullptr},
      {"C:\\DIR\\Con.txt", false, nullptr},
      {"C:\\com1\\F", true, nullptr},
      {"C:\\LPT9 .log", false, nullptr},
      {"C:\\COM10", false, "D:\\X\\COM10"},
      {"C:\\COM\xB9", false, nullptr},  // superscript digits count as digits
      {"C:\\lpt\xB3.txt", false, nullptr},
      {"C:\\COM\xB2\\F", true, nullptr},
      {"C:\\LPT0", false, nullptr},
      {"C:\\COM\xB4", false, "D:\\X\\COM\xB4"},
      {"C:\\CONSOLE.TXT", false, "D:\\X\\CONSOLE.TXT"},
      {"AB", true, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + (c.full ? " (full path)" : ""));
    const auto target = archive::TargetPath("D:\\X\\", c.name, c.full);
    if (c.target) {
      ASSERT_TRUE(target.has_value());
      EXPECT_EQ(*target, c.target);
    } else {
      EXPECT_FALSE(target.has_value()) << *target;
    }
  }
  // An empty destination keeps the stored name, whatever it holds.
  EXPECT_EQ(archive::TargetPath("", "C:\\..\\x/y", true), "C:\\..\\x/y");
}

TEST(TargetPath, PercentageIsAlwaysWithinRange) {
  const struct {
    std::int64_t done;
    std::int32_t base;
    int percent;
  } cases[] = {{0, 100, 0},   {1, 3, 33},         {2, 3, 66},  {3, 3, 100},          {4, 3, 100},
               {5, 0, 0},     {5, -7, 0},          {-1, 10, 0}, {0x7FFFFFFF, 0x7FFFFFFF, 100},
               {0x7FFFFFFE, 0x7FFFFFFF, 99}, {int64_t{1} << 40, 1, 100}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.done) + "/" + std::to_string(c.base));
    EXPECT_EQ(archive::Percentage(c.done, c.base), c.percent);
  }
}

TEST(Safety, NothingIsWrittenOutsideTheDestination) {
  const struct {
    const char* name;
    bool full;
  } cases[] = {{"C:\\..", false}, {"C:\\x\\..", false}, {"..", false}, {"C:\\a/../../OUT", false},
               {"C:\\..\\OUT", true}, {"C:\\\\OUT", true}, {"C:\\x\\..\\..\\OUT", true}, {"C:\\", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::string dest = dir / "a\\dest";
    Recorder rec;
    TBackupFile backup;
    rec.Attach(backup);
    backup.SetRestoreFullPath(c.full);
    ArchiveBytes a;
    a.Header(10).File("C:\\FIRST", kDate, "1").File(c.name, kDate, "evil").File("C:\\LAST", kDate, "2").End();
    a.WriteTo(dir / "SETUP.Z");
    EXPECT_FALSE(backup.Restore(dir / "SETUP.Z", dest));
    EXPECT_EQ(ReadFile(dest + "\\FIRST"), ToBytes("1"));
    EXPECT_FALSE(FileExists(dest + "\\LAST"));
    EXPECT_FALSE(FileExists(dir / "OUT"));
    EXPECT_FALSE(FileExists(dir / "a\\OUT"));
    EXPECT_EQ(ListDirectory(dir / "a").size(), 1u);  // only dest
    EXPECT_EQ(ListDirectory(dir.Path()).size(), 2u);  // a and SETUP.Z
    ASSERT_GE(rec.log.size(), 2u);
    EXPECT_EQ(rec.log[rec.log.size() - 2], "progress  100");
    EXPECT_EQ(rec.log.back(), "error 1 Cannot read file");
    for (const auto& line : rec.log) EXPECT_EQ(line.find("evil"), std::string::npos);
  }
}

#ifndef _WIN32
// What a user or another program left at a target path is replaced, never
// written through; and the volume being read is never a target.
TEST(Safety, WhatStandsAtATargetIsReplacedNotWrittenThrough) {
  enum Kind { kSymlink, kHardLink, kDanglingLink, kTheVolume, kDirectoryLink };
  const struct {
    const char* what;
    Kind kind;
    bool restored;
  } cases[] = {{"a symbolic link to a file outside", kSymlink, true},
               {"a hard link to a file outside", kHardLink, true},
               {"a link to a file not there yet", kDanglingLink, true},
               {"the archive volume itself", kTheVolume, false},
               {"a link to a directory outside, with full paths", kDirectoryLink, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    const std::string dest = c.kind == kTheVolume ? dir.Path() : dir / "dest\\";
    ASSERT_TRUE(ForceDirectories(dest));
    const std::string victim = dir / "victim";
    if (c.kind != kDanglingLink) WriteFile(victim, "precious");
    const std::string at = NativePath(dest + "SETUP.Z");
    if (c.kind == kHardLink) {
      ASSERT_EQ(::link(NativePath(victim).c_str(), at.c_str()), 0);
    }
    if (c.kind == kSymlink || c.kind == kDanglingLink) {
      ASSERT_EQ(::symlink("../victim", at.c_str()), 0);
    }
    if (c.kind == kDirectoryLink) {
      ASSERT_TRUE(ForceDirectories(dir / "outside"));
      ASSERT_EQ(::symlink("../outside", NativePath(dest + "SUB").c_str()), 0);
    }
    ArchiveBytes a;
    if (c.kind == kDirectoryLink) {
      a.Header(10).File("C:\\SUB\\DEEP\\SETUP.Z", kDate, "evil").File("C:\\LAST", kDate, "2").End();
    } else {
      a.Header(10).File("C:\\SETUP.Z", kDate, "evil").File("C:\\LAST", kDate, "2").End();
    }
    a.WriteTo(dir / "SETUP.Z");
    TBackupFile backup;
    Recorder rec;
    rec.Attach(backup);
    backup.SetRestoreFullPath(c.kind == kDirectoryLink);
    EXPECT_EQ(backup.Restore(dir / "SETUP.Z", dest), c.restored);
    if (c.kind == kDirectoryLink) {
      EXPECT_TRUE(ListDirectory(dir / "outside").empty());
    } else if (c.kind == kDanglingLink) {
      EXPECT_FALSE(FileExists(victim));
    } else if (c.kind != kTheVolume) {
      EXPECT_EQ(ReadFile(victim), ToBytes("precious"));
    }
    if (c.restored) {
      EXPECT_EQ(ReadFile(dest + "SETUP.Z"), ToBytes("evil"));
    } else {
      EXPECT_EQ(ReadFile(dir / "SETUP.Z"), a.bytes);
      EXPECT_EQ(rec.log.back(), "error 1 Cannot read file");
      EXPECT_NE(backup.ErrorDetail().find(c.kind == kTheVolume ? "archive volume" : "A link stands"), std::string::npos)
          << backup.ErrorDetail();
    }
    EXPECT_EQ(FileExists(dest + "LAST"), c.restored);
  }
}

namespace {
int OpenDescriptors() {
  int n = 0;
  DIR* d = opendir("/proc/self/fd");
  while (readdir(d)) ++n;
  closedir(d);
  return n;
}
}  // namespace
#endif

TEST(Safety, ARaisedErrorLeavesNoFileOpen) {
  TempDir dir;
#ifndef _WIN32
  const int before = OpenDescriptors();
#endif
  TBackupFile backup;
  bool raised = false;
  backup.OnProgress = [&](TBackupFile&, const std::string& f, TPercentage, bool&) {
    if (!f.empty()) {
      raised = true;
      throw EInvalidOperation("raised by a handler");
    }
  };
  ArchiveBytes a;
  a.Header(1).File("C:\\F", kDate, "x").End();
  a.WriteTo(dir / "SETUP.Z");
  // A handler's error inside the data of a file being written is code 1.
  EXPECT_FALSE(backup.Restore(dir / "SETUP.Z", dir / "out"));
  EXPECT_TRUE(raised);
  EXPECT_EQ(backup.ErrorCode(), 1);
  backup.OnProgress = nullptr;
  backup.OnFileRestored = [](TBackupFile&, std::string&, std::unique_ptr<TFileStream>&) {
    throw EInvalidOperation("raised after writing");
  };
  EXPECT_THROW(backup.Restore(dir / "SETUP.Z", dir / "out"), EInvalidOperation);
#ifndef _WIN32
  EXPECT_EQ(OpenDescriptors(), before);
#endif
  EXPECT_EQ(OtherNames(dir / "out", {}), std::vector<std::string>{}) << "the file of a failed entry is removed";
  EXPECT_TRUE(RemoveFile(dir / "SETUP.Z"));
}
