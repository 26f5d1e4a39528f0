// The restore engine on single-volume archives: records, chunks, modes,
// events and their order, error codes and raised errors.
#include <gtest/gtest.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#include <sys/stat.h>
#endif

#include <csignal>
#include <functional>

#include "backup/ArchiveFormat.h"
#include "backup/Backup.h"
#include "backup/ChunkInflater.h"
#include "runtime/Exceptions.h"
#include "runtime/FileSystem.h"
#include "runtime/Paths.h"
#include "tests/backup/ArchiveBytes.h"

using namespace backup_testing;
using namespace testing_support;

namespace {

using Log = std::vector<std::string>;

// A destination folder and an archive beside it, with the temporary path
// replaced by "D" in recorded events.
struct Fixture {
  TempDir dir;
  std::string dest = dir / "dest";
  std::string archive = dir / "SETUP.Z";
  Recorder rec;
  TBackupFile backup;

  Fixture() { rec.Attach(backup); }
  bool Restore(const ArchiveBytes& a) {
    a.WriteTo(archive);
    return backup.Restore(archive, dest);
  }
  std::string At(const std::string& name) const { return dest + "\\" + name; }
  Log Events() const {
    Log out;
    for (const std::string& line : rec.log) out.push_back(Shorten(line, dest));
    return out;
  }
};

const std::string kDateText = std::to_string(kDate);

}  // namespace

TEST(Restore, TheSmallestArchiveRestoresItsFileWithEveryEventInOrder) {
  Fixture f;
  ArchiveBytes a;
  a.Header(3).Entry("C:\\A.TXT", kDate).Magic().Stored("abc").EndBlock().End();
  EXPECT_TRUE(f.Restore(a));
  EXPECT_EQ(ReadFile(f.At("A.TXT")), ToBytes("abc"));
  EXPECT_EQ(FileAge(f.At("A.TXT")), kDate);
  EXPECT_EQ(f.Events(), (Log{"restorefile D\\A.TXT " + kDateText + " yes", "progress D\\A.TXT 100",
                             "progress D\\A.TXT 100", "restored D\\A.TXT", "progress  100"}));
  EXPECT_EQ(f.rec.pending, 2);  // after the chunk and after the end marker
  EXPECT_EQ(f.backup.CurrentFile(), f.At("A.TXT"));
  EXPECT_EQ(f.backup.ErrorCode(), 0);
}

TEST(Restore, RecordsThatCarryNoFile) {
  Fixture f;
  ArchiveBytes a;
  a.Header(1, "title").Int(-5).Int(-1).End().Text("ignored after the end");
  EXPECT_TRUE(f.Restore(a));
  EXPECT_EQ(f.Events(), Log{"progress  100"});
  EXPECT_FALSE(DirectoryExists(f.dest));
}

TEST(Restore, ChunksOfBothKindsMakeTheFileInOrderWithOneProgressCallEach) {
  Fixture f;
  const std::string one(1000, 'x'), two = "stored part", three(3000, 'y');
  ArchiveBytes a;
  a.Header(static_cast<std::int32_t>(one.size() + two.size() + three.size() + 10))
      .Entry("C:\\DIR\\MIX.BIN", kDate).Magic().Deflated(one).Stored(two).Deflated(three).EndBlock()
      .File("C:\\EMPTY", kDate, "")
      .End();
  EXPECT_TRUE(f.Restore(a));
  EXPECT_EQ(ToText(ReadFile(f.At("MIX.BIN"))), one + two + three);
  EXPECT_EQ(ReadFile(f.At("EMPTY")).size(), 0u);
  EXPECT_EQ(FileAge(f.At("EMPTY")), kDate);
  // 1000/4021, 1011/4021, 4011/4021 and the end marker; then the empty file.
  EXPECT_EQ(f.Events(), (Log{"restorefile D\\MIX.BIN " + kDateText + " yes", "progress D\\MIX.BIN 24",
                             "progress D\\MIX.BIN 25", "progress D\\MIX.BIN 99", "progress D\\MIX.BIN 99",
                             "restored D\\MIX.BIN", "restorefile D\\EMPTY " + kDateText + " yes",
                             "progress D\\EMPTY 99", "restored D\\EMPTY", "progress  100"}));
}

TEST(Restore, TheFileListIsNeitherOfferedNorWrittenNorCounted) {
  Fixture f;
  ArchiveBytes a;
  a.Header(2).File("FILE:LIST", kDate, "C:\\A\r\n").File("FILE:LISTING", kDate, "ab").End();
  EXPECT_TRUE(f.Restore(a));
  EXPECT_FALSE(FileExists(f.At("LIST")));
  EXPECT_EQ(ReadFile(f.At("LISTING")), ToBytes("ab"));  // only the whole name is the list
  EXPECT_EQ(f.rec.pending, 4);  // skipped chunks and end markers too
  EXPECT_EQ(f.Events(), (Log{"restorefile D\\LISTING " + kDateText + " yes", "progress D\\LISTING 100",
                             "progress D\\LISTING 100", "restored D\\LISTING", "progress  100"}));
}

