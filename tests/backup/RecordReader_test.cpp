// The records as a caller pulls them, over one stream and over volume files:
// which records come with which offsets, blocks left unread, and where the
// reading stops.
#include <gtest/gtest.h>

#include "backup/RecordReader.h"
#include "runtime/FileSystem.h"
#include "runtime/Paths.h"
#include "runtime/Streams.h"
#include "tests/backup/ArchiveBytes.h"

using namespace backup_testing;
using namespace testing_support;

namespace {

using Log = std::vector<std::string>;

// Pulls every record (reading the data blocks when read is set) until the
// end or until the record named stopAfter, and logs what it met.
Log Pull(archive::VolumeSource& volumes, bool read, const std::string& stopAfter) {
  Log log;
  std::uint8_t buffer[archive::kChunkSize];
  archive::RecordReader reader(volumes);
  log.push_back("header " + std::to_string(reader.ReadHeader().progressBase));
  while (auto record = reader.Next()) {
    if (record->kind == archive::RecordKind::Entry) {
      log.push_back("entry " + record->name + " @" + std::to_string(record->offset) +
                    (record->nameKind == archive::NameKind::FileList ? " list" : "") +
                    (record->date == kDate ? "" : " bad date"));
    } else if (record->kind == archive::RecordKind::Marker) {
      log.push_back("marker " + record->number + " @" + std::to_string(record->offset));
    } else {
      log.push_back("continuation");
    }
    if (read && record->kind != archive::RecordKind::Marker) {
      for (;;) {
        const archive::ChunkRecord chunk = reader.ReadChunk(buffer);
        const std::string at = " @" + std::to_string(chunk.offset);
        if (chunk.End()) {
          log.push_back("end" + at);
          break;
        }
        log.push_back("chunk " + std::to_string(chunk.length) + " " +
                      std::string(reinterpret_cast<const char*>(buffer), chunk.Size()) + at);
      }
    }
    if (!stopAfter.empty() && record->name == stopAfter) break;
  }
  reader.Finish();
  return log;
}

}  // namespace

TEST(RecordReader, CallerPullsEveryRecordInOrder) {
  const Bytes plain = ArchiveBytes()
                          .Header(5)
                          .File(std::string(archive::kFileListName), kDate, "x")
                          .Int(-1)
                          .File("C:\\A", kDate, "abcd")
                          .End()
                          .bytes;
  const Bytes first = ArchiveBytes().Header(7).Entry("C:\\A", kDate).Magic().Stored("abc").EndBlock().Marker("002").bytes;
  const Bytes second = ArchiveBytes().Magic().Stored("def").EndBlock().File("C:\\B", kDate, "b").End().bytes;
  const Log split = {"header 7", "entry C:\\A @12", "chunk -3 abc @28", "end @35", "marker 002 @39", "continuation"};
  struct Case {
    const char* what;
    std::vector<Bytes> volumes;  // as files SETUP.Z, SETUP.002; as a stream laid end to end
    bool files;
    bool read;              // the caller reads the data blocks
    std::string stopAfter;  // the record after which the caller stops
    Log log;
    std::int64_t position;           // a stream's position after the reading
    std::vector<std::string> opened; // the volume files opened
  };
  const std::vector<Case> cases = {
      {"entries, a record by itself and the file list", {plain}, false, true, "",
       {"header 5", "entry FILE:LIST @12 list", "chunk -1 x @33", "end @38", "entry C:\\A @46", "chunk -4 abcd @62", "end @70"},
       78, {}},
      {"blocks left unread are passed over", {plain}, false, false, "",
       {"header 5", "entry FILE:LIST @12 list", "entry C:\\A @46"}, 78, {}},
      {"the caller stops after an entry", {plain}, false, true, "FILE:LIST",
       {"header 5", "entry FILE:LIST @12 list", "chunk -1 x @33", "end @38"}, 42, {}},
      {"a marker in a stream: the continuation follows in it", {first, second}, false, true, "",
       [&] {
         Log l = split;
         l.insert(l.end(), {"chunk -3 def @59", "end @66", "entry C:\\B @70", "chunk -1 b @86", "end @91"});
         return l;
       }(),
       99, {}},
      {"a marker over files: the volume of its number", {first, second}, true, true, "",
       [&] {
         Log l = split;
         l.insert(l.end(), {"chunk -3 def @4", "end @11", "entry C:\\B @15", "chunk -1 b @31", "end @36"});
         return l;
       }(),
       -1,
       {"SETUP.Z", "SETUP.002"}},
      {"the caller stops at a marker: no volume is opened", {first, second}, true, true, "NEXT:DISK002",
       {"header 7", "entry C:\\A @12", "chunk -3 abc @28", "end @35", "marker 002 @39"}, -1, {"SETUP.Z"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Log log;
    if (c.files) {
      TempDir dir;
      for (std::size_t i = 0; i < c.volumes.size(); ++i) {
        WriteFile(dir / (i == 0 ? std::string("SETUP.Z") : "SETUP.00" + std::to_string(i + 1)), c.volumes[i]);
      }
      archive::FileVolumes volumes(dir / "SETUP.Z");
      log = Pull(volumes, c.read, c.stopAfter);
      std::vector<std::string> opened;
      for (const auto& path : volumes.Opened()) opened.push_back(ExtractFileName(path));
      EXPECT_EQ(opened, c.opened);
    } else {
      Bytes all;
      for (const auto& v : c.volumes) all.insert(all.end(), v.begin(), v.end());
      TMemoryStream stream(all);
      archive::StreamVolumes volumes(stream);
      log = Pull(volumes, c.read, c.stopAfter);
      EXPECT_EQ(stream.Position(), c.position);
    }
    EXPECT_EQ(log, c.log);
  }
}
