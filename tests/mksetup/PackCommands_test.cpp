// mksetup pack | list | extract through the command line.
#include <gtest/gtest.h>

#include <algorithm>
#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#include <cerrno>
#include <cstdlib>
#include <optional>
#include <iterator>
#include <sstream>

#include "backup/ArchiveFormat.h"
#include "runtime/Exceptions.h"
#include "runtime/FileSystem.h"
#include "runtime/PackageHashes.h"
#include "runtime/Paths.h"
#include "runtime/Streams.h"
#include "tests/support/TestFiles.h"
#include "tools/mksetup/Cli.h"
#include "tools/mksetup/TerminalRestoreUi.h"
#include "runtime/DosDate.h"
#include "runtime/Sha256.h"
#include "tools/mksetup/Stub.h"

using namespace testing_support;

namespace {

struct Outcome {
  int status;
  std::string out, err;
};

Outcome Mk(const std::vector<std::string>& args, bool progress = false) {
  std::ostringstream out, err;
  mksetup::Io io{out, err, false, progress};
  const int status = mksetup::Main(args, io);
  return {status, out.str(), err.str()};
}

Bytes Pattern(std::size_t size, unsigned seed) {
  Bytes b(size);
  unsigned x = seed;
  for (std::size_t i = 0; i < size; ++i) {
    x = x * 1103515245u + 12345u;
    b[i] = i % 3000 < 1500 ? static_cast<std::uint8_t>('A' + i % 23) : static_cast<std::uint8_t>(x >> 24);
  }
  return b;
}

std::vector<std::string> Lines(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The smallest Windows GUI program osslsigncode signs: headers and one
// section holding a single "ret".
// With hashBlock, a resource section holds an empty hash block as the
// installer's does (RCDATA 1, one language).
Bytes TinyWindowsProgram(bool hashBlock = false) {
  Bytes b(hashBlock ? 0xE00 : 0x400, 0);
  auto put = [&b](std::size_t at, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
  };
  b[0] = 'M', b[1] = 'Z';
  put(60, 64, 4);
  b[64] = 'P', b[65] = 'E';
  const std::size_t coff = 68, opt = coff + 20, section = opt + 224;
  put(coff, 0x14C, 2), put(coff + 2, 1, 2), put(coff + 16, 224, 2), put(coff + 18, 0x0102, 2);
  put(opt, 0x10B, 2), put(opt + 4, 0x200, 4), put(opt + 16, 0x1000, 4), put(opt + 20, 0x1000, 4);
  put(opt + 28, 0x400000, 4), put(opt + 32, 0x1000, 4), put(opt + 36, 0x200, 4);
  put(opt + 40, 5, 2), put(opt + 42, 1, 2), put(opt + 48, 5, 2), put(opt + 50, 1, 2);
  put(opt + 56, 0x2000, 4), put(opt + 60, 0x200, 4), put(opt + 68, 2, 2);
  put(opt + 72, 0x100000, 4), put(opt + 76, 0x1000, 4), put(opt + 80, 0x100000, 4), put(opt + 84, 0x1000, 4);
  put(opt + 92, 16, 4);
  std::copy_n(".text", 5, b.begin() + static_cast<std::ptrdiff_t>(section));
  put(section + 8, 0x200, 4), put(section + 12, 0x1000, 4), put(section + 16, 0x200, 4), put(section + 20, 0x200, 4);
  put(section + 36, 0x60000020, 4);
  b[0x200] = 0xC3;
  if (hashBlock) {
    namespace ph = package_hashes;
    const std::size_t rsrc = section + 40, at = 0x400, size = 112 + ph::kBlockSize;
    put(coff + 2, 2, 2), put(opt + 56, 0x3000, 4), put(opt + 96 + 16, 0x2000, 4), put(opt + 96 + 20, size, 4);
    std::copy_n(".rsrc", 5, b.begin() + static_cast<std::ptrdiff_t>(rsrc));
    put(rsrc + 8, size, 4), put(rsrc + 12, 0x2000, 4), put(rsrc + 16, 0xA00, 4), put(rsrc + 20, at, 4);
    put(rsrc + 36, 0x40000040, 4);
    // Directories of one id entry each: type, name, language, then the data entry.
    const std::uint32_t ids[] = {10, ph::kResourceId, 0x409};
    for (std::size_t level = 0; level < 3; ++level) {
      put(at + level * 24 + 14, 1, 2), put(at + level * 24 + 16, ids[level], 4);
      put(at + level * 24 + 20, static_cast<std::uint32_t>((level + 1) * 24) | (level < 2 ? 0x80000000U : 0), 4);
    }
    put(at + 72, 0x2000 + 112, 4), put(at + 76, ph::kBlockSize, 4);
    std::copy_n(ph::kMagic, sizeof ph::kMagic, b.begin() + static_cast<std::ptrdiff_t>(at + 112));
  }
  return b;
}

// Sets an environment variable for one scope (and the time zone with it).
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    Set(value);
  }
  ~ScopedEnv() { Set(old_ ? old_->c_str() : nullptr); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  void Set(const char* value) {
#ifdef _WIN32
    ::_putenv_s(name_, value != nullptr ? value : "");
#else
    if (value != nullptr) ::setenv(name_, value, 1); else ::unsetenv(name_);
    ::tzset();
#endif
  }
  const char* name_;
  std::optional<std::string> old_;
};

// A small product: src/A.TXT, src/bin/B.BIN, src/bin/deep/EMPTY.
struct Tree {
  TempDir dir;
  const std::vector<std::string> files = {"A.TXT", "bin\\B.BIN", "bin\\deep\\EMPTY"};
  Tree() {
    EXPECT_TRUE(ForceDirectories(dir / "src\\bin\\deep"));
    WriteFile(dir / "src\\A.TXT", Pattern(5000, 1));
    WriteFile(dir / "src\\bin\\B.BIN", Pattern(200000, 2));
    WriteFile(dir / "src\\bin\\deep\\EMPTY", Bytes{});
  }
  std::string Source(const std::string& name) const { return dir / ("src\\" + name); }
  Outcome Pack(std::vector<std::string> extra = {}) const {
    std::vector<std::string> args = {"pack", "-o", dir / "pkg", "--no-stub", "--app", "Demo", dir / "src"};
    args.insert(args.end(), extra.begin(), extra.end());
    return Mk(args);
  }
  std::string Archive() const { return dir / "pkg\\SETUP.Z"; }
};

}  // namespace

TEST(MksetupPack, PackListAndExtractRoundTrip) {
  for (const bool volumes : {false, true}) {
    SCOPED_TRACE(volumes ? "volumes of 64 KiB" : "one volume");
    Tree t;
    const Outcome packed = t.Pack(volumes ? std::vector<std::string>{"--volume-size", "65536"}
                                          : std::vector<std::string>{});
    ASSERT_EQ(packed.status, 0) << packed.err;
    EXPECT_EQ(packed.err, "");
    EXPECT_EQ(FileExists(t.dir / "pkg\\SETUP.002"), volumes);

    const Outcome listed = Mk({"list", "--check", t.Archive()});
    ASSERT_EQ(listed.status, 0) << listed.err;
    const auto lines = Lines(listed.out);
    ASSERT_EQ(lines.size(), 5u) << listed.out;
    EXPECT_NE(lines[0].find("  FILE:LIST"), std::string::npos);
    EXPECT_EQ(lines[1].substr(19), "         5000  C:\\A.TXT");
    EXPECT_EQ(lines[2].substr(19), "       200000  C:\\bin\\B.BIN");
    EXPECT_EQ(lines[3].substr(19), "            0  C:\\bin\\deep\\EMPTY");
    int count = 1;
    while (FileExists(t.dir / ("pkg\\SETUP.00" + std::to_string(count + 1)))) ++count;
    EXPECT_EQ(lines[4], "OK: 4 entries, 205000 bytes, " + std::to_string(count) + (volumes ? " volumes" : " volume"));
    EXPECT_EQ(count > 1, volumes);

    for (const bool full : {false, true}) {
      SCOPED_TRACE(full ? "--full-path" : "bare names");
      std::vector<std::string> args = {"extract", t.Archive(), t.dir / "out"};
      if (full) args.push_back("--full-path");
      const Outcome extracted = Mk(args);
      ASSERT_EQ(extracted.status, 0) << extracted.err;
      for (const auto& name : t.files) {
        SCOPED_TRACE(name);
        const std::string restored = t.dir / ("out\\" + (full ? name : name.substr(name.rfind('\\') + 1)));
        EXPECT_EQ(ReadFile(restored), ReadFile(t.Source(name)));
        EXPECT_EQ(FileAge(restored), FileAge(t.Source(name)));
      }
    }
  }
}

