// The archive writer of mksetup against the restore engine.
#include <gtest/gtest.h>

#include <algorithm>

#include "backup/ArchiveFormat.h"
#include "backup/Backup.h"
#include "runtime/FileSystem.h"
#include "tests/backup/ArchiveBytes.h"
#include "tools/mksetup/ArchiveWriter.h"

using namespace backup_testing;
using namespace testing_support;

namespace {

// Deterministic content: text-like runs mixed with noise from a fixed seed.
Bytes Content(std::size_t size, std::uint32_t seed) {
  Bytes out(size);
  std::uint32_t x = seed * 2654435761u + 1;
  for (std::size_t i = 0; i < size; ++i) {
    x = x * 1103515245u + 12345u;
    out[i] = (i / 700) % 2 ? static_cast<std::uint8_t>(x >> 24) : static_cast<std::uint8_t>('a' + (i * 7 + seed) % 26);
  }
  return out;
}

struct Source {
  std::string name;
  std::size_t size;
};

const Source kSources[] = {{"EMPTY.TXT", 0},     {"ONE.TXT", 1},        {"SHORT.BIN", 16383},
                           {"EXACT.BIN", 16384}, {"OVER.BIN", 16385},   {"LARGE.BIN", 300000},
                           {"MID.TXT", 70000}};

std::vector<mksetup::PackEntry> WriteSources(const TempDir& dir) {
  std::vector<mksetup::PackEntry> entries;
  mksetup::PackEntry list;
  list.storedName = archive::kFileListName;
  list.data = ToBytes("C:\\ALL\r\n");
  entries.push_back(list);
  std::uint32_t seed = 1;
  for (const Source& s : kSources) {
    mksetup::PackEntry e;
    e.source = dir / ("src\\" + s.name);
    WriteFile(e.source, Content(s.size, seed++));
    e.storedName = "C:\\SUB\\" + s.name;
    e.dosDate = kDate + static_cast<std::int32_t>(seed);
    e.size = static_cast<std::int64_t>(s.size);
    entries.push_back(e);
  }
  return entries;
}

}  // namespace

TEST(RoundTrip, PackedArchivesRestoreByteForByteWithTheirDates) {
  struct Case {
    std::int64_t volumeSize;
    int level;
  };
  for (const Case c : {Case{0, 9}, Case{0, 0}, Case{65536, 9}, Case{65536, 0}, Case{100000, 1}, Case{0, 12},
                        Case{65536, 12}, Case{0, 6}}) {
    SCOPED_TRACE("volume size " + std::to_string(c.volumeSize) + ", level " + std::to_string(c.level));
    TempDir dir;
    ASSERT_TRUE(ForceDirectories(dir / "src"));
    const auto entries = WriteSources(dir);
    mksetup::PackSettings settings;
    settings.volumeSize = c.volumeSize;
    settings.level = c.level;
    const auto result = mksetup::WriteArchive(dir / "SETUP.Z", entries, settings);
    std::int64_t total = 0;
    for (const Source& s : kSources) total += static_cast<std::int64_t>(s.size);
    EXPECT_EQ(result.dataSize, total);
    for (const auto& v : result.volumes) {
      if (c.volumeSize != 0) {
        EXPECT_LE(ReadFile(v).size(), static_cast<std::size_t>(c.volumeSize)) << v;
      }
    }
    if (c.volumeSize != 0) {
      EXPECT_GT(result.volumes.size(), 2u);
    }

    TBackupFile backup;
    Recorder rec;
    rec.Attach(backup, false);
    rec.answers.assign(result.volumes.size(), TDiskAnswer::daOk);
    int lastPercent = -1;
    rec.onProgress = [&](bool&) {
      const std::string& line = rec.log.back();
      const int percent = std::stoi(line.substr(line.rfind(' ') + 1));
      EXPECT_GE(percent, lastPercent);
      lastPercent = percent;
    };
    EXPECT_TRUE(backup.Restore(dir / "SETUP.Z", dir / "out"));
    EXPECT_EQ(lastPercent, 100);
    for (std::size_t i = 1; i < entries.size(); ++i) {
      SCOPED_TRACE(entries[i].storedName);
      const std::string restored = dir / ("out\\" + kSources[i - 1].name);
      EXPECT_EQ(ReadFile(restored), ReadFile(entries[i].source));
      EXPECT_EQ(FileAge(restored), entries[i].dosDate);
    }
    EXPECT_FALSE(FileExists(dir / "out\\LIST"));
    std::size_t asked = 0;
    for (const auto& line : rec.log) asked += line.rfind("ask ", 0) == 0;
    EXPECT_EQ(asked, result.volumes.size() - 1);
  }
}

