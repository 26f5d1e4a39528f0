#include <gtest/gtest.h>

#include "runtime/FileSystem.h"
#include "runtime/Paths.h"
#include "tests/support/TestFiles.h"

using namespace testing_support;

TEST(FileSystem, FilesAndDirectoriesAreTold) {
  TempDir dir;
  WriteFile(dir / "f.txt", "x");
  EXPECT_TRUE(FileExists(dir / "f.txt"));
  EXPECT_FALSE(DirectoryExists(dir / "f.txt"));
  EXPECT_FALSE(FileExists(dir.Path()));
  EXPECT_TRUE(DirectoryExists(dir.Path()));
  EXPECT_FALSE(FileExists(dir / "none"));
  EXPECT_FALSE(FileExists(""));
  EXPECT_EQ(FileAge(dir.Path()), -1);
  EXPECT_EQ(FileAge(dir / "none"), -1);
  EXPECT_NE(FileAge(dir / "f.txt"), -1);
}

TEST(FileSystem, BackslashSeparatesDirectories) {
  TempDir dir;
  ASSERT_TRUE(ForceDirectories(dir / "a\\b"));
  WriteFile(dir / "a\\b\\f.txt", "x");
  EXPECT_TRUE(FileExists(dir / "a\\b\\f.txt"));
}

TEST(FileSystem, ForceDirectoriesMakesTheWholeChain) {
  TempDir dir;
  const std::string sep(1, kPathDelim);
  const std::string deep = dir / "one" + sep + "two" + sep + "three" + sep;
  EXPECT_TRUE(ForceDirectories(deep));
  EXPECT_TRUE(DirectoryExists(deep));
  EXPECT_TRUE(ForceDirectories(deep)) << "an existing chain is no failure";
  WriteFile(dir / "file", "x");
  EXPECT_FALSE(ForceDirectories(dir / "file" + sep + "sub")) << "a file blocks the chain";
  EXPECT_FALSE(ForceDirectories(""));
}

TEST(FileSystem, RemoveFileReportsButNeverRaises) {
  TempDir dir;
  WriteFile(dir / "f", "x");
  EXPECT_TRUE(RemoveFile(dir / "f"));
  EXPECT_FALSE(RemoveFile(dir / "f"));
  EXPECT_FALSE(FileExists(dir / "f"));
}

TEST(FileSystem, ExeDirectoryHoldsTheRunningProgram) {
  const std::string dir = ExeDirectory();
  ASSERT_FALSE(dir.empty());
  EXPECT_TRUE(IsPathDelimiter(dir.back()));
  EXPECT_TRUE(FileExists(ExePath()));
  EXPECT_EQ(ExtractFilePath(ExePath()), dir);
}

TEST(FileSystem, ExpandFileNameResolvesAgainstTheCurrentDirectory) {
  TempDir dir;
  const std::string old = GetCurrentDir();
  ASSERT_TRUE(SetCurrentDir(dir.Path()));
  const std::string sep(1, kPathDelim);
  EXPECT_EQ(ExpandFileName("x" + sep + ".." + sep + "f.txt"),
            IncludeTrailingPathDelimiter(GetCurrentDir()) + "f.txt");
  ASSERT_TRUE(SetCurrentDir(old));
}