TEST(MksetupPack, WritesTheSetupScriptAndTheLicence) {
  Tree t;
  WriteFile(t.dir / "terms.txt", "Be nice.");
  const Outcome packed = t.Pack({"--dest", "C:\\Apps\\Demo", "--title", "Demo 1.0", "--license", t.dir / "terms.txt"});
  ASSERT_EQ(packed.status, 0) << packed.err;
  EXPECT_EQ(ReadFile(t.dir / "pkg\\LICENSE.TXT"), ToBytes("Be nice."));
  const Outcome settings = Mk({"settings", t.dir / "pkg\\SETUP.INS"});
  EXPECT_EQ(settings.out, "App101=Demo\nDestDir102=C:\\Apps\\Demo\nTitle103=Demo 1.0\nLicense=Yes\n");

  Tree plain;
  ASSERT_EQ(plain.Pack().status, 0);
  EXPECT_EQ(Mk({"settings", plain.dir / "pkg\\SETUP.INS"}).out,
            "App101=Demo\nDestDir102=C:\\Demo\nTitle103=Demo Setup\nLicense=No\n");
  EXPECT_FALSE(FileExists(plain.dir / "pkg\\LICENSE.TXT"));
}

// The installer writes bare names: one of two files that share one would
// be lost at install.
TEST(MksetupPack, RefusesTwoFilesThatShareABareName) {
  Tree t;
  WriteFile(t.dir / "src\\bin\\a.txt", "other");
  const Outcome packed = t.Pack();
  EXPECT_EQ(packed.status, 1);
  EXPECT_EQ(packed.err,
            "mksetup pack: Cannot pack \"C:\\A.TXT\" and \"C:\\bin\\a.txt\": they have the same file name, and "
            "the installer writes both to the destination as a.txt (leave one out with --exclude)\n");
  EXPECT_FALSE(DirectoryExists(t.dir / "pkg"));
  EXPECT_EQ(t.Pack({"--exclude", "bin/a.txt"}).status, 0);
}