TEST(Restore, DestinationsWithAndWithoutTheSeparatorAgree) {
  for (const bool full : {false, true}) {
    for (const bool trailing : {false, true}) {
      SCOPED_TRACE(std::string(full ? "full path" : "bare name") + (trailing ? ", trailing \\" : ""));
      Fixture f;
      f.backup.SetRestoreFullPath(full);
      ArchiveBytes a;
      a.Header(1).File("C:\\DIR\\SUB\\F.TXT", kDate, "1").End();
      a.WriteTo(f.archive);
      EXPECT_TRUE(f.backup.Restore(f.archive, f.dest + (trailing ? "\\" : "")));
      const std::string expected = full ? f.At("DIR\\SUB\\F.TXT") : f.At("F.TXT");
      EXPECT_EQ(f.backup.CurrentFile(), expected);
      EXPECT_EQ(ReadFile(expected), ToBytes("1"));
    }
  }
}

TEST(Restore, AnEmptyDestinationWritesToTheStoredPath) {
  for (const bool full : {false, true}) {
    SCOPED_TRACE(full);
    Fixture f;
    f.backup.SetRestoreFullPath(full);
    const std::string stored = f.dir / "deep\\STORED.TXT";
    ArchiveBytes a;
    a.Header(2).File(stored, kDate, "ok").End();
    a.WriteTo(f.archive);
    EXPECT_TRUE(f.backup.Restore(f.archive, ""));
    EXPECT_EQ(ReadFile(stored), ToBytes("ok"));
    EXPECT_EQ(f.backup.CurrentFile(), stored);
  }
}