TEST(RoundTrip, TheOutputIsTheSameWhateverTheThreadCount) {
  TempDir dir;
  ASSERT_TRUE(ForceDirectories(dir / "src"));
  const auto entries = WriteSources(dir);
  Bytes first;
  for (const unsigned threads : {1u, 2u, 5u}) {
    SCOPED_TRACE(threads);
    mksetup::PackSettings settings;
    settings.threads = threads;
    settings.volumeSize = 80000;
    const auto result = mksetup::WriteArchive(dir / "T.Z", entries, settings);
    Bytes all;
    for (const auto& v : result.volumes) {
      const Bytes b = ReadFile(v);
      all.insert(all.end(), b.begin(), b.end());
    }
    if (first.empty()) {
      first = all;
    } else {
      EXPECT_EQ(all, first);
    }
  }
}

TEST(RoundTrip, ChunksAreStoredOnlyWhenCompressingDoesNotShrinkThem) {
  mksetup::PackedChunk chunk;
  const Bytes text = Content(16384, 0);
  mksetup::PackChunk(text.data(), 100, 9, chunk);
  EXPECT_TRUE(chunk.compressed);
  mksetup::PackChunk(text.data(), 100, 0, chunk);
  EXPECT_FALSE(chunk.compressed);
  EXPECT_EQ(chunk.bytes, Bytes(text.begin(), text.begin() + 100));
  const Bytes noise = Damage(Bytes{0x17}, 0);
  mksetup::PackChunk(noise.data(), noise.size(), 9, chunk);
  EXPECT_FALSE(chunk.compressed);
}

namespace {

// Serves at most a few bytes per read, as pipes and slow media may.
class TrickleStream : public TMemoryStream {
 public:
  using TMemoryStream::TMemoryStream;
  std::size_t Read(void* buffer, std::size_t count) override {
    return TMemoryStream::Read(buffer, std::min<std::size_t>(count, 1 + calls_++ % 7));
  }

 private:
  std::size_t calls_ = 0;
};

}  // namespace

TEST(RoundTrip, AStreamServedInSmallPiecesRestoresTheSame) {
  TempDir dir;
  ASSERT_TRUE(ForceDirectories(dir / "src"));
  const auto entries = WriteSources(dir);
  mksetup::PackSettings settings;
  settings.volumeSize = 65536;
  const auto result = mksetup::WriteArchive(dir / "SETUP.Z", entries, settings);
  Bytes all;  // the volumes laid end to end
  for (const auto& v : result.volumes) {
    const Bytes b = ReadFile(v);
    all.insert(all.end(), b.begin(), b.end());
  }
  all.insert(all.end(), {'t', 'a', 'i', 'l'});
  TrickleStream stream(all);
  TBackupFile backup;
  backup.SetArchiveStream(&stream);
  EXPECT_TRUE(backup.Restore(":STREAM", dir / "out"));
  for (std::size_t i = 1; i < entries.size(); ++i) {
    SCOPED_TRACE(entries[i].storedName);
    EXPECT_EQ(ReadFile(dir / ("out\\" + kSources[i - 1].name)), ReadFile(entries[i].source));
  }
  EXPECT_EQ(stream.Position(), static_cast<std::int64_t>(all.size() - 4));
}
