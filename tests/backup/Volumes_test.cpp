// Archives spread over volumes: the question, the continuation of the entry
// before the marker, missing volumes and faults in a continuation.
#include <gtest/gtest.h>

#include "backup/Backup.h"
#include "runtime/Exceptions.h"
#include "runtime/FileSystem.h"
#include "tests/backup/ArchiveBytes.h"

using namespace backup_testing;
using namespace testing_support;

namespace {

using Log = std::vector<std::string>;
const std::string kDateText = std::to_string(kDate);

struct Volumes {
  TempDir dir;
  std::string dest = dir / "out";
  std::string first = dir / "SETUP.Z";
  Recorder rec;
  TBackupFile backup;

  Log Events() const {
    Log out;
    for (const std::string& line : rec.log) out.push_back(Shorten(line, dest));
    return out;
  }
};

// "abc" of C:\A, a marker to volume number, then "def" and the entry C:\B.
ArchiveBytes FirstVolume(const std::string& number = "002", const std::string& name = "C:\\A") {
  ArchiveBytes a;
  a.Header(7).Entry(name, kDate).Magic().Stored("abc").EndBlock().Marker(number);
  return a;
}
ArchiveBytes SecondVolume() {
  ArchiveBytes a;
  a.Magic().Stored("def").EndBlock().File("C:\\B", kDate, "b").End();
  return a;
}

}  // namespace

TEST(Volumes, TheSplitEntryBecomesOneFileRestoredOncePerPart) {
  Volumes v;
  v.rec.Attach(v.backup);
  FirstVolume().WriteTo(v.first);
  SecondVolume().WriteTo(v.dir / "SETUP.002");
  EXPECT_TRUE(v.backup.Restore(v.first, v.dest));
  EXPECT_EQ(ReadFile(v.dest + "\\A"), ToBytes("abcdef"));
  EXPECT_EQ(FileAge(v.dest + "\\A"), kDate);
  EXPECT_EQ(ReadFile(v.dest + "\\B"), ToBytes("b"));
  EXPECT_EQ(v.Events(),
            (Log{"restorefile D\\A " + kDateText + " yes", "progress D\\A 42", "progress D\\A 42", "restored D\\A",
                 "needdisk 2", "progress D\\A 85", "progress D\\A 85", "restored D\\A",
                 "restorefile D\\B " + kDateText + " yes", "progress D\\B 100", "progress D\\B 100",
                 "restored D\\B", "progress  100"}));
  EXPECT_EQ(v.rec.restoredSizes, (std::vector<std::int64_t>{3, 6, 1})) << "every byte is written by then";
}