TEST(Restore, RestoreModesDecideByExistenceAndAge) {
  const std::int32_t older = kDate - (1 << 16), newer = kDate + (1 << 16);
  enum Target { kNone, kOlder, kSame, kNewer, kDirectory };
  struct Case {
    TRestoreMode mode;
    Target target;
    bool restored;
  };
  const Case cases[] = {
      {TRestoreMode::rmAll, kNone, true},          {TRestoreMode::rmAll, kNewer, true},
      {TRestoreMode::rmNoOverwrite, kNone, true},  {TRestoreMode::rmNoOverwrite, kOlder, false},
      {TRestoreMode::rmNoOverwrite, kDirectory, true},
      {TRestoreMode::rmNewer, kNone, true},        {TRestoreMode::rmNewer, kOlder, true},
      {TRestoreMode::rmNewer, kSame, false},       {TRestoreMode::rmNewer, kNewer, false},
      {TRestoreMode::rmExisting, kNone, false},    {TRestoreMode::rmExisting, kNewer, true},
      {TRestoreMode::rmExisting, kDirectory, false},
      {TRestoreMode::rmExistingNewer, kNone, false}, {TRestoreMode::rmExistingNewer, kOlder, true},
      {TRestoreMode::rmExistingNewer, kSame, false}, {TRestoreMode::rmExistingNewer, kNewer, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("mode " + std::to_string(static_cast<int>(c.mode)) + ", target " + std::to_string(c.target));
    Fixture f;
    f.backup.SetRestoreMode(c.mode);
    ASSERT_TRUE(ForceDirectories(f.dest));
    const std::string target = f.At("F.TXT");
    if (c.target == kDirectory) {
      ASSERT_TRUE(CreateDir(target));
    } else if (c.target != kNone) {
      TFileStream old(target, FileMode::Create);
      old.WriteBuffer("old", 3);
      old.SetDosDate(c.target == kOlder ? older : c.target == kSame ? kDate : newer);
    }
    ArchiveBytes a;
    a.Header(3).File("C:\\F.TXT", kDate, "new").File("C:\\NEXT.TXT", kDate, "n").End();
    f.Restore(a);
    if (c.target != kDirectory) {
      EXPECT_EQ(FileExists(target) ? ToText(ReadFile(target)) : "", c.restored ? "new" : c.target == kNone ? "" : "old");
    }
    const std::string offered = "restorefile D\\F.TXT " + kDateText + (c.restored ? " yes" : " no");
    ASSERT_FALSE(f.Events().empty());
    EXPECT_EQ(f.Events()[0], offered);
  }
}

TEST(Restore, TheRestoreFileHandlerCanRenameOrRefuse) {
  Fixture f;
  f.rec.onRestoreFile = [&](std::string& name, bool& restore) {
    if (name.find("A.TXT") != std::string::npos) name = f.dest + "\\renamed\\B.TXT";
    if (name.find("SKIP") != std::string::npos) restore = false;
  };
  ArchiveBytes a;
  a.Header(4).File("C:\\A.TXT", kDate, "aa").File("C:\\SKIP", kDate, "ss").End();
  EXPECT_TRUE(f.Restore(a));
  EXPECT_EQ(ReadFile(f.At("renamed\\B.TXT")), ToBytes("aa"));
  EXPECT_FALSE(FileExists(f.At("A.TXT")));
  EXPECT_FALSE(FileExists(f.At("SKIP")));
  EXPECT_EQ(f.Events(), (Log{"restorefile D\\A.TXT " + kDateText + " yes", "progress D\\renamed\\B.TXT 50",
                             "progress D\\renamed\\B.TXT 50", "restored D\\renamed\\B.TXT",
                             "restorefile D\\SKIP " + kDateText + " yes", "progress  100"}));
}

TEST(Restore, CancellingInProgressLeavesNoFileAndReportsNoError) {
  Fixture f;
  int calls = 0;
  f.rec.onProgress = [&](bool& go) {
    if (++calls == 2) go = false;
  };
  ArchiveBytes a;
  a.Header(9).Entry("C:\\A", kDate).Magic().Stored("111").Stored("222").Stored("333").EndBlock()
      .File("C:\\B", kDate, "b").End();
  EXPECT_FALSE(f.Restore(a));
  EXPECT_EQ(f.rec.restoredSizes, std::vector<std::int64_t>{6}) << "written before OnFileRestored";
  EXPECT_EQ(OtherNames(f.dest, {}), std::vector<std::string>{}) << "the file cut short is removed";
  EXPECT_EQ(f.Events(), (Log{"restorefile D\\A " + kDateText + " yes", "progress D\\A 33", "progress D\\A 66",
                             "restored D\\A", "progress  100"}));
  EXPECT_FALSE(f.backup.Continuing());
}

TEST(Restore, ACorruptCompressedChunkLeavesNoFileAndReportsCode6) {
  const std::string text(4000, 'q');
  const Bytes broken = Damage(Zlib(text), -1);  // the Adler-32 trailer
  for (const bool handler : {true, false}) {
    SCOPED_TRACE(handler ? "OnError" : "error box");
    Fixture f;
    if (!handler) f.backup.OnError = nullptr;
    ArchiveBytes a;
    a.Header(8000).Entry("C:\\Z", kDate).Magic().Stored("s").Compressed(broken).Stored("never").EndBlock()
        .File("C:\\AFTER", kDate, "x").End();
    EXPECT_FALSE(f.Restore(a));
    EXPECT_EQ(f.rec.restoredSizes, std::vector<std::int64_t>{4001}) << "written before OnFileRestored";
    EXPECT_EQ(OtherNames(f.dest, {}), std::vector<std::string>{}) << "the file cut short is removed";
    EXPECT_EQ(f.backup.ErrorCode(), 6);
    const Log expected = {"restorefile D\\Z " + kDateText + " yes", "progress D\\Z 0", "progress D\\Z 50",
                          "restored D\\Z", "progress  100",
                          handler ? "error 6 Compression error" : "box Compression error"};
    EXPECT_EQ(f.Events(), expected);
  }
}

// Streams that zlib refuses part-way although a more lenient decoder reads
// them to the end (Adler-32 included): 'a', a copy of 3 from distance 1, the
// end of the block; their whole content is "aaaa".
std::vector<std::pair<const char*, Bytes>> StreamsOnlyALenientDecoderReads() {
  // Literal 'a' 1 bit, end of block and length symbol 257 (3 bytes) 2 bits.
  std::vector<int> litlen(257 + 1, 0);
  litlen['a'] = 1;
  litlen[256] = 2;
  litlen[257] = 2;
  const auto codes = DeflateBits::Canonical(litlen);
  const auto body = [&](DeflateBits& bits, std::uint32_t distanceCode, int distanceBits) {
    bits.Code(codes['a'], 1).Code(codes[257], 2).Code(distanceCode, distanceBits).Code(codes[256], 2);
    return bits.Stream("aaaa");
  };
  std::vector<std::pair<const char*, Bytes>> out;
  {
    // The fixed codes hold length symbols 286 and 287, which the format
    // does not define; the lenient reading takes 286 as 258 bytes.
    DeflateBits bits;
    bits.Put(1, 1).Put(1, 2).Code(0x30 + 'a', 8).Code(0xC0 + 6, 8).Code(0, 5).Code(0, 7);
    out.push_back({"length symbol 286", bits.Stream(std::string(259, 'a'))});
  }
  {
    // The same in a block before the last, an empty stored one.
    DeflateBits bits;
    bits.Put(0, 1).Put(1, 2).Code(0x30 + 'a', 8).Code(0xC0 + 6, 8).Code(0, 5).Code(0, 7);
    bits.Put(1, 1).Put(0, 2).Align().Put(0, 16).Put(0xFFFF, 16);
    out.push_back({"length symbol 286 before the last block", bits.Stream(std::string(259, 'a'))});
  }
  {
    // A one-symbol distance code (length 1) whose unused codeword is met.
    DeflateBits bits;
    bits.DynamicHeader(litlen, {1});
    out.push_back({"unused codeword of a one-symbol distance code", body(bits, 1, 1)});
  }
  {
    std::vector<int> many(287, 0);
    std::copy(litlen.begin(), litlen.end(), many.begin());
    DeflateBits bits;
    bits.DynamicHeader(many, {1, 1});
    out.push_back({"287 literal/length code lengths", body(bits, 0, 1)});
  }
  {
    std::vector<int> dist(31, 0);
    dist[0] = dist[1] = 1;
    DeflateBits bits;
    bits.DynamicHeader(litlen, dist);
    out.push_back({"31 distance code lengths", body(bits, 0, 1)});
  }
  {
    // A distance code with no codeword, yet a length symbol is met.
    DeflateBits bits;
    bits.DynamicHeader(litlen, {0});
    out.push_back({"distance read from an empty distance code", body(bits, 0, 1)});
  }
  {
    // A run of zero lengths that goes past the last distance code length.
    // The code-length code: 18 '0', 1 '10', 2 '11'.
    DeflateBits bits;
    bits.Put(1, 1).Put(2, 2).Put(1, 5).Put(5 - 1, 5).Put(18 - 4, 4);
    for (const int symbol : {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1}) {
      bits.Put(symbol == 18 ? 1 : symbol == 1 || symbol == 2 ? 2 : 0, 3);
    }
    bits.Code(0, 1).Put(97 - 11, 7);                            // 0..96: 0
    bits.Code(2, 2);                                            // 'a': 1
    bits.Code(0, 1).Put(138 - 11, 7).Code(0, 1).Put(20 - 11, 7);  // 98..255: 0
    bits.Code(3, 2).Code(3, 2);                                 // 256, 257: 2
    bits.Code(2, 2).Code(2, 2);                                 // distances 0, 1: 1
    bits.Code(0, 1).Put(0, 7);                                  // 11 zeros for the last 3
    std::vector<int> lengths(258, 0);
    lengths['a'] = 1;
    lengths[256] = lengths[257] = 2;
    const auto ours = DeflateBits::Canonical(lengths);
    bits.Code(ours['a'], 1).Code(ours[257], 2).Code(0, 1).Code(ours[256], 2);
    out.push_back({"code lengths repeated past the last", bits.Stream("aaaa")});
  }
  {
    // A block whose only codeword is the end of block's '0' ends with the
    // unused '1'; the stored block after it holds the content.
    // The code-length code: 18 '0', 0 '10', 1 '11'.
    DeflateBits bits;
    bits.Put(0, 1).Put(2, 2).Put(0, 5).Put(0, 5).Put(18 - 4, 4);
    for (const int symbol : {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1}) {
      bits.Put(symbol == 18 ? 1 : symbol == 0 || symbol == 1 ? 2 : 0, 3);
    }
    bits.Code(0, 1).Put(138 - 11, 7).Code(0, 1).Put(118 - 11, 7);  // 0..255: 0
    bits.Code(3, 2);                                               // 256: 1
    bits.Code(2, 2);                                               // distance 0: 0
    bits.Code(1, 1);
    bits.Put(1, 1).Put(0, 2).Align().Put(4, 16).Put(0xFFFB, 16);
    for (int i = 0; i < 4; ++i) bits.Put('a', 8);
    out.push_back({"unused codeword of a one-symbol literal/length code", bits.Stream("aaaa")});
  }
  return out;
}

// A chunk that is not one whole zlib stream ends the run with code 6, like a
// damaged one: a file cut short must not be reported as restored, nor left
// under its name. What zlib inflates is what is written (and then removed),
// also of a stream that another decoder would read to its end.
TEST(Restore, ChunksThatAreNotWholeStreamsReportCode6) {
  const std::string text(3000, 'w');
  const Bytes whole = Zlib(text);
  const Bytes cut(whole.begin(), whole.end() - 6);  // deflate data ends early, no trailer
  const Bytes presetDictionary = {0x78, 0xBB, 0, 0, 0, 1};  // FDICT set; 0x78BB % 31 == 0
  struct Case {
    const char* name;
    Bytes chunk;
    std::string content;  // of the whole stream
  };
  std::vector<Case> cases = {{"cut short", cut, text}, {"needs a dictionary", presetDictionary, text}};
  for (const auto& [name, chunk] : StreamsOnlyALenientDecoderReads()) {
    cases.push_back({name, chunk, std::string(std::string(name).find("286") != std::string::npos ? 259 : 4, 'a')});
  }
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Fixture f;
    std::string got;
    f.backup.OnFileRestored = [&got](TBackupFile&, std::string&, std::unique_ptr<TFileStream>& s) {
      got.resize(static_cast<std::size_t>(s->Size()));
      s->Seek(0, SeekOrigin::Beginning);
      s->ReadBuffer(got.data(), got.size());
    };
    ArchiveBytes a;
    a.Header(3000).Entry("C:\\Z", kDate).Magic().Compressed(c.chunk).EndBlock().File("C:\\AFTER", kDate, "x").End();
    EXPECT_FALSE(f.Restore(a));
    EXPECT_EQ(f.backup.ErrorCode(), 6);
    EXPECT_EQ(OtherNames(f.dest, {}), std::vector<std::string>{});
    EXPECT_EQ(got, c.content.substr(0, got.size())) << "what was inflated is written";
    EXPECT_LT(got.size(), c.content.size());
  }
}