// After a pack the output folder holds exactly what it wrote among the
// names pack owns; other files stay.
TEST(MksetupPack, RepackingRemovesWhatTheEarlierPackWroteAndThisOneDoesNot) {
  const struct {
    const char* what;
    std::vector<std::string> first;
    const char* stale;
  } cases[] = {
      {"fewer volumes", {"--volume-size", "65536", "--level", "0"}, "SETUP.004"},
      {"without --license", {"--license", "LICENSE_FILE"}, "LICENSE.TXT"},
      {"with --no-stub", {"--stub", "STUB_FILE"}, "SETUP.EXE"},
      {"without --checksums", {"--checksums"}, "SHA256SUMS"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Tree t;
    WriteFile(t.dir / "terms.txt", "Be nice.");
    WriteFile(t.dir / "stub.exe", TinyWindowsProgram());
    std::vector<std::string> first = {"pack", "-o", t.dir / "pkg", "--app", "Demo", t.dir / "src"};
    for (std::string a : c.first) {
      if (a == "LICENSE_FILE") a = t.dir / "terms.txt";
      if (a == "STUB_FILE") a = t.dir / "stub.exe";
      first.push_back(a);
    }
    if (first.back() != t.dir / "stub.exe") first.push_back("--no-stub");
    ASSERT_EQ(Mk(first).status, 0);
    ASSERT_TRUE(FileExists(t.dir / (std::string("pkg\\") + c.stale)));
    WriteFile(t.dir / "pkg\\README.TXT", "mine");
    ASSERT_EQ(t.Pack().status, 0);
    EXPECT_FALSE(FileExists(t.dir / (std::string("pkg\\") + c.stale)));
    EXPECT_FALSE(FileExists(t.dir / "pkg\\SETUP.002"));
    EXPECT_EQ(ReadFile(t.dir / "pkg\\README.TXT"), ToBytes("mine"));
    EXPECT_EQ(Mk({"settings", t.dir / "pkg\\SETUP.INS"}).out.find("License=Yes"), std::string::npos);
  }
}

TEST(MksetupExtract, ExitStatusesTellHowTheRestoreEnded) {
  Tree t;
  ASSERT_EQ(t.Pack().status, 0);
  ASSERT_TRUE(ForceDirectories(t.dir / "bad") && ForceDirectories(t.dir / "short"));
  Bytes first = ReadFile(t.Archive());

  // A damaged compressed chunk of A.TXT (past the FILE:LIST entry).
  Bytes damaged = first;
  const std::string name = std::string("\x08\0\0\0", 4) + "C:\\A.TXT";  // the entry's record
  const auto at = std::search(damaged.begin(), damaged.end(), name.begin(), name.end());
  ASSERT_NE(at, damaged.end());
  const auto chunk = static_cast<long>(at - damaged.begin()) + static_cast<long>(name.size()) + 4 + 4 + 4 + 20;
  WriteFile(t.dir / "bad\\SETUP.Z", Damage(damaged, chunk, 0xFF));
  const Outcome code = Mk({"extract", t.dir / "bad\\SETUP.Z", t.dir / "o1"});
  EXPECT_EQ(code.status, 4);
  EXPECT_NE(code.err.find("mksetup extract: Compression error"), std::string::npos) << code.err;
  const Outcome check = Mk({"list", "--check", t.dir / "bad\\SETUP.Z"});
  EXPECT_EQ(check.status, 1);
  EXPECT_NE(check.err.find("fault at offset "), std::string::npos) << check.err;

  WriteFile(t.dir / "short\\SETUP.Z", Bytes(first.begin(), first.begin() + 6));
  const Outcome raised = Mk({"extract", t.dir / "short\\SETUP.Z", t.dir / "o2"});
  EXPECT_EQ(raised.status, 1);
  EXPECT_EQ(raised.err, "mksetup extract: Cannot read archive at offset 0 of \"" +
                            ExpandFileName(t.dir / "short\\SETUP.Z") + "\"\n");

  const Outcome none = Mk({"extract", t.dir / "none\\SETUP.Z", t.dir / "o3"});
  EXPECT_EQ(none.status, 1);
  EXPECT_NE(none.err.find("SETUP.Z"), std::string::npos);

  // Without a terminal a missing volume is asked for once and the run ends
  // as cancelled, keeping what was restored.
  ASSERT_EQ(t.Pack({"--volume-size", "65536", "--level", "0"}).status, 0);
  ASSERT_TRUE(RemoveFile(t.dir / "pkg\\SETUP.003"));
  const Outcome cancelled = Mk({"extract", t.Archive(), t.dir / "o4"});
  EXPECT_EQ(cancelled.status, 3) << cancelled.err;
  EXPECT_TRUE(FileExists(t.dir / "o4\\A.TXT"));
  EXPECT_FALSE(FileExists(t.dir / "o4\\EMPTY"));
}

// On a terminal each percentage is shown once, also for packing: not one
// line per chunk.
TEST(MksetupExtract, ProgressIsShownOncePerPercentage) {
  Tree t;
  for (const bool pack : {true, false}) {
    SCOPED_TRACE(pack ? "pack" : "extract");
    const Outcome r = pack ? Mk({"pack", "-o", t.dir / "pkg", "--no-stub", "--app", "Demo", t.dir / "src"}, true)
                           : Mk({"extract", t.Archive(), t.dir / "out"}, true);
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::string> shown;
    std::istringstream in(r.err);
    for (std::string piece; std::getline(in, piece, '\r');) {
      if (!piece.empty()) shown.push_back(piece);
    }
    ASSERT_FALSE(shown.empty());
    EXPECT_NE(shown.back().find("100%"), std::string::npos) << r.err;
    for (std::size_t i = 1; i < shown.size(); ++i) EXPECT_NE(shown[i], shown[i - 1]);
  }
}

TEST(MksetupExtract, RestoreModesApply) {
  Tree t;
  ASSERT_EQ(t.Pack().status, 0);
  ASSERT_TRUE(ForceDirectories(t.dir / "out"));
  WriteFile(t.dir / "out\\A.TXT", "keep");
  ASSERT_EQ(Mk({"extract", "--mode", "no-overwrite", t.Archive(), t.dir / "out"}).status, 0);
  EXPECT_EQ(ReadFile(t.dir / "out\\A.TXT"), ToBytes("keep"));
  EXPECT_TRUE(FileExists(t.dir / "out\\B.BIN"));
  ASSERT_EQ(Mk({"extract", "--mode", "existing", t.Archive(), t.dir / "only"}).status, 0);
  EXPECT_TRUE(DirectoryExists(t.dir / "only")) << "the destination is made first";
  EXPECT_TRUE(ListDirectory(t.dir / "only").empty());
}

TEST(MksetupPack, UsageErrors) {
  const std::vector<std::vector<std::string>> cases = {
      {"pack", "src"},
      {"pack", "-o", "out"},
      {"pack", "-o", "out", "--volume-size", "1000", "src"},
      {"pack", "-o", "out", "--level", "13", "src"},
      {"pack", "-o", "out", "--best", "--level", "9", "src"},
      {"list"},
      {"list", "a", "b"},
      {"extract", "a"},
      {"extract", "a", "b", "--mode", "sometimes"},
      {"pack", "-o", "out", "--app", "Demo\nLicense=Yes", "src"},  // one option, two settings
      {"pack", "-o", "out", "--title", "T\r\n[Other]", "src"},
      {"pack", "-o", "out", "--dest", "C:\\X\n", "src"},
#ifndef _WIN32
      {"pack", "-o", "out", "--app", "\xE6\x97\xA5\xE6\x9C\xAC", "src"},  // UTF-8 not in the code page
#endif
      {"pack", "-o", "", "src"},
  };
  for (const auto& args : cases) {
    SCOPED_TRACE(::testing::PrintToString(args));
    const Outcome r = Mk(args);
    EXPECT_EQ(r.status, 2);
    EXPECT_FALSE(r.err.empty());
  }
  TempDir dir;
  const Outcome missing = Mk({"pack", "-o", dir / "out", dir / "nothing"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("nothing"), std::string::npos);
#ifndef _WIN32
  // A name the installer would not write is refused at packing (on Windows
  // no file can have it).
  WriteFile(dir / "nul.txt", "x");
  const Outcome device = Mk({"pack", "-o", dir / "out", dir / "nul.txt"});
  EXPECT_EQ(device.status, 1);
  EXPECT_NE(device.err.find("would refuse the name"), std::string::npos) << device.err;
#endif
}

TEST(MksetupExtract, TheVolumeQuestionOnATerminalTakesTheAnswerTyped) {
  const struct {
    const char* typed;
    std::vector<TDiskAnswer> answers;
  } cases[] = {
      {"\n", {TDiskAnswer::daOk}},
      {"ok\ncancel\n", {TDiskAnswer::daOk, TDiskAnswer::daCancel}},
      {"y\nN\n", {TDiskAnswer::daOk, TDiskAnswer::daCancel}},
      {"", {TDiskAnswer::daCancel}},  // end of input
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    std::ostringstream out, err;
    std::istringstream in(c.typed);
    mksetup::Io io{out, err, true};
    mksetup::TerminalRestoreUi ui(io, in);
    for (const TDiskAnswer expected : c.answers) EXPECT_EQ(ui.AskForDisk("Please insert disk 2 and click OK to continue."), expected);
    EXPECT_EQ(err.str().rfind("Please insert disk 2 and click OK to continue.", 0), 0u);
  }
  // Without a terminal: OK the first time for each volume, Cancel when repeated.
  std::ostringstream out, err;
  std::istringstream in;
  mksetup::Io io{out, err, false};
  mksetup::TerminalRestoreUi ui(io, in);
  EXPECT_EQ(ui.AskForDisk("disk 2"), TDiskAnswer::daOk);
  EXPECT_EQ(ui.AskForDisk("disk 3"), TDiskAnswer::daOk);
  EXPECT_EQ(ui.AskForDisk("disk 2"), TDiskAnswer::daCancel);
}

namespace {

// Packing into a folder inside the packed tree, twice: the second run must
// not pack the first run's archive (nor the one it is writing), however the
// output folder is spelt.
TEST(MksetupPackTree, LeavesOutItsOwnOutputFolder) {
  const struct {
    const char* what;
    const char* out;  // below the temporary folder
  } cases[] = {
      {"inside the tree", "src\\pkg"},
#ifndef _WIN32
      {"through a link that leads into the tree", "link\\pkg"},
#endif
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Tree tree;
#ifndef _WIN32
    ASSERT_EQ(::symlink("src", NativePath(tree.dir / "link").c_str()), 0);
#endif
    const std::string out = tree.dir / c.out;
    for (int run = 0; run < 2; ++run) {
      SCOPED_TRACE(run);
      const Outcome packed = Mk({"pack", "-o", out, "--no-stub", tree.dir / "src"});
      ASSERT_EQ(packed.status, 0) << packed.err;
      if (run == 1) {
        EXPECT_NE(packed.err.find("leaving out the output folder"), std::string::npos) << packed.err;
      }
      const Outcome listed = Mk({"list", out + "\\SETUP.Z"});
      ASSERT_EQ(listed.status, 0) << listed.err;
      EXPECT_EQ(listed.out.find("SETUP"), std::string::npos) << listed.out;
      EXPECT_EQ(Lines(listed.out).size(), tree.files.size() + 1) << "the files and FILE:LIST";
    }
    // An input inside the output folder, reached by that spelling.
    const Outcome inside = Mk({"pack", "-o", tree.dir / "src", "--no-stub", out + "\\SETUP.INS"});
    EXPECT_EQ(inside.status, 1);
    EXPECT_NE(inside.err.find("inside the output folder"), std::string::npos) << inside.err;
  }
}

#ifndef _WIN32
TEST(MksetupPackTree, LeavesOutWhatIsNotARegularFile) {
  Tree tree;
  ASSERT_EQ(::mkfifo(NativePath(tree.dir / "src\\pipe").c_str(), 0600), 0);
  const Outcome packed = tree.Pack();
  ASSERT_EQ(packed.status, 0) << packed.err;
  EXPECT_NE(packed.err.find("not a regular file"), std::string::npos) << packed.err;
  const Outcome listed = Mk({"list", tree.dir / "pkg\\SETUP.Z"});
  EXPECT_EQ(listed.out.find("pipe"), std::string::npos) << listed.out;
}
#endif

}  // namespace

namespace {

// Archive bytes for the hostile cases.
std::string LastErrorTextOf(int code) {
#ifdef _WIN32
  return code == ENAMETOOLONG ? SysErrorMessage(206) : SysErrorMessage(code);  // ERROR_FILENAME_EXCED_RANGE
#else
  return SysErrorMessage(code);
#endif
}

struct Records {
  Bytes bytes;
  Records& Int(std::int32_t v) {
    for (int s = 0; s < 32; s += 8) bytes.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) >> s));
    return *this;
  }
  Records& Text(const std::string& t) {
    bytes.insert(bytes.end(), t.begin(), t.end());
    return *this;
  }
  Records& Header(std::int32_t base) { return Int(0).Int(base).Int(7); }
  Records& Name(const std::string& n) { return Int(static_cast<std::int32_t>(n.size())).Text(n); }
  Records& Block(const std::string& data) {
    bytes.insert(bytes.end(), std::begin(archive::kDataMagic), std::end(archive::kDataMagic));
    if (!data.empty()) Int(-static_cast<std::int32_t>(data.size())).Text(data);
    return Int(0);
  }
  Records& File(const std::string& n, const std::string& data) { return Name(n).Int(0x50A95400).Block(data); }
  Records& Marker(const std::string& number) { return Name(archive::MarkerName(number)); }
};

}  // namespace

// Names are shown in UTF-8 on Linux, in the code page on Windows; paths in
// the system's spelling.
#ifdef _WIN32
const std::string kSuperscriptOne = "\xB9", kSeparator = "\\";
#else
const std::string kSuperscriptOne = "\xC2\xB9", kSeparator = "/";
#endif

