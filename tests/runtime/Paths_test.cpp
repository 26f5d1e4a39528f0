#include <gtest/gtest.h>

#include "runtime/Paths.h"

TEST(Paths, SplitAtTheLastSeparatorOrDriveColon) {
  struct Case {
    const char* path;
    const char* dir;
    const char* name;
    const char* ext;
  };
  const Case cases[] = {
      {"C:\\DIR\\SUB\\F.TXT", "C:\\DIR\\SUB\\", "F.TXT", ".TXT"},
      {"C:F.TXT", "C:", "F.TXT", ".TXT"},
      {"F", "", "F", ""},
      {"C:\\DIR.X\\F", "C:\\DIR.X\\", "F", ""},
      {"C:\\", "C:\\", "", ""},
      {"A\\B\\", "A\\B\\", "", ""},
      {".\\x.y.z", ".\\", "x.y.z", ".z"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(ExtractFilePath(c.path), c.dir);
    EXPECT_EQ(ExtractFileName(c.path), c.name);
    EXPECT_EQ(ExtractFileExt(c.path), c.ext);
  }
}

TEST(Paths, ChangeFileExtNamesTheNextVolume) {
  EXPECT_EQ(ChangeFileExt("D:\\PKG\\SETUP.Z", ".002"), "D:\\PKG\\SETUP.002");
  EXPECT_EQ(ChangeFileExt("D:\\PKG\\SETUP.002", ".003"), "D:\\PKG\\SETUP.003");
  EXPECT_EQ(ChangeFileExt("D:\\P.KG\\SETUP", ".002"), "D:\\P.KG\\SETUP.002");
}

TEST(Paths, TrailingDelimiter) {
  EXPECT_EQ(IncludeTrailingPathDelimiter("C:\\A\\"), "C:\\A\\");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("C:\\A\\"), "C:\\A");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("C:\\A"), "C:\\A");
  EXPECT_EQ(ExtractFileDir("C:\\A\\B"), "C:\\A");
  EXPECT_EQ(ExtractFileDir("C:\\B"), "C:\\");
}