// Which chunks the whole-buffer decoder takes: a wrong yes would let zlib's
// refusals through, a wrong no only costs speed.
TEST(ChunkInflater, TheFastPathTakesOnlyStreamsZlibReadsAlike) {
  if (!archive::ChunkInflater::FastPathOn()) GTEST_SKIP() << "the whole-buffer decoder is not built in or off";
  struct Case {
    std::string name;
    Bytes stream;
    std::string content;
  };
  std::vector<Case> yes;
  const std::string text = std::string(5000, 'x') + "tail";
  yes.push_back({"zlib level 9, one block", Zlib(text), text});
  {
    // A block with the fixed codes before a stored one that starts at the
    // next byte boundary.
    DeflateBits bits;
    bits.Put(0, 1).Put(1, 2).Code(0x30 + 'a', 8).Code(0, 7);
    bits.Put(1, 1).Put(0, 2).Align().Put(2, 16).Put(0xFFFD, 16).Put('b', 8).Put('c', 8);
    yes.push_back({"fixed block, then stored", bits.Stream("abc"), "abc"});
  }
  {
    // The distance code of a block without length symbols may be empty.
    std::vector<int> litlen(257, 0);
    litlen['a'] = litlen[256] = 1;
    DeflateBits bits;
    bits.DynamicHeader(litlen, {0});
    bits.Code(0, 1).Code(0, 1).Code(1, 1);
    yes.push_back({"empty distance code, never read", bits.Stream("aa"), "aa"});
  }
  archive::ChunkInflater inflater;
  std::vector<std::uint8_t> out(archive::kChunkSize);
  for (const auto& c : yes) {
    SCOPED_TRACE(c.name);
    const archive::InflateResult r = inflater.Inflate(c.stream.data(), c.stream.size(), out.data());
    EXPECT_TRUE(r.fast);
    EXPECT_FALSE(r.failed);
    EXPECT_EQ(std::string(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(r.produced)), c.content);
  }
  for (const auto& [name, stream] : StreamsOnlyALenientDecoderReads()) {
    SCOPED_TRACE(name);
    const archive::InflateResult r = inflater.Inflate(stream.data(), stream.size(), out.data());
    EXPECT_FALSE(r.fast);
    EXPECT_TRUE(r.failed);
  }
}