// Archives from elsewhere: every run ends, and a failure says what failed
// and in which file.
TEST(MksetupHostile, EveryRunEndsAndAFailureNamesItsFile) {
  struct Case {
    const char* what;
    std::vector<Bytes> volumes;          // SETUP.Z, SETUP.002, ...
    std::vector<std::string> args;       // ARCHIVE and DEST are replaced
    int status;
    std::vector<std::string> err;        // fragments of standard error
    std::string out;                     // a fragment of standard output, if any
    std::string absent = {};             // what standard output must not hold, if anything
  };
  const Bytes first = Records().Header(6).File("C:\\A", "abc").Marker("002").bytes;
  std::vector<Case> cases = {
      {"list: a volume whose marker names itself", {first, Records().Block("def").Marker("002").bytes},
       {"list", "ARCHIVE"}, 1, {"leads back to the volume", "SETUP.002\", read already"}, ""},
      {"list: 002, 003, then 002 again",
       {first, Records().Block("def").Marker("003").bytes, Records().Block("").Marker("002").bytes},
       {"list", "--check", "ARCHIVE"}, 1, {"NEXT:DISK002", "leads back to the volume", "SETUP.002"}, ""},
      {"list --check: a device name with a superscript digit",
       {Records().Header(1).File("C:\\COM\xB9", "x").Int(0).bytes}, {"list", "--check", "ARCHIVE"}, 1,
       {"the restore refuses the name \"C:\\COM" + kSuperscriptOne + "\"", "SETUP.Z"}, ""},
      {"list --check: a name refused only with --full-path",
       {Records().Header(1).File("C:\\..\\UP", "x").Int(0).bytes}, {"list", "--check", "ARCHIVE"}, 1,
       {"refuses the name \"C:\\..\\UP\" with --full-path"}, ""},
      {"extract: 002, 003, then 002 again",
       {first, Records().Block("def").Marker("003").bytes, Records().Block("").Marker("002").bytes},
       {"extract", "ARCHIVE", "DEST"}, 3, {"volume 2 (\"", "SETUP.002\") was asked for a second time", "cancelled"}, ""},
      {"extract: a missing volume", {first, Records().Block("def").Marker("003").bytes},
       {"extract", "ARCHIVE", "DEST"}, 3, {"volume 3 (\"", "SETUP.003\") is missing; the run was cancelled"}, ""},
      {"extract: an archive cut short", {Records().Header(1).File("C:\\A", "a").bytes},
       {"extract", "ARCHIVE", "DEST"}, 1, {"Stream read error at offset 37 of \"", "SETUP.Z\""}, ""},
      {"extract: a bad magic in a volume", {first, Records().Text("XC2").Int(0).bytes},
       {"extract", "ARCHIVE", "DEST"}, 1, {"Invalid archive type at offset 0 of \"", "SETUP.002\""}, ""},
      {"extract: a refused name", {Records().Header(1).File("C:\\NUL.TXT", "a").Int(0).bytes},
       {"extract", "ARCHIVE", "DEST"}, 4, {"Cannot read file: \"", "(The stored name \"C:\\NUL.TXT\" is refused"}, ""},
      {"extract --full-path: 100000 nested directories",
       {Records().Header(1).File("C:\\" + [] { std::string d; for (int i = 0; i < 100000; ++i) d += "d\\"; return d; }() + "F", "a").Int(0).bytes},
       {"extract", "--full-path", "ARCHIVE", "DEST"}, 4, {"is passed over: its path is longer than the system can hold"}, ""},
      {"extract into a destination that is a file", {Records().Header(1).File("C:\\A", "a").Int(0).bytes},
       {"extract", "ARCHIVE", "DEST:file"}, 1, {"Cannot create the directory \"", "afile\". A file has that name."}, ""},
      {"extract into a destination too long to hold", {Records().Header(1).File("C:\\A", "a").Int(0).bytes},
       {"extract", "ARCHIVE", "DEST:long"}, 1, {"Cannot create the directory \"", LastErrorTextOf(ENAMETOOLONG)}, ""},
      {"extract into an empty destination", {Records().Header(1).File("C:\\A", "a").Int(0).bytes},
       {"extract", "ARCHIVE", ""}, 2, {"the destination directory is empty"}, ""},
      {"extract next to the archive, over it", {Records().Header(2).File("C:\\SETUP.Z", "a").File("C:\\B", "b").Int(0).bytes},
       {"extract", "ARCHIVE", "DEST:self"}, 4, {"Cannot read file: \"", kSeparator + "SETUP.Z\" (Cannot create file",
                                                "It is the archive volume being read."}, ""},
      {"list: an entry cut short in its date is not listed", {Records().Header(2).File("C:\\A", "a").Name("C:\\B").bytes},
       {"list", "ARCHIVE"}, 1, {"Stream read error at offset 37 of \"", "SETUP.Z\""}, "  C:\\A\n", "C:\\B"},
      {"list: a missing volume", {first, Records().Block("def").Marker("003").bytes},
       {"list", "ARCHIVE"}, 1, {"at offset 0 of \"", "SETUP.003\""}, "  C:\\A\n"},
      {"list: control bytes in a name are shown escaped",
       {Records().Header(1).File("C:\\a\x1b[2Jb\rc", "x").Int(0).bytes}, {"list", "ARCHIVE"}, 0, {},
       "C:\\a\\x1B[2Jb\\x0Dc\n"},
  };
#ifdef _WIN32
  // Nobody can close the program that holds the file: the run fails with it
  // and the reason, and the previous version stays.
  cases.push_back({"extract over a file another program holds", {Records().Header(1).File("C:\\A", "a").Int(0).bytes},
                   {"extract", "ARCHIVE", "DEST:held"}, 4, {"Cannot read file: \"", "(Cannot replace file \"", "A\". "}, ""});
#endif
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    for (std::size_t i = 0; i < c.volumes.size(); ++i) {
      WriteFile(dir / (i == 0 ? std::string("SETUP.Z") : "SETUP.00" + std::to_string(i + 1)), c.volumes[i]);
    }
#ifdef _WIN32
    HANDLE held = INVALID_HANDLE_VALUE;
#endif
    std::vector<std::string> args = c.args;
    for (auto& a : args) {
      if (a == "ARCHIVE") a = dir / "SETUP.Z";
      if (a == "DEST") a = dir / "out";
      if (a == "DEST:file") WriteFile(a = dir / "afile", "x");
      if (a == "DEST:long") a = dir / std::string(5000, 'L');
      if (a == "DEST:self") a = dir.Path();
#ifdef _WIN32
      if (a == "DEST:held") {
        ForceDirectories(a = dir / "out");
        WriteFile(dir / "out\\A", "previous");
        held = CreateFileA((dir / "out\\A").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
      }
#endif
    }
    const Outcome r = Mk(args);
#ifdef _WIN32
    if (held != INVALID_HANDLE_VALUE) {
      CloseHandle(held);
      EXPECT_EQ(ToText(ReadFile(dir / "out\\A")), "previous");
    }
#endif
    if (c.args[0] == "extract") {
      EXPECT_EQ(ReadFile(dir / "SETUP.Z"), c.volumes[0]) << "the archive is never written";
    }
    EXPECT_EQ(r.status, c.status) << r.err;
    for (const auto& fragment : c.err) EXPECT_NE(r.err.find(fragment), std::string::npos) << r.err;
    if (c.status != 0) {
      EXPECT_FALSE(r.err.empty());
    }
    EXPECT_NE(r.out.find(c.out), std::string::npos) << r.out;
    if (!c.absent.empty()) {
      EXPECT_EQ(r.out.find(c.absent), std::string::npos) << r.out;
    }
  }
}

