#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>

#include "runtime/Exceptions.h"
#include "widgets/FileCtrlLogic.h"

using namespace filectrl;

namespace {

// One pixel per character: widths are text lengths.
int CharWidth(const std::string& text) { return static_cast<int>(text.size()); }

// The distinct texts ShortenPath yields while the width shrinks to 0.
std::vector<std::string> Shrinking(const std::string& path) {
  std::vector<std::string> seen;
  for (int w = static_cast<int>(path.size()); w >= 0; --w) {
    const std::string s = ShortenPath(path, w, CharWidth);
    if (seen.empty() || seen.back() != s) seen.push_back(s);
  }
  return seen;
}

}  // namespace

TEST(ShortenPath, GivesUpLeadingDirectoriesThenTheDriveAsTheWidthShrinks) {
  struct Case {
    std::string path;
    std::vector<std::string> sequence;
  };
  const Case cases[] = {
      {"C:\\dir1\\dir2\\dir3\\name.txt",
       {"C:\\dir1\\dir2\\dir3\\name.txt", "C:\\...\\dir2\\dir3\\name.txt",
        "C:\\...\\dir3\\name.txt", "C:\\...\\name.txt", "...\\name.txt", "name.txt"}},
      {"C:\\Program Files\\App", {"C:\\Program Files\\App", "C:\\...\\App", "...\\App", "App"}},
      {"C:\\App", {"C:\\App", "C:App", "App"}},
      // A network path has no drive; its server and share are directories.
      {"\\\\srv\\share\\a\\name",
       {"\\\\srv\\share\\a\\name", "\\...\\share\\a\\name", "\\...\\a\\name",
        "\\...\\name", "...\\name", "name"}},
      // A directory whose name starts with a full stop is not taken for a marker.
      {"C:\\.cfg\\sub\\x", {"C:\\.cfg\\sub\\x", "C:\\...\\sub\\x", "C:\\...\\x", "...\\x", "x"}},
      {"name", {"name"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(Shrinking(c.path), c.sequence);
  }
}

TEST(ShortenPath, EndsFittingOrWithTheNameAloneForAnyPath) {
  std::mt19937 random(20261209);
  const std::string parts[] = {"a", "bb", "...", ".x", "long name", "", "C:", "\\\\srv"};
  for (int round = 0; round < 300; ++round) {
    std::string path;
    const int n = static_cast<int>(random() % 6);
    for (int i = 0; i < n; ++i) path += parts[random() % std::size(parts)] + "\\";
    path += "file.txt";
    for (int w = 0; w <= static_cast<int>(path.size()) + 1; ++w) {
      SCOPED_TRACE(path + " in " + std::to_string(w));
      const std::string s = ShortenPath(path, w, CharWidth);
      EXPECT_TRUE(CharWidth(s) <= w || s == "file.txt") << s;
    }
  }
}

TEST(InitialDirectory, TextsBecomeADriveAndADirectoryOrNothing) {
  struct Case {
    std::string text;
    std::string expandArgument;  // what expansion is asked for ("" = not asked)
    std::string expanded;        // what expansion answers
    bool moves;
    char drive;
    std::string directory;
  };
  const Case cases[] = {
      {"", "", "", false, 0, ""},
      {"C:\\Program Files\\App", "C:\\Program Files\\App\\*.*", "C:\\Program Files\\App\\*.*",
       true, 'C', "C:\\Program Files\\App"},
      {"C:\\App\\", "C:\\App\\*.*", "C:\\App\\*.*", true, 'C', "C:\\App"},
      {"d:\\", "d:\\*.*", "d:\\*.*", true, 'd', "d:\\"},
      {"D:", "D:\\*.*", "D:\\*.*", true, 'D', "D:\\"},
      {"sub\\..\\other", "sub\\..\\other\\*.*", "C:\\cur\\other\\*.*", true, 'C', "C:\\cur\\other"},
      {"\\\\srv\\share\\dir", "\\\\srv\\share\\dir\\*.*", "\\\\srv\\share\\dir\\*.*", false, 0, ""},
      {"x", "x\\*.*", "x:", false, 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    std::string asked;
    const auto plan = PlanInitialDirectory(c.text, [&](const std::string& s) {
      asked = s;
      return c.expanded;
    });
    EXPECT_EQ(asked, c.expandArgument);
    ASSERT_EQ(plan.has_value(), c.moves);
    if (plan) {
      EXPECT_EQ(plan->drive, c.drive);
      EXPECT_EQ(plan->directory, c.directory);
    }
  }
}

namespace {

// A file system of names only. C:\ and \\srv\share exist; a directory can
// be made when its parent exists and it is not refused.
class FakeDirs : public DirectoryMaker {
 public:
  std::set<std::string> existing{"C:\\", "\\\\srv\\share"};
  std::set<std::string> refused;
  std::vector<std::string> created;  // every CreateDir call, in order

  static std::string Key(std::string d) {
    if (d.size() > 3 && d.back() == '\\') d.pop_back();
    return d;
  }
  bool DirectoryExists(const std::string& dir) override { return existing.count(Key(dir)) > 0; }
  bool CreateDir(const std::string& dir) override {
    created.push_back(dir);
    const auto sep = dir.rfind('\\');
    const std::string parent = sep == std::string::npos ? "" : dir.substr(0, sep + 1);
    if (refused.count(dir) || !DirectoryExists(parent)) return false;
    existing.insert(Key(dir));
    return true;
  }
  std::string LastErrorText() override { return "Access is denied."; }
};

}  // namespace

TEST(DirectoryChain, CreatesTheMissingLevelsParentsFirst) {
  struct Case {
    std::string dir;
    std::vector<std::string> calls;
  };
  const Case cases[] = {
      {"C:\\a\\b\\c", {"C:\\a", "C:\\a\\b", "C:\\a\\b\\c"}},
      {"C:\\a\\b\\", {"C:\\a", "C:\\a\\b"}},
      {"C:\\", {}},
      {"C:", {}},
      {"ab", {}},
      {"abc:", {}},
      {"C:abc", {"C:abc"}},
      {"\\\\srv\\share\\new\\", {"\\\\srv\\share\\new"}},
      {"\\\\srv\\other\\x", {"\\\\srv", "\\\\srv\\other", "\\\\srv\\other\\x"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.dir);
    FakeDirs fs;
    CreateDirectoryChain(c.dir, fs);
    EXPECT_EQ(fs.created, c.calls);
  }
}

TEST(DirectoryChain, StopsAtTheFirstExistingLevel) {
  FakeDirs fs;
  fs.existing.insert("C:\\a");
  CreateDirectoryChain("C:\\a\\b\\c", fs);
  EXPECT_EQ(fs.created, (std::vector<std::string>{"C:\\a\\b", "C:\\a\\b\\c"}));
  fs.created.clear();
  CreateDirectoryChain("C:\\a\\b", fs);
  EXPECT_TRUE(fs.created.empty());
}

TEST(DirectoryChain, EmptyTextsAndRelativeNamesAreAnInOutError) {
  for (const std::string dir : {"", "abc", "name\\"}) {
    SCOPED_TRACE(dir);
    FakeDirs fs;
    try {
      CreateDirectoryChain(dir, fs);
      ADD_FAILURE() << "no error";
    } catch (const EInOutError& e) {
      EXPECT_EQ(e.Message(), "Unable to create directory");
    }
    EXPECT_THROW(CreateChosenDirectory(dir, fs), EInOutError);
  }
}

TEST(DirectoryChain, AChosenDirectoryThatCannotBeMadeIsReportedWithItsName) {
  FakeDirs fs;
  fs.refused.insert("C:\\locked");
  // The walk itself goes on past the failure, quietly ...
  EXPECT_NO_THROW(CreateDirectoryChain("C:\\locked\\app", fs));
  EXPECT_EQ(fs.created, (std::vector<std::string>{"C:\\locked", "C:\\locked\\app"}));
  // ... and the chooser's check reports it.
  try {
    CreateChosenDirectory("C:\\locked\\app", fs);
    ADD_FAILURE() << "no error";
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.Message(), "Unable to create directory \"C:\\locked\\app\". Access is denied.");
  }
  EXPECT_NO_THROW(CreateChosenDirectory("C:\\fine\\app\\", fs));
  EXPECT_TRUE(fs.DirectoryExists("C:\\fine\\app"));
}

namespace {

std::vector<DirEntry> SampleEntries() {
  return {{"Zeta", true, false},  {"alpha", true, false}, {"f.txt", false, false},
          {"System", true, true}, {"Beta", true, false},  {"h.sys", false, true},
          {"a.TXT", false, false}};
}

}  // namespace

TEST(DirectoryList, ItemsGlyphsIndentsAndDoubleClickTargets) {
  struct Item {
    std::string text;
    FolderGlyph glyph;
    int indent;
    std::string path;
  };
  struct Case {
    std::string current;
    bool keepCase;
    int selected;
    std::vector<Item> items;
  };
  const auto O = FolderGlyph::Open, C = FolderGlyph::Closed, K = FolderGlyph::Current;
  const Case cases[] = {
      {"C:\\a\\b",
       true,
       2,
       {{"C:\\", O, 2, "C:\\"},
        {"a", O, 6, "C:\\a"},
        {"b", K, 10, "C:\\a\\b"},
        {"alpha", C, 14, "C:\\a\\b\\alpha"},
        {"Beta", C, 14, "C:\\a\\b\\Beta"},
        {"Zeta", C, 14, "C:\\a\\b\\Zeta"}}},
      // At a root the root item is the current one; subdirectories sit by
      // the backslash count, not under the root.
      {"C:\\",
       true,
       0,
       {{"C:\\", K, 2, "C:\\"},
        {"alpha", C, 10, "C:\\alpha"},
        {"Beta", C, 10, "C:\\Beta"},
        {"Zeta", C, 10, "C:\\Zeta"}}},
      {"C:\\Program Files\\My App\\Bin",
       false,
       3,
       {{"c:\\", O, 2, "C:\\"},
        {"program files", O, 6, "C:\\Program Files"},
        {"my app", O, 10, "C:\\Program Files\\My App"},
        {"bin", K, 14, "C:\\Program Files\\My App\\Bin"},
        {"alpha", C, 18, "C:\\Program Files\\My App\\Bin\\alpha"},
        {"beta", C, 18, "C:\\Program Files\\My App\\Bin\\Beta"},
        {"zeta", C, 18, "C:\\Program Files\\My App\\Bin\\Zeta"}}},
      {"\\\\srv\\share\\dir",
       true,
       1,
       {{"\\\\srv\\share\\", O, 2, "\\\\srv\\share\\"},
        {"dir", K, 6, "\\\\srv\\share\\dir"},
        {"alpha", C, 22, "\\\\srv\\share\\dir\\alpha"},
        {"Beta", C, 22, "\\\\srv\\share\\dir\\Beta"},
        {"Zeta", C, 22, "\\\\srv\\share\\dir\\Zeta"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.current);
    const DirItems list = BuildDirItems(c.current, SampleEntries(), c.keepCase);
    EXPECT_EQ(list.current, c.selected);
    ASSERT_EQ(list.items.size(), c.items.size());
    for (std::size_t i = 0; i < c.items.size(); ++i) {
      SCOPED_TRACE(i);
      const int index = static_cast<int>(i);
      EXPECT_EQ(list.items[i].text, c.items[i].text);
      EXPECT_EQ(list.items[i].glyph, c.items[i].glyph);
      EXPECT_EQ(DirItemIndent(list, index, c.current), c.items[i].indent);
      EXPECT_EQ(DirItemPath(list, index, c.current), c.items[i].path);
    }
  }
}

TEST(DirectoryList, PathRoots) {
  const std::map<std::string, std::string> roots = {
      {"C:\\", "C:\\"},
      {"d:\\x\\y", "d:\\"},
      {"\\\\srv\\share", "\\\\srv\\share\\"},
      {"\\\\srv\\share\\a\\b", "\\\\srv\\share\\"},
      {"\\\\\\x", ""},
      {"relative\\x", ""},
  };
  for (const auto& [path, root] : roots) {
    SCOPED_TRACE(path);
    EXPECT_EQ(PathRoot(path), root);
  }
}

TEST(FileList, ShowsPlainVisibleFilesOnly) {
  EXPECT_EQ(ListableFiles(SampleEntries()), (std::vector<std::string>{"f.txt", "a.TXT"}));
}

TEST(DriveList, TextsPerDriveType) {
  struct Case {
    DriveInfo drive;
    std::optional<std::string> text;
  };
  const Case cases[] = {
      {{'A', DriveKind::Removable, "DISK1", std::nullopt}, "a:"},
      {{'C', DriveKind::Fixed, "System", std::nullopt}, "c: [system]"},
      {{'c', DriveKind::Fixed, std::nullopt, std::nullopt}, "c: []"},
      {{'c', DriveKind::Fixed, "", std::nullopt}, "c: []"},
      {{'N', DriveKind::Network, "Data", "\\\\Server\\Share"}, "n: \\\\server\\share"},
      {{'N', DriveKind::Network, "Data", std::nullopt}, "n: [data]"},
      {{'D', DriveKind::CDRom, "CD_ROM", std::nullopt}, "d: [cd_rom]"},
      {{'R', DriveKind::RamDisk, "RamDisk", std::nullopt}, "r: [ramdisk]"},
      {{'X', DriveKind::Other, "Any", std::nullopt}, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(1, c.drive.letter) + " " + c.text.value_or("(none)"));
    EXPECT_EQ(DriveItemText(c.drive), c.text);
  }
}

TEST(Geometry, ItemHeightsAndWholeItemLists) {
  EXPECT_EQ(DriveItemHeight(13), 13);
  EXPECT_EQ(DriveItemHeight(8), kDriveGlyphHeight);
  EXPECT_EQ(CentredTop(kDirItemHeight, kFolderGlyphHeight), 1);
  EXPECT_EQ(CentredTop(13, kDriveGlyphHeight), 1);
  EXPECT_EQ(WholeItemsHeight(138, 17, 4), 7 * 17 + 4);
  EXPECT_EQ(WholeItemsHeight(93, 13, 4), 6 * 13 + 4);
  EXPECT_EQ(WholeItemsHeight(10, 17, 4), 17 + 4);
}

TEST(DirectoryList, SameDirectoryFoldsCaseOnlyWhenAsked) {
  EXPECT_TRUE(SameDirectory("C:\\Dir", "c:\\dir", false));
  EXPECT_FALSE(SameDirectory("C:\\Dir", "c:\\dir", true));
  EXPECT_FALSE(SameDirectory("C:\\Dir", "C:\\Dir2", false));
}