TEST(Restore, ChunksThatInflatePastTheBufferAreCutAndReported) {
  for (const std::size_t size : {16384u, 16385u, 40000u}) {
    SCOPED_TRACE(size);
    Fixture f;
    ArchiveBytes a;
    a.Header(static_cast<std::int32_t>(size)).Entry("C:\\BIG", kDate).Magic()
        .Compressed(Zlib(std::string(size, 'b'))).EndBlock().End();
    const bool fits = size <= 16384;
    EXPECT_EQ(f.Restore(a), fits);
    EXPECT_EQ(f.rec.restoredSizes, std::vector<std::int64_t>{16384});
    EXPECT_EQ(FileExists(f.At("BIG")), fits);
    EXPECT_EQ(f.backup.ErrorCode(), fits ? 0 : 6);
  }
}

// A failure inside a file being written: the previous version of the file
// stays as it was, or with none nothing of the new one is left; no temporary
// file is left, and the run ends with the code and a detail that names the
// file and the reason.
TEST(Restore, FaultsInsideAFileBeingWrittenBecomeCode1AndKeepThePreviousFile) {
  struct Case {
    const char* what;
    ArchiveBytes archive;
    bool more = true;         // records follow the fault
    int code = 1;             // 0: cancelled
    std::string detail = "";  // a part of the detail
    std::function<void(Fixture&)> arrange = nullptr;
    std::string name = "F";   // the entry's bare name
  };
  const auto entry = [](std::int32_t base = 5) { return ArchiveBytes().Header(base).Entry("C:\\F", kDate); };
  std::vector<Case> cases;
  cases.push_back({"bad magic", entry().Text("EC3").Int(0)});
  cases.push_back({"truncated chunk", entry().Magic().Stored("ab").Int(-10).Text("abc"), false});
  cases.push_back({"chunk longer than the format", entry().Magic().Stored("ab").Int(16385)});
  cases.push_back({"most negative length", entry().Magic().Int(INT32_MIN)});
  cases.push_back({"archive ends in the data", entry().Magic().Stored("xy"), false});
  cases.push_back({"corrupt compressed chunk", entry().Magic().Stored("s").Compressed(Damage(Zlib(std::string(99, 'q')), -1)).EndBlock(), true, 6});
  cases.push_back({"cancel inside the file", entry().Magic().Stored("111").Stored("222").EndBlock(), true, 0, "",
                   [](Fixture& f) {
                     f.rec.onProgress = [](bool& go) { go = false; };
                   }});
  cases.push_back({"path longer than the system allows", ArchiveBytes().Header(5).File("C:\\" + std::string(300, 'L'), kDate, "x"),
                   true, 1, std::string(300, 'L'), nullptr, std::string(300, 'L')});
#ifndef _WIN32
  // The disk fills inside the file: writes past 64 KiB fail as on a full
  // medium.
  cases.push_back({"the disk fills inside the file",
                   entry(200000).Magic().Stored(std::string(16384, 'a')).Stored(std::string(16384, 'b'))
                       .Stored(std::string(16384, 'c')).Stored(std::string(16384, 'd')).Stored(std::string(16384, 'e'))
                       .EndBlock(),
                   true, 1, "File too large", [](Fixture&) {
                     std::signal(SIGXFSZ, SIG_IGN);
                     rlimit limit{65536, RLIM_INFINITY};
                     setrlimit(RLIMIT_FSIZE, &limit);
                   }});
#endif
  for (const Case& c : cases) {
    for (const bool previous : {true, false}) {
      if (previous && c.name != "F") continue;
      SCOPED_TRACE(std::string(c.what) + (previous ? ", over a previous file" : ", a new file"));
      Fixture f;
      ArchiveBytes archive = c.archive;
      if (c.more) archive.File("C:\\NEXT", kDate, "n").End();
      archive.WriteTo(f.archive);
      if (previous) {
        ASSERT_TRUE(ForceDirectories(f.dest));
        WriteFile(f.At("F"), "previous");
      }
      const std::int32_t age = FileAge(f.At("F"));
      if (c.arrange) c.arrange(f);
      EXPECT_FALSE(f.backup.Restore(f.archive, f.dest));
#ifndef _WIN32
      rlimit none{RLIM_INFINITY, RLIM_INFINITY};
      setrlimit(RLIMIT_FSIZE, &none);
#endif
      if (previous) {
        EXPECT_EQ(ToText(ReadFile(f.At("F"))), "previous");
        EXPECT_EQ(FileAge(f.At("F")), age);
      } else {
        EXPECT_FALSE(FileExists(f.At(c.name))) << "nothing of the new file is left";
      }
      EXPECT_EQ(OtherNames(f.dest, {"F"}), std::vector<std::string>{}) << "no temporary file is left";
      EXPECT_FALSE(FileExists(f.At("NEXT")));
      EXPECT_EQ(f.backup.ErrorCode(), c.code);
      const RestoreOutcome& outcome = f.backup.Outcome();
      EXPECT_EQ(outcome.status, c.code == 0 ? RestoreStatus::Cancelled : RestoreStatus::Failed);
      EXPECT_EQ(outcome.file, f.At(c.name));
      if (c.code == 1) {
        EXPECT_NE(outcome.detail.find(ExpandFileName(f.At(c.name))), std::string::npos) << outcome.detail;
        EXPECT_FALSE(outcome.reason.empty());
        EXPECT_NE(outcome.detail.find(c.detail), std::string::npos) << outcome.detail;
        EXPECT_EQ(outcome.detail.find("~ST"), std::string::npos) << outcome.detail;
      }
      ASSERT_GE(f.Events().size(), 3u);
      const std::string last = c.code == 0 ? "progress  100" : "error " + std::to_string(c.code) + " " + BackupErrorMessage(c.code);
      EXPECT_EQ(f.Events().back(), last);
      if (c.code != 0) {
        EXPECT_EQ(f.Events()[f.Events().size() - 2], "progress  100");
      }
    }
  }
}