TEST(Volumes, WithoutAHandlerTheQuestionIsAskedBeforeTheFirstLookAndAfterEachMiss) {
  struct Case {
    const char* what;
    std::string number;
    std::string second;  // file name of the second volume, empty for none
    std::vector<TDiskAnswer> answers;
    bool result;
    std::string text;
    std::size_t asked;
  };
  const auto ok = TDiskAnswer::daOk, cancel = TDiskAnswer::daCancel;
  const Case cases[] = {
      {"present", "002", "SETUP.002", {ok}, true, "Please insert disk 2 and click OK to continue.", 1},
      {"number 010", "010", "SETUP.010", {ok}, true, "Please insert disk 10 and click OK to continue.", 1},
      {"number 000", "000", "SETUP.000", {ok}, true, "Please insert disk  and click OK to continue.", 1},
      {"cancelled", "002", "SETUP.002", {cancel}, false, "Please insert disk 2 and click OK to continue.", 1},
      {"missing", "002", "", {ok, ok, cancel}, false, "Please insert disk 2 and click OK to continue.", 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Volumes v;
    v.rec.Attach(v.backup, false);
    v.rec.answers = c.answers;
    FirstVolume(c.number).WriteTo(v.first);
    if (!c.second.empty()) SecondVolume().WriteTo(v.dir / c.second);
    EXPECT_EQ(v.backup.Restore(v.first, v.dest), c.result);
    std::size_t asked = 0;
    for (const auto& line : v.rec.log) {
      if (line.rfind("ask ", 0) == 0) {
        ++asked;
        EXPECT_EQ(line, "ask " + c.text);
      }
    }
    EXPECT_EQ(asked, c.asked);
    // A volume that is not supplied leaves no part of the entry before it.
    if (c.result) {
      EXPECT_EQ(ToText(ReadFile(v.dest + "\\A")), "abcdef");
      EXPECT_EQ(FileAge(v.dest + "\\A"), kDate);
    } else {
      EXPECT_EQ(OtherNames(v.dest, {}), std::vector<std::string>{});
    }
    EXPECT_EQ(v.Events().back(), "progress  100");  // cancelled: no error is reported
    EXPECT_EQ(v.backup.ErrorCode(), 0);
  }
}

TEST(Volumes, TheNeedDiskHandlerGetsTheDisplayNumberAndCanCancel) {
  for (const bool go : {true, false}) {
    SCOPED_TRACE(go);
    Volumes v;
    v.rec.Attach(v.backup);
    v.rec.onNeedDisk = [go](bool& c) { c = go; };
    FirstVolume("010").WriteTo(v.first);
    SecondVolume().WriteTo(v.dir / "SETUP.010");
    EXPECT_EQ(v.backup.Restore(v.first, v.dest), go);
    Log needs;
    for (const auto& line : v.rec.log) {
      if (line.rfind("needdisk", 0) == 0 || line.rfind("ask", 0) == 0) needs.push_back(line);
    }
    EXPECT_EQ(needs, Log{"needdisk 10"});
    EXPECT_EQ(FileExists(v.dest + "\\B"), go);
  }
}

TEST(Volumes, AContinuationOfAnEntryNotRestoredIsPassedOver) {
  Volumes v;
  v.rec.Attach(v.backup);
  v.rec.onRestoreFile = [](std::string& name, bool& restore) {
    if (name.find("\\A") != std::string::npos) restore = false;
  };
  FirstVolume().WriteTo(v.first);
  ArchiveBytes second;  // an empty continuation, as at an entry boundary
  second.Magic().EndBlock().File("C:\\B", kDate, "b").End();
  second.WriteTo(v.dir / "SETUP.002");
  EXPECT_TRUE(v.backup.Restore(v.first, v.dest));
  EXPECT_FALSE(FileExists(v.dest + "\\A"));
  EXPECT_EQ(ReadFile(v.dest + "\\B"), ToBytes("b"));
  EXPECT_EQ(v.Events(), (Log{"restorefile D\\A " + kDateText + " yes", "needdisk 2",
                             "restorefile D\\B " + kDateText + " yes", "progress D\\B 14",
                             "progress D\\B 14", "restored D\\B", "progress  100"}));
}

TEST(Volumes, FaultsInAContinuationAreRaisedAndReleaseEveryFile) {
  struct Case {
    const char* what;
    ArchiveBytes second;
    std::string message;
  };
  std::vector<Case> cases;
  cases.push_back({"bad magic", ArchiveBytes().Text("XC2").Int(0), "Invalid archive type"});
  cases.push_back({"cut short", ArchiveBytes().Magic().Stored("de"), EReadError().Message()});
  cases.push_back({"empty volume", ArchiveBytes(), EReadError().Message()});
  for (auto& c : cases) {
    SCOPED_TRACE(c.what);
    Volumes v;
    v.rec.Attach(v.backup);
    FirstVolume().WriteTo(v.first);
    c.second.WriteTo(v.dir / "SETUP.002");
    try {
      v.backup.Restore(v.first, v.dest);
      ADD_FAILURE() << "no error raised";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
    EXPECT_NE(v.Events().back(), "progress  100");
    EXPECT_TRUE(RemoveFile(v.dir / "SETUP.002"));
    EXPECT_EQ(OtherNames(v.dest, {}), std::vector<std::string>{}) << "no part of the entry is left";
  }
}

TEST(Volumes, ACorruptChunkInAContinuationIsCode6) {
  Volumes v;
  v.rec.Attach(v.backup);
  FirstVolume().WriteTo(v.first);
  ArchiveBytes second;
  second.Magic().Compressed(Damage(Zlib(std::string("def")), 0)).EndBlock().End();
  second.WriteTo(v.dir / "SETUP.002");
  EXPECT_FALSE(v.backup.Restore(v.first, v.dest));
  EXPECT_EQ(v.Events().back(), "error 6 Compression error");
  EXPECT_EQ(OtherNames(v.dest, {}), std::vector<std::string>{}) << "no part of the entry is left";
}

TEST(Volumes, AStreamArchiveCarriesItsVolumesEndToEnd) {
  Volumes v;
  v.rec.Attach(v.backup);
  ArchiveBytes whole = FirstVolume();
  whole.Raw(SecondVolume().bytes);
  TMemoryStream stream(whole.bytes);
  v.backup.SetArchiveStream(&stream);
  EXPECT_TRUE(v.backup.Restore(":STREAM", v.dest));
  EXPECT_EQ(ReadFile(v.dest + "\\A"), ToBytes("abcdef"));
  for (const auto& line : v.rec.log) EXPECT_EQ(line.find("needdisk"), std::string::npos);
}