#ifndef _WIN32
// What the installer cannot create as spelt is refused with the file's name,
// and nothing is written. (Windows itself cannot make such files, and takes
// names in its own code page.)
TEST(MksetupPackTree, RefusesNamesTheInstallerCannotCreate) {
  const struct {
    const char* name;  // a file in the packed tree (UTF-8 on Linux)
    const char* fault;
  } cases[] = {
      {"a*b", "the character *"},
      {"a?b", "the character ?"},
      {"a<b", "the character <"},
      {"a>b", "the character >"},
      {"a|b", "the character |"},
      {"a\"b", "the character \""},
      {"a:b", "the character :"},
      {"a\x01b", "a control character"},
      {"trail.", "ends in a dot or a blank"},
      {"trail ", "ends in a dot or a blank"},
      {"COM\xC2\xB9", "would refuse the name"},
      {"lpt\xC2\xB3.txt", "would refuse the name"},
      {"\xE6\x97\xA5.txt", "not in the installer's code page"},
      {"caf\xE9.txt", "not in the installer's code page"},  // Latin-1, not UTF-8
      {"a\\b.txt", "the character \\"},  // one Linux name, two Windows components
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    ASSERT_TRUE(ForceDirectories(dir / "src"));
    WriteFile(dir / "src\\fine.txt", "x");
    // Made natively, so that a backslash stays part of the name.
    const int fd = ::open((NativePath(dir / "src") + "/" + c.name).c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ::close(fd);
    const Outcome r = Mk({"pack", "-o", dir / "pkg", "--no-stub", dir / "src"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(c.fault), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(dir / "src"), std::string::npos) << r.err;
    EXPECT_FALSE(DirectoryExists(dir / "pkg"));
  }
}

// Converted once: a UTF-8 product name makes the defaults of --dest and
// --title; list and settings show UTF-8 again.
TEST(MksetupPackTree, NamesAndTextsAreConvertedToTheInstallersCodePage) {
  const struct {
    const char* what;
    const char* folder;  // the packed folder, below the temporary one
    std::vector<std::string> options;
    const char* settings;
  } cases[] = {
      {"--title", "src", {"--app", "Demo", "--title", "Caf\xC3\xA9 Setup"},
       "App101=Demo\nDestDir102=C:\\Demo\nTitle103=Caf\xC3\xA9 Setup\nLicense=No\n"},
      {"--app", "src", {"--app", "Caf\xC3\xA9"},
       "App101=Caf\xC3\xA9\nDestDir102=C:\\Caf\xC3\xA9\nTitle103=Caf\xC3\xA9 Setup\nLicense=No\n"},
      {"a folder's name", "Caf\xC3\xA9", {},
       "App101=Caf\xC3\xA9\nDestDir102=C:\\Caf\xC3\xA9\nTitle103=Caf\xC3\xA9 Setup\nLicense=No\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Tree t;
    ASSERT_TRUE(ForceDirectories(t.dir / c.folder));
    WriteFile(t.dir / (std::string(c.folder) + "\\caf\xC3\xA9 \xE2\x82\xAC.txt"), "x");  // "café €.txt"
    std::vector<std::string> args = {"pack", "-o", t.dir / "pkg", "--no-stub"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    args.push_back(t.dir / c.folder);
    const Outcome packed = Mk(args);
    ASSERT_EQ(packed.status, 0) << packed.err;
    EXPECT_NE(Mk({"list", t.Archive()}).out.find("  C:\\caf\xC3\xA9 \xE2\x82\xAC.txt\n"), std::string::npos);
    EXPECT_EQ(Mk({"settings", t.dir / "pkg\\SETUP.INS"}).out, c.settings);
  }
}

TEST(MksetupPackTree, DirectoryLinksAreLeftOutAndFileLinksFollowedWithAWarning) {
  Tree tree;
  WriteFile(tree.dir / "outside.txt", "outside");
  ASSERT_EQ(::symlink("..", NativePath(tree.dir / "src\\bin\\up").c_str()), 0);
  ASSERT_EQ(::symlink("../outside.txt", NativePath(tree.dir / "src\\LINK.TXT").c_str()), 0);
  const Outcome packed = tree.Pack();
  ASSERT_EQ(packed.status, 0) << packed.err;
  EXPECT_NE(packed.err.find("bin/up\", a link to a directory"), std::string::npos) << packed.err;
  EXPECT_NE(packed.err.find("LINK.TXT\" is a link; the file it points to is packed"), std::string::npos) << packed.err;
  const auto lines = Lines(Mk({"list", tree.Archive()}).out);
  EXPECT_EQ(lines.size(), tree.files.size() + 2) << "the files, the followed link and FILE:LIST";
  ASSERT_EQ(Mk({"extract", tree.Archive(), tree.dir / "out"}).status, 0);
  EXPECT_EQ(ReadFile(tree.dir / "out\\LINK.TXT"), ToBytes("outside"));
}
#endif

// A pack that fails, before or after writing, leaves the output folder as
// an earlier pack left it.
TEST(MksetupPack, AFailureLeavesTheOutputFolderAsItWas) {
  const struct {
    const char* what;
    std::int64_t sparse;  // size of a sparse file src/BIG, 0 for none
    std::vector<std::string> extra;
    const char* fault;
  } cases[] = {
      {"more than 2 GiB", std::int64_t{1} << 31, {}, "more than the 2147483647 bytes"},
      {"more than 999 volumes", 70 << 20, {"--volume-size", "65536", "--level", "0"}, "more than 999 volumes"},
      {"a licence that cannot be read", 0, {"--license", "LICENSE_DIR"}, "Cannot open file"},
      {"an input inside the output folder", 0, {"PKG_FILE"}, "inside the output folder"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Tree t;
    ASSERT_EQ(t.Pack().status, 0);
    const Bytes before = ReadFile(t.Archive());
    const auto listing = ListDirectory(t.dir / "pkg");
    WriteFile(t.dir / "src\\NEW.TXT", "new");  // so that a rewritten archive differs
    if (c.sparse != 0) {
#ifdef _WIN32
      continue;  // sparse files are made here with the POSIX call only
#else
      { TFileStream big(t.dir / "src\\BIG", FileMode::Create); }
      ASSERT_EQ(::truncate(NativePath(t.dir / "src\\BIG").c_str(), static_cast<off_t>(c.sparse)), 0);
#endif
    }
    std::vector<std::string> extra = c.extra;
    for (auto& a : extra) {
      if (a == "LICENSE_DIR") a = t.dir / "src";
      if (a == "PKG_FILE") a = t.Archive();
    }
    const Outcome r = t.Pack(extra);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(c.fault), std::string::npos) << r.err;
    EXPECT_EQ(ReadFile(t.Archive()), before);
    EXPECT_EQ(ListDirectory(t.dir / "pkg").size(), listing.size()) << "nothing added, nothing removed";
    EXPECT_EQ(Mk({"list", "--check", t.Archive()}).status, 0);
  }
}

TEST(MksetupPackStub, FoundBesideMksetupOrInItsShareFolder) {
  const struct {
    const char* name;
    bool beside, shared;
    const char* found;  // below the temporary folder; "" for none
  } cases[] = {
      {"beside", true, false, "bin\\SETUP.EXE"},
      {"share folder", false, true, "share\\setup\\SETUP.EXE"},
      {"both: beside wins", true, true, "bin\\SETUP.EXE"},
      {"none", false, false, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    ASSERT_TRUE(ForceDirectories(dir / "bin"));
    ASSERT_TRUE(ForceDirectories(dir / "share\\setup"));
    if (c.beside) WriteFile(dir / "bin\\SETUP.EXE", TinyWindowsProgram());
    if (c.shared) WriteFile(dir / "share\\setup\\SETUP.EXE", TinyWindowsProgram());
    if (*c.found != '\0') {
      EXPECT_EQ(ExpandFileName(mksetup::ResolveStub(std::nullopt, dir / "bin")), ExpandFileName(dir / c.found));
    } else {
      try {
        mksetup::ResolveStub(std::nullopt, dir / "bin");
        ADD_FAILURE() << "no stub, no error";
      } catch (const Exception& e) {
        EXPECT_NE(e.Message().find(ExpandFileName(dir / "bin\\SETUP.EXE")), std::string::npos) << e.Message();
        EXPECT_NE(e.Message().find("--stub FILE"), std::string::npos) << e.Message();
      }
    }
  }
}

TEST(MksetupPackStub, ShipsSetupExeBesideTheDataFiles) {
  TempDir dir;
  WriteFile(dir / "stub.exe", TinyWindowsProgram());
  WriteFile(dir / "hashing.exe", TinyWindowsProgram(true));
  WriteFile(dir / "big.bin", Pattern(65 * 65536, 3));  // stored: 66 volumes of 64 KiB
  WriteFile(dir / "text.exe", "MZ but no program");
  // The tiny program with header fields changed: 16 bits at each offset.
  auto variant = [&dir](const char* name, std::vector<std::pair<std::size_t, std::uint16_t>> fields) {
    Bytes b = TinyWindowsProgram();
    for (const auto& [offset, value] : fields) {
      b[offset] = static_cast<std::uint8_t>(value), b[offset + 1] = static_cast<std::uint8_t>(value >> 8);
    }
    WriteFile(dir / name, b);
    return dir / name;
  };
  const std::string x64 = variant("x64.exe", {{68, 0x8664}, {88, 0x20B}});  // the machine, PE32+
  const std::string dll = variant("lib.dll", {{86, 0x2102}});          // the characteristics
  const std::string vista = variant("vista.exe", {{88 + 48, 6}});      // the subsystem version 6.1
  const struct {
    const char* name;
    std::vector<std::string> options;
    int status;
    const char* error;  // part of the error; "" for none
    bool shipped;
  } cases[] = {
      {"--stub", {"--stub", dir / "stub.exe"}, 0, "has no room for the hashes", true},
      {"a stub without a hash block, --strict", {"--stub", dir / "stub.exe", "--strict"}, 5, "has no room", false},
      {"a stub with a hash block", {"--stub", dir / "hashing.exe", "--strict"}, 0, "", true},
      {"more volumes than the hash block holds",
       {"--stub", dir / "hashing.exe", "--volume-size", "65536", "--level", "0", dir / "big.bin"}, 1,
       "more than the 64 whose hashes SETUP.EXE has room for", false},
      {"an x86-64 program", {"--stub", x64}, 1, "is no 32-bit x86 program", false},
      {"an x86-64 program, --allow-x64-stub", {"--stub", x64, "--allow-x64-stub"}, 0, "", true},
      {"a DLL", {"--stub", dll}, 1, "is a DLL", false},
      {"a program for a later Windows", {"--stub", vista}, 0, "declares subsystem version 6.1, not 5.1", true},
      {"a program for a later Windows, --strict", {"--stub", vista, "--strict"}, 5, "declares subsystem version", false},
      {"--no-stub", {"--no-stub"}, 0, "", false},
      {"a stub that is no program", {"--stub", dir / "text.exe"}, 1, "is no Windows program", false},
      {"a stub that does not exist", {"--stub", dir / "none.exe"}, 1, "none.exe", false},
      {"--no-stub with --stub", {"--no-stub", "--stub", dir / "stub.exe"}, 2, "--no-stub", false},
      {"--password-file without --sign", {"--stub", dir / "stub.exe", "--password-file", dir / "pw"}, 2,
       "--password-file", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Tree t;
    std::vector<std::string> args = {"pack", "-o", t.dir / "pkg"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    args.push_back(t.dir / "src");
    const Outcome r = Mk(args);
    EXPECT_EQ(r.status, c.status) << r.err;
    if (*c.error != '\0') {
      EXPECT_NE(r.err.find(c.error), std::string::npos) << r.err;
    }
    EXPECT_EQ(FileExists(t.dir / "pkg\\SETUP.EXE"), c.shipped);
    if (c.shipped) {
      // Shipped as it is, only a hash block filled in.
      const Bytes stub = ReadFile(c.options.size() > 1 ? c.options[1] : dir / "stub.exe");
      Bytes shipped = ReadFile(t.dir / "pkg\\SETUP.EXE");
      if (const auto block = mksetup::FindHashBlock(shipped)) {
        EXPECT_EQ(package_hashes::Volumes(&shipped[*block]), 1u);
        std::fill_n(shipped.begin() + static_cast<std::ptrdiff_t>(*block + 16), package_hashes::kBlockSize - 16, 0);
      }
      EXPECT_EQ(shipped, stub);
    }
    // A refused stub is found out before anything is written.
    if (c.status != 0) {
      EXPECT_FALSE(FileExists(t.dir / "pkg\\SETUP.Z"));
    }
  }
}

#ifndef _WIN32
namespace {


int RunTool(const std::vector<std::string>& argv, std::string* output = nullptr) {
  std::string text;
  const int status = mksetup::RunProgram(argv, text);
  if (output != nullptr) *output = text;
  return status;
}

}  // namespace

// A throwaway certificate from openssl; osslsigncode verifies the signature.
// A time-stamping authority on the loopback address for one request:
// OpenSSL's ts command answers it, behind a small HTTP server.
const char* const kTsaServer = R"(import http.server, os, subprocess, sys
d = sys.argv[1]
class Handler(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        open(d + '/query.tsq', 'wb').write(self.rfile.read(int(self.headers['Content-Length'])))
        subprocess.run(['openssl', 'ts', '-reply', '-config', d + '/ts.cnf', '-queryfile', d + '/query.tsq',
                        '-signer', d + '/tsa.pem', '-inkey', d + '/tsa.key', '-out', d + '/reply.tsr'],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        reply = open(d + '/reply.tsr', 'rb').read()
        self.send_response(200)
        self.send_header('Content-Type', 'application/timestamp-reply')
        self.send_header('Content-Length', str(len(reply)))
        self.end_headers()
        self.wfile.write(reply)
    def log_message(self, *args):
        pass
server = http.server.HTTPServer(('127.0.0.1', 0), Handler)
server.timeout = 30
open(d + '/port.tmp', 'w').write(str(server.server_address[1]))
os.rename(d + '/port.tmp', d + '/port')
server.handle_request()
)";

// A throwaway certificate from openssl; osslsigncode verifies the signature
// (and the timestamp, against the test's own authority).
TEST(MksetupPackStub, SignsSetupExe) {
  TempDir dir;
  WriteFile(dir / "stub.exe", TinyWindowsProgram(true));
  WriteFile(dir / "password", "secret\n");
  WriteFile(dir / "wrong", "guess\n");
  const std::string key = NativePath(dir / "key.pem"), cert = NativePath(dir / "cert.pem");
  const std::string tsa = NativePath(dir / "tsa.pem");
  ASSERT_EQ(RunTool({"openssl", "req", "-x509", "-newkey", "rsa:2048", "-keyout", key, "-out", cert, "-days", "2",
                 "-nodes", "-subj", "/CN=Setup Test Signer"}),
            0);
  ASSERT_EQ(RunTool({"openssl", "pkcs12", "-export", "-out", NativePath(dir / "signer.pfx"), "-inkey", key, "-in",
                 cert, "-passout", "pass:secret"}),
            0);
  ASSERT_EQ(RunTool({"openssl", "req", "-x509", "-newkey", "rsa:2048", "-keyout", NativePath(dir / "tsa.key"), "-out",
                     tsa, "-days", "2", "-nodes", "-subj", "/CN=Setup Test Authority", "-addext",
                     "extendedKeyUsage=critical,timeStamping"}),
            0);
  WriteFile(dir / "ts.cnf", "[ tsa ]\ndefault_tsa = tsa_config\n[ tsa_config ]\nserial = " + NativePath(dir / "serial") +
                                "\nsigner_digest = sha256\ndefault_policy = 1.2.3.4.1\ndigests = sha256\n"
                                "accuracy = secs:1\ness_cert_id_alg = sha256\n");
  WriteFile(dir / "serial", "01\n");
  WriteFile(dir / "tsa.py", kTsaServer);
  ASSERT_EQ(RunTool({"sh", "-c", "python3 \"$0\" \"$1\" >/dev/null 2>&1 &", NativePath(dir / "tsa.py"),
                     NativePath(dir.Path())}),
            0);
  for (int i = 0; i < 100 && !FileExists(dir / "port"); ++i) ::usleep(50000);
  ASSERT_TRUE(FileExists(dir / "port")) << "the time-stamping authority did not start";
  const std::string url = "http://127.0.0.1:" + ToText(ReadFile(dir / "port")) + "/";
  const struct {
    const char* name;
    const char* passwordFile;
    std::vector<std::string> extra;
    int status;
    const char* verified;  // a line osslsigncode verify prints
  } cases[] = {
      {"right password", "password", {}, 0, "Signature verification: ok"},
      {"wrong password", "wrong", {}, 1, ""},
      {"a timestamp from the local authority", "password", {"--timestamp", url}, 0,
       "Timestamp Server Signature verification: ok"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Tree t;
    std::vector<std::string> args = {"pack", "-o", t.dir / "pkg", "--stub", dir / "stub.exe", "--sign",
                                     dir / "signer.pfx", "--password-file", dir / c.passwordFile, t.dir / "src"};
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    const Outcome r = Mk(args);
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_EQ(FileExists(t.dir / "pkg\\SETUP.EXE.part"), false);
    if (c.status == 0) {
      std::string verify;
      EXPECT_EQ(RunTool({"osslsigncode", "verify", "-CAfile", cert, "-TSA-CAfile", tsa,
                         NativePath(t.dir / "pkg\\SETUP.EXE")}, &verify), 0)
          << verify;
      EXPECT_NE(verify.find(c.verified), std::string::npos) << verify;
      EXPECT_NE(r.out.find("SETUP.EXE signed"), std::string::npos) << r.out;
      // The signature covers the hashes, filled in before signing.
      const Bytes program = ReadFile(t.dir / "pkg\\SETUP.EXE");
      const auto block = mksetup::FindHashBlock(program);
      ASSERT_TRUE(block.has_value());
      const auto script = Sha256DigestOfFile(t.dir / "pkg\\SETUP.INS");
      EXPECT_TRUE(std::equal(script.begin(), script.end(),
                             program.begin() + static_cast<std::ptrdiff_t>(*block + package_hashes::SlotOffset(0))));
    } else {
      EXPECT_FALSE(FileExists(t.dir / "pkg\\SETUP.EXE"));
      EXPECT_NE(r.err.find("Cannot sign"), std::string::npos) << r.err;
      EXPECT_NE(r.err.find("signer.pfx"), std::string::npos) << r.err;
    }
  }
  // Without a timestamp, SOURCE_DATE_EPOCH fixes the signing time: two
  // signings give one file.
  const ScopedEnv epoch("SOURCE_DATE_EPOCH", "1700000000");
  std::vector<Bytes> signedFiles;
  for (int run = 0; run < 2; ++run) {
    SCOPED_TRACE(run);
    Tree t;
    const Outcome r = Mk({"pack", "-o", t.dir / "pkg", "--stub", dir / "stub.exe", "--sign", dir / "signer.pfx",
                          "--password-file", dir / "password", t.dir / "src"});
    ASSERT_EQ(r.status, 0) << r.err;
    signedFiles.push_back(ReadFile(t.dir / "pkg\\SETUP.EXE"));
    if (run == 0) ::sleep(1);  // a signing time from the clock would differ
  }
  EXPECT_EQ(signedFiles[0], signedFiles[1]);
}
#endif

// A packager's command line and project file: what is packed, what is
// said, and the exit status.
TEST(MksetupPack, OptionsExcludesAndTheProjectFile) {
  const std::string project = "; the product\n[Setup]\nApp101=Demo\n[Pack]\nSource = src\nOutput=pkg\nNoStub=Yes\nExclude=bin;*.tmp\n";
  const struct {
    const char* what;
    std::vector<std::string> files;   // made below DIR
    std::string project;              // DIR\project.ini when not empty
    std::vector<std::string> args;    // after "pack"; "DIR" begins a path below the temporary folder
    int status;
    std::vector<std::string> packed;  // stored names (after C:\) in the archive
    std::vector<std::string> left;    // stored names not in it
    std::string out, err;             // fragments of the output ("-": none at all)
    std::string title = {};           // Title103 of SETUP.INS, when given
  } cases[] = {
      {"default excludes", {"src\\.git\\config", "src\\bin\\.DS_Store", "src\\Thumbs.db", "src\\.svn\\e", "src\\.hg\\s"}, "",
       {"-o", "DIR\\pkg", "--no-stub", "DIR\\src"}, 0, {"A.TXT"}, {".git\\config", "bin\\.DS_Store", "Thumbs.db", ".svn\\e", ".hg\\s"},
       "3 files", ""},
      {"--no-default-excludes", {"src\\.git\\config"}, "", {"-o", "DIR\\pkg", "--no-stub", "--no-default-excludes", "DIR\\src"},
       0, {".git\\config"}, {}, "", ""},
      {"--exclude with ** and another case", {"src\\logs\\a\\X.LOG", "src\\keep.txt"}, "",
       {"-o", "DIR\\pkg", "--no-stub", "--exclude", "**/*.log", "DIR\\src"}, 0, {"keep.txt"}, {"logs\\a\\X.LOG"}, "", ""},
      {"--exclude of a folder", {}, "", {"-o", "DIR\\pkg", "--no-stub", "--exclude", "bin", "DIR\\src"}, 0, {"A.TXT"},
       {"bin\\B.BIN", "bin\\deep\\EMPTY"}, "1 file, ", ""},
      {"--verbose names what is left out", {"src\\.git\\config"}, "", {"-o", "DIR\\pkg", "--no-stub", "-v", "DIR\\src"}, 0,
       {}, {".git\\config"}, "", ".git\" (matches \".git\")"},
      {"--quiet", {}, "", {"-o", "DIR\\pkg", "--no-stub", "--quiet", "DIR\\src"}, 0, {"A.TXT"}, {}, "-", ""},
      {"-oDIR", {}, "", {"-oDIR\\pkg", "--no-stub", "DIR\\src"}, 0, {"A.TXT"}, {}, "3 files", ""},
      {"--strict with a warning", {"src\\pkg\\keep"}, "", {"-o", "DIR\\src\\pkg", "--no-stub", "--strict", "DIR\\src"}, 5,
       {}, {}, "", "leaving out the output folder"},
      {"--quiet and --verbose", {}, "", {"-o", "DIR\\pkg", "-q", "-v", "DIR\\src"}, 2, {}, {}, "", "exclude each other"},
      {"a project file", {"src\\x.tmp"}, project, {"--config", "DIR\\project.ini"}, 0, {"A.TXT"}, {"bin\\B.BIN", "x.tmp"}, "",
       "", "Demo Setup"},
      {"the command line overrides the project file", {}, project,
       {"--title", "Other", "--config", "DIR\\project.ini", "--no-default-excludes", "DIR\\src\\bin"}, 0,
       {"B.BIN", "deep\\EMPTY"}, {"A.TXT"}, "", "", "Other"},
      {"a switch of the project file gives way to the command line", {}, project + "Best=Yes\n",
       {"--config", "DIR\\project.ini", "--stub", "DIR\\stub.exe", "--level", "0"}, 0, {"A.TXT"}, {}, "SETUP.EXE from",
       ""},
      {"a project file with a mistyped key", {}, "[Pack]\nLevle=9\n", {"--config", "DIR\\project.ini"}, 2, {}, {}, "",
       "project.ini\" line 2: unknown key \"Levle\" in [pack]"},
      {"a project file whose licence switch has no file", {}, "[Setup]\nLicense=Yes\n[Pack]\nSource=src\nOutput=pkg\n",
       {"--config", "DIR\\project.ini"}, 2, {}, {}, "", "License=Yes needs LicenseFile"},
      {"a missing project file", {}, "", {"--config", "DIR\\none.ini"}, 1, {}, {}, "", "none.ini"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Tree t;
    for (const auto& f : c.files) {
      ASSERT_TRUE(ForceDirectories(ExtractFileDir(t.dir / f)));
      WriteFile(t.dir / f, "x");
    }
    if (!c.project.empty()) WriteFile(t.dir / "project.ini", c.project);
    WriteFile(t.dir / "stub.exe", TinyWindowsProgram());
    std::vector<std::string> args = {"pack"};
    for (const auto& a : c.args) args.push_back(a.find("DIR") != std::string::npos ? t.dir / a.substr(a.find("DIR") + 4) : a);
    if (c.args[0].rfind("-oDIR", 0) == 0) args[1] = "-o" + t.dir / "pkg";
    const Outcome r = Mk(args);
    EXPECT_EQ(r.status, c.status) << r.err;
    if (c.out == "-") {
      EXPECT_EQ(r.out, "");
    } else {
      EXPECT_NE(r.out.find(c.out), std::string::npos) << r.out;
    }
    EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    if (c.status != 0) {
      EXPECT_FALSE(FileExists(t.Archive())) << "nothing is written";
      continue;
    }
    const std::string listed = Mk({"list", t.Archive()}).out;
    for (const auto& name : c.packed) EXPECT_NE(listed.find("  C:\\" + name + "\n"), std::string::npos) << name << "\n" << listed;
    for (const auto& name : c.left) EXPECT_EQ(listed.find("  C:\\" + name + "\n"), std::string::npos) << name << "\n" << listed;
    if (!c.title.empty()) {
      EXPECT_NE(Mk({"settings", t.dir / "pkg\\SETUP.INS"}).out.find("Title103=" + c.title + "\n"), std::string::npos);
    }
  }
}

// Under SOURCE_DATE_EPOCH one package whatever the time zone, the files'
// dates after it, the threads, the order the files were made in, and
// whether the options come from a project file. (In mksetup.exe the files'
// dates are the moment they are made, later than the epoch; the time zone
// is the system's.)
TEST(MksetupPack, SourceDateEpochGivesTheSameBytes) {
  constexpr std::int64_t kEpoch = 1700000000;  // 2023-11-14 22:13:20 UTC
  const struct {
    const char* zone;
    std::int64_t later;  // the files' dates: the epoch plus this
    const char* threads;
    bool reverse;        // the files made in reverse order
    bool config;         // the options from a project file
  } cases[] = {
      {"UTC0", 0, "1", false, false},
      {"JST-9", 86400 * 40, "4", true, false},
      {"EST5EDT", 7, "2", false, true},
      {"NZST-12NZDT", 86400 * 400, "3", true, true},
  };
  std::string first;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.zone);
    const ScopedEnv zone("TZ", c.zone), epoch("SOURCE_DATE_EPOCH", std::to_string(kEpoch).c_str());
    TempDir dir;
    std::vector<std::string> names = {"a.txt", "b.bin", "sub\\c.txt", "sub\\deeper\\d.txt", "z.txt"};
    if (c.reverse) std::reverse(names.begin(), names.end());
    for (std::size_t i = 0; i < names.size(); ++i) {
      ASSERT_TRUE(ForceDirectories(ExtractFileDir(dir / ("src\\" + names[i]))));
      WriteFile(dir / ("src\\" + names[i]), Pattern(30000 + 7000 * (names[i][0] - 'a'), static_cast<unsigned>(names[i][0])));
#ifndef _WIN32
      const timespec when[2] = {{kEpoch + c.later, 0}, {kEpoch + c.later, 0}};
      ASSERT_EQ(::utimensat(AT_FDCWD, NativePath(dir / ("src\\" + names[i])).c_str(), when, 0), 0);
#endif
    }
    std::vector<std::string> args = {"pack", "-o", dir / "pkg", "--no-stub", "--app", "Demo", "--volume-size", "65536",
                                     "--threads", c.threads, dir / "src"};
    if (c.config) {
      WriteFile(dir / "p.ini", std::string("[Setup]\nApp101=Demo\n[Pack]\nSource=src\nOutput=pkg\nNoStub=Yes\n") +
                                   "VolumeSize=65536\nThreads=" + c.threads + "\n");
      args = {"pack", "--config", dir / "p.ini"};
    }
    const Outcome packed = Mk(args);
    ASSERT_EQ(packed.status, 0) << packed.err;
    std::string hashes;
    for (const char* name : {"SETUP.INS", "SETUP.Z", "SETUP.002", "SETUP.003"}) {
      ASSERT_TRUE(FileExists(dir / (std::string("pkg\\") + name))) << name;
      hashes += Sha256OfFile(dir / (std::string("pkg\\") + name)) + " ";
    }
    if (first.empty()) first = hashes;
    EXPECT_EQ(hashes, first);
    for (const auto& line : Lines(Mk({"list", dir / "pkg\\SETUP.Z"}).out)) EXPECT_EQ(line.substr(0, 19), "2023-11-14 22:13:20");
  }
}

#ifndef _WIN32
// list --json read back by a JSON parser, and SHA256SUMS by sha256sum.
TEST(MksetupPack, ListJsonAndChecksumsAreReadBackByOtherTools) {
  Tree t;
  WriteFile(t.dir / "src\\caf\xC3\xA9.txt", "x");
  const Outcome packed = t.Pack({"--volume-size", "65536", "--level", "0", "--checksums"});
  ASSERT_EQ(packed.status, 0) << packed.err;
  std::string checked;
  EXPECT_EQ(RunTool({"sh", "-c", "cd '" + NativePath(t.dir / "pkg") + "' && sha256sum --strict -c SHA256SUMS"}, &checked), 0)
      << checked;
  EXPECT_NE(checked.find("SETUP.004: OK"), std::string::npos) << checked;
  EXPECT_NE(checked.find("SETUP.INS: OK"), std::string::npos) << checked;

  const Outcome json = Mk({"list", "--json", t.Archive()});
  ASSERT_EQ(json.status, 0) << json.err;
  WriteFile(t.dir / "list.json", json.out);
  std::string parsed;
  ASSERT_EQ(RunTool({"python3", "-c",
                     "import json, sys\n"
                     "for e in json.load(open(sys.argv[1], encoding='utf-8')):\n"
                     "    print(e['name'], e['size'], e['date'], e['volume'], sep='|')\n",
                     NativePath(t.dir / "list.json")},
                    &parsed),
            0)
      << parsed << json.out;
  const auto rows = Lines(parsed);
  ASSERT_EQ(rows.size(), 5u) << parsed;
  const std::string date = FormatDosDate(FileAge(t.Source("A.TXT")));
  EXPECT_EQ(rows[1], "C:\\A.TXT|5000|" + date + "|1");
  EXPECT_EQ(rows[2], "C:\\bin\\B.BIN|200000|" + FormatDosDate(FileAge(t.Source("bin\\B.BIN"))) + "|1");
  // 205000 bytes stored in volumes of 64 KiB: the empty file after them begins in the fourth.
  EXPECT_EQ(rows[3], "C:\\bin\\deep\\EMPTY|0|" + FormatDosDate(FileAge(t.Source("bin\\deep\\EMPTY"))) + "|4");
  EXPECT_EQ(rows[4], "C:\\caf\xC3\xA9.txt|1|" + FormatDosDate(FileAge(t.Source("caf\xC3\xA9.txt"))) + "|4");
}
#endif

// SHA256SUMS: a line "HASH  NAME" per file written, in name order, with the
// system library's SHA-256 (here of "abc", the standard's first example).
TEST(MksetupPack, ChecksumsNameEveryFileWritten) {
  Tree t;
  WriteFile(t.dir / "abc.txt", "abc");
  WriteFile(t.dir / "stub.exe", TinyWindowsProgram(true));
  const Outcome packed = Mk({"pack", "-o", t.dir / "pkg", "--stub", t.dir / "stub.exe", "--license", t.dir / "abc.txt",
                             "--checksums", "--volume-size", "65536", "--level", "0", t.dir / "src"});
  ASSERT_EQ(packed.status, 0) << packed.err;
  const auto lines = Lines(ToText(ReadFile(t.dir / "pkg\\SHA256SUMS")));
  const std::vector<std::string> names = {"LICENSE.TXT", "SETUP.002", "SETUP.003", "SETUP.004", "SETUP.EXE",
                                          "SETUP.INS", "SETUP.Z"};
  ASSERT_EQ(lines.size(), names.size());
  for (std::size_t i = 0; i < names.size(); ++i) {
    SCOPED_TRACE(names[i]);
    EXPECT_EQ(lines[i].substr(64), "  " + names[i]);
    EXPECT_EQ(lines[i].find_first_not_of("0123456789abcdef"), 64u);
  }
  EXPECT_EQ(lines[0], "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad  LICENSE.TXT");
  // SETUP.EXE holds the same hashes of the data files in its block: slots
  // of SETUP.INS, LICENSE.TXT, then the volumes in order.
  const Bytes program = ReadFile(t.dir / "pkg\\SETUP.EXE");
  const auto block = mksetup::FindHashBlock(program);
  ASSERT_TRUE(block.has_value());
  namespace ph = package_hashes;
  EXPECT_EQ(ph::Volumes(&program[*block]), 4u);
  EXPECT_TRUE(ph::HasLicence(&program[*block]));
  const std::pair<std::size_t, std::size_t> slots[] = {{5, ph::kScriptSlot}, {0, ph::kLicenceSlot}, {6, ph::VolumeSlot(1)},
                                                       {1, ph::VolumeSlot(2)}, {3, ph::VolumeSlot(4)}};
  for (const auto& [line, slot] : slots) {
    SCOPED_TRACE(names[line]);
    std::string hex;
    for (std::size_t i = 0; i < ph::kDigestSize; ++i) {
      static const char digits[] = "0123456789abcdef";
      const std::uint8_t byte = program[*block + ph::SlotOffset(slot) + i];
      hex += digits[byte >> 4], hex += digits[byte & 15];
    }
    EXPECT_EQ(hex, lines[line].substr(0, 64));
  }
}

// --sign-command: the publisher's tool signs SETUP.EXE in place; a tool
// that fails, or cannot be started, fails the pack and leaves the output
// folder as it was, quoting what the tool printed.
TEST(MksetupPackStub, SignCommandSignsInPlace) {
#ifdef _WIN32
  const std::string appends = "cmd /c echo signed>>{}", added = "signed\r\n";
  const std::string fails = "cmd /c \"echo token locked & exit 3\"";
#else
  const std::string appends = "sh -c 'printf signed >> \"$0\"' {}", added = "signed";
  const std::string fails = "sh -c 'echo token locked >&2; exit 3'";
#endif
  const struct {
    const char* what;
    std::string command;
    int status;
    std::vector<std::string> err;  // fragments
  } cases[] = {
      {"a tool that succeeds", appends, 0, {}},
      {"a tool that fails", fails, 1, {"Cannot sign \"", "SETUP.EXE\": the signing command \"", "(exit status 3): token locked"}},
      {"a tool that does not exist", "no-such-signing-tool {}", 1, {"cannot start no-such-signing-tool"}},
      {"an unclosed quote", "sign 'x", 2, {"--sign-command has an unclosed '"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Tree t;
    WriteFile(t.dir / "stub.exe", TinyWindowsProgram());
    ASSERT_EQ(Mk({"pack", "-o", t.dir / "pkg", "--no-stub", "--app", "Earlier", t.dir / "src"}).status, 0);
    const Bytes before = ReadFile(t.dir / "pkg\\SETUP.INS");
    const Outcome r = Mk({"pack", "-o", t.dir / "pkg", "--stub", t.dir / "stub.exe", "--sign-command", c.command,
                          t.dir / "src"});
    EXPECT_EQ(r.status, c.status) << r.err;
    for (const auto& fragment : c.err) EXPECT_NE(r.err.find(fragment), std::string::npos) << r.err;
    if (c.status == 0) {
      Bytes expected = TinyWindowsProgram();
      expected.insert(expected.end(), added.begin(), added.end());
      EXPECT_EQ(ReadFile(t.dir / "pkg\\SETUP.EXE"), expected);
    } else {
      EXPECT_FALSE(FileExists(t.dir / "pkg\\SETUP.EXE"));
      EXPECT_EQ(ReadFile(t.dir / "pkg\\SETUP.INS"), before) << "the output folder is as it was";
    }
  }
}