// A previous version that is read-only is replaced (rmAll clears the
// attribute); one that another program holds is asked about: Retry once the
// program let go of it replaces it, Cancel keeps it and ends with code 1.
TEST(Restore, APreviousFileThatIsHeldOrReadOnly) {
  struct Case {
    const char* what;
    bool hold;     // another program holds the file, without sharing
    int retries;   // the answers Retry before Cancel
    bool replaced;
  };
  std::vector<Case> cases = {{"read-only", false, 0, true}};
#ifdef _WIN32
  cases.push_back({"held open, Retry after the program ends", true, 1, true});
  cases.push_back({"held open, Cancel", true, 0, false});
#endif
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Fixture f;
    ASSERT_TRUE(ForceDirectories(f.dest));
    WriteFile(f.At("F"), "previous");
#ifdef _WIN32
    HANDLE held = INVALID_HANDLE_VALUE;
    if (c.hold) {
      held = CreateFileA(f.At("F").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
      ASSERT_NE(held, INVALID_HANDLE_VALUE);
    } else {
      SetFileAttributesA(f.At("F").c_str(), FILE_ATTRIBUTE_READONLY);
    }
    f.rec.onRetry = [&held] {
      CloseHandle(held);
      held = INVALID_HANDLE_VALUE;
    };
#else
    ::chmod(NativePath(f.At("F")).c_str(), 0444);
#endif
    f.rec.retries = c.retries;
    ArchiveBytes a;
    a.Header(3).File("C:\\F", kDate, "new").End();
    EXPECT_EQ(f.Restore(a), c.replaced);
    EXPECT_EQ(ToText(ReadFile(f.At("F"))), c.replaced ? "new" : "previous");
    EXPECT_EQ(OtherNames(f.dest, {"F"}), std::vector<std::string>{}) << "no temporary file is left";
    Log asked;
    for (const std::string& line : f.rec.log) {
      if (line.rfind("retry? ", 0) == 0) asked.push_back(line);
    }
    EXPECT_EQ(asked.size(), c.hold ? 1u : 0u);
    for (const std::string& line : asked) {
      EXPECT_NE(line.find(ExpandFileName(f.At("F")) + ": "), std::string::npos) << line;
    }
    EXPECT_EQ(f.backup.ErrorCode(), c.replaced ? 0 : 1);
    if (!c.replaced) {
      EXPECT_NE(f.backup.ErrorDetail().find(ExpandFileName(f.At("F"))), std::string::npos);
      EXPECT_FALSE(f.backup.Outcome().reason.empty());
    }
  }
}

