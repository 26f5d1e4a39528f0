#include <gtest/gtest.h>

#include <string>
#include <vector>

#ifndef _WIN32
#include <unistd.h>
#endif

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
  const std::string one = dir / "one", two = one + sep + "two", three = two + sep + "three";
  const std::string deep = three + sep;
  std::vector<std::string> made{"before"};
  EXPECT_TRUE(ForceDirectories(deep, &made));
  EXPECT_TRUE(DirectoryExists(deep));
  EXPECT_EQ(made, (std::vector<std::string>{"before", one, two, three})) << "what it made, outermost first";
  made.clear();
  EXPECT_TRUE(ForceDirectories(deep, &made)) << "an existing chain is no failure";
  EXPECT_TRUE(made.empty());
  EXPECT_TRUE(ForceDirectories(three + sep + "four", &made));
  EXPECT_EQ(made, (std::vector<std::string>{three + sep + "four"})) << "only the missing end";
  // A relative name as short as a drive is no drive.
  const std::string old = GetCurrentDir();
  ASSERT_TRUE(SetCurrentDir(dir.Path()));
  made.clear();
  EXPECT_TRUE(ForceDirectories("ab", &made));
  EXPECT_EQ(made, std::vector<std::string>{"ab"});
  ASSERT_TRUE(SetCurrentDir(old));
  EXPECT_TRUE(DirectoryExists(dir / "ab"));
  WriteFile(dir / "file", "x");
  made.clear();
  EXPECT_FALSE(ForceDirectories(dir / "file" + sep + "sub", &made)) << "a file blocks the chain";
  EXPECT_TRUE(made.empty());
  EXPECT_FALSE(ForceDirectories(""));
  // Chains the platform cannot hold are refused before anything is made,
  // however deep (the work stays linear in the length).
  const struct {
    const char* what;
    std::size_t depth;
    std::size_t nameLength;
  } tooLong[] = {{"a long path of short names", 3000, 1},
                 {"100000 levels", 100000, 1},
                 {"one name too long", 1, 300}};
  for (const auto& c : tooLong) {
    SCOPED_TRACE(c.what);
    std::string chain = dir / "deep";
    for (std::size_t i = 0; i < c.depth; ++i) chain += sep + std::string(c.nameLength, 'd');
    EXPECT_FALSE(PathFits(chain));
    EXPECT_FALSE(ForceDirectories(chain));
    EXPECT_FALSE(DirectoryExists(dir / "deep"));
    EXPECT_NE(LastErrorText(), "") << "the reason is told";
  }
}

#ifndef _WIN32
TEST(FileSystem, RemoveTreeRemovesLinksWithoutEnteringThem) {
  TempDir outside, dir;
  WriteFile(outside / "keep", "x");
  ASSERT_TRUE(ForceDirectories(dir / "tree\\sub"));
  ASSERT_EQ(::symlink(NativePath(outside.Path()).c_str(), NativePath(dir / "tree\\sub\\up").c_str()), 0);
  ASSERT_EQ(::symlink("../keep", NativePath(dir / "tree\\file").c_str()), 0);
  RemoveTree(dir / "tree");
  EXPECT_FALSE(DirectoryExists(dir / "tree"));
  EXPECT_TRUE(FileExists(outside / "keep"));
}
#endif

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