TEST(Restore, AnOutputFileThatCannotBeCreatedIsCode1) {
  Fixture f;
  ASSERT_TRUE(ForceDirectories(f.At("F.TXT")));  // a directory in the way
  ArchiveBytes a;
  a.Header(1).File("C:\\F.TXT", kDate, "x").File("C:\\G", kDate, "g").End();
  EXPECT_FALSE(f.Restore(a));
  EXPECT_FALSE(FileExists(f.At("G")));
  EXPECT_EQ(f.Events(), (Log{"restorefile D\\F.TXT " + kDateText + " yes", "progress  100",
                             "error 1 Cannot read file"}));
}

TEST(Restore, FailuresOutsideAFileBeingWrittenAreRaised) {
  struct Case {
    const char* what;
    ArchiveBytes archive;
    std::string message;
  };
  const std::string readError = EReadError().Message();
  std::vector<Case> cases;
  cases.push_back({"empty file", ArchiveBytes(), "Cannot read archive"});
  cases.push_back({"short header", ArchiveBytes().Int(0).Int(5), "Cannot read archive"});
  cases.push_back({"title beyond the file", ArchiveBytes().Int(1000).Int(1).Int(1).End(), "Cannot read archive"});
  cases.push_back({"negative title length", ArchiveBytes().Int(-4).Int(1).Int(1).End(), "Cannot read archive"});
  cases.push_back({"no end marker", ArchiveBytes().Header(1).File("C:\\A", kDate, "a"), readError});
  cases.push_back({"name beyond the file", ArchiveBytes().Header(1).Int(0x7FFFFFFF).Text("C:\\A"), readError});
  cases.push_back({"date cut short", ArchiveBytes().Header(1).Name("C:\\A").Text("12"), readError});
  const std::string skipped(archive::kFileListName);  // an entry whose data block is passed over
  cases.push_back({"bad magic in a skipped block", ArchiveBytes().Header(1).File(skipped, kDate, "").Entry(skipped, kDate).Text("EC2!").Int(0).End(), "Invalid archive type"});
  cases.push_back({"oversize chunk in a skipped block", ArchiveBytes().Header(1).Entry(skipped, kDate).Magic().Int(-16385).End(), "Invalid archive type"});
  cases.push_back({"skipped block cut short", ArchiveBytes().Header(1).Entry(skipped, kDate).Magic().Int(-100), readError});
  for (auto& c : cases) {
    SCOPED_TRACE(c.what);
    Fixture f;
    try {
      f.Restore(c.archive);
      ADD_FAILURE() << "no error raised";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
    // No final progress and no error report.
    EXPECT_TRUE(f.Events().empty() || f.Events().back().rfind("restored", 0) == 0) << f.Events().back();
    // The archive is closed again: it can be removed at once.
    EXPECT_TRUE(RemoveFile(f.archive));
  }
}

TEST(Restore, AMissingFirstVolumeReturnsFalseWithoutAnyEvent) {
  Fixture f;
  EXPECT_FALSE(f.backup.Restore(f.dir / "NONE.Z", f.dest));
  EXPECT_EQ(f.Events(), Log{});
  EXPECT_EQ(f.rec.pending, 0);
}

TEST(Restore, ArchiveStream) {
  Fixture f;
  ArchiveBytes a;
  a.Text("lead").Header(2).File("C:\\S.TXT", kDate, "st").End().Text("rest");
  TMemoryStream stream(a.bytes);
  stream.SetPosition(4);
  f.backup.SetArchiveStream(&stream);
  EXPECT_FALSE(f.backup.Restore(":stream", f.dest));  // the name is case-sensitive: a missing file
  EXPECT_TRUE(f.backup.Restore(":STREAM", f.dest));
  EXPECT_EQ(ReadFile(f.At("S.TXT")), ToBytes("st"));
  EXPECT_EQ(stream.Position(), static_cast<std::int64_t>(a.bytes.size() - 4));  // after the end marker

  TBackupFile none;
  try {
    none.Restore(":STREAM", f.dest);
    ADD_FAILURE() << "no error raised";
  } catch (const EArchiveError& e) {
    EXPECT_EQ(e.Message(), "Cannot read archive");
  }
}

TEST(Restore, ProgressStaysWithinZeroToHundred) {
  struct Case {
    std::int32_t base;
    std::vector<std::string> percents;
  };
  const Case cases[] = {{0, {"0", "0", "0"}}, {-5, {"0", "0", "0"}}, {3, {"66", "100", "100"}}, {6, {"33", "66", "66"}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.base);
    Fixture f;
    ArchiveBytes a;
    a.Header(c.base).Entry("C:\\P", kDate).Magic().Stored("aa").Stored("bb").EndBlock().End();
    EXPECT_TRUE(f.Restore(a));
    const Log expected = {"restorefile D\\P " + kDateText + " yes", "progress D\\P " + c.percents[0],
                          "progress D\\P " + c.percents[1], "progress D\\P " + c.percents[2],
                          "restored D\\P", "progress  100"};
    EXPECT_EQ(f.Events(), expected);
  }
}

TEST(BackupFile, PropertiesAndErrorMessages) {
  TBackupFile b;
  EXPECT_EQ(b.Version(), "5.00");
  b.SetVersion("1.0");
  EXPECT_EQ(b.Version(), "5.00");
  EXPECT_FALSE(b.SetArchiveFlag());
  b.SetBackupMode(TBackupMode::bmIncremental);
  EXPECT_TRUE(b.SetArchiveFlag());
  b.SetSetArchiveFlag(false);
  b.SetBackupMode(TBackupMode::bmIncremental);  // unchanged: the flag stays
  EXPECT_FALSE(b.SetArchiveFlag());
  EXPECT_EQ(b.RestoreMode(), TRestoreMode::rmAll);
  EXPECT_EQ(b.CompressionLevel(), TCompressionLevel::clFastest);

  const std::pair<int, const char*> messages[] = {
      {1, "Cannot read file"}, {2, "Overwriting file failed"}, {3, "Cannot read archive"},
      {4, "Cannot write to archive"}, {5, "Invalid archive type"}, {6, "Compression error"},
      {7, "Cannot create temporary file to save the file IDs"}, {0, ""}, {8, ""}, {-1, ""}};
  Recorder rec;
  b.SetUi(&rec);
  for (const auto& [code, text] : messages) b.ReportError(code);
  ASSERT_EQ(rec.log.size(), std::size(messages));
  for (std::size_t i = 0; i < std::size(messages); ++i) EXPECT_EQ(rec.log[i], std::string("box ") + messages[i].second);
}
