// mksetup pack | list | extract through the command line.
#include <gtest/gtest.h>

#include <algorithm>
#ifndef _WIN32
#include <sys/stat.h>
#endif
#include <sstream>

#include "runtime/FileSystem.h"
#include "tests/support/TestFiles.h"
#include "tools/mksetup/Cli.h"
#include "tools/mksetup/PackCommands.h"

using namespace testing_support;

namespace {

struct Outcome {
  int status;
  std::string out, err;
};

Outcome Mk(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  mksetup::Io io{out, err};
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
    std::vector<std::string> args = {"pack", "-o", dir / "pkg", "--app", "Demo", dir / "src"};
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

TEST(MksetupPack, WarnsWhenTwoFilesShareABareName) {
  Tree t;
  WriteFile(t.dir / "src\\bin\\a.txt", "other");
  const Outcome packed = t.Pack();
  ASSERT_EQ(packed.status, 0) << packed.err;
  EXPECT_EQ(packed.err,
            "mksetup pack: warning: \"C:\\A.TXT\" and \"C:\\bin\\a.txt\" have the same file name; the "
            "installer writes both to the destination as a.txt, the later replacing the earlier\n");
}

TEST(MksetupPack, RepackingWithFewerVolumesRemovesStaleOnes) {
  Tree t;
  ASSERT_EQ(t.Pack({"--volume-size", "65536", "--level", "0"}).status, 0);
  ASSERT_TRUE(FileExists(t.dir / "pkg\\SETUP.004"));
  ASSERT_EQ(t.Pack().status, 0);
  EXPECT_FALSE(FileExists(t.dir / "pkg\\SETUP.002"));
  EXPECT_FALSE(FileExists(t.dir / "pkg\\SETUP.004"));
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
  EXPECT_EQ(code.status, 1);
  EXPECT_NE(code.err.find("mksetup extract: Compression error"), std::string::npos) << code.err;
  const Outcome check = Mk({"list", "--check", t.dir / "bad\\SETUP.Z"});
  EXPECT_EQ(check.status, 1);
  EXPECT_NE(check.err.find("fault at offset "), std::string::npos) << check.err;

  WriteFile(t.dir / "short\\SETUP.Z", Bytes(first.begin(), first.begin() + 6));
  const Outcome raised = Mk({"extract", t.dir / "short\\SETUP.Z", t.dir / "o2"});
  EXPECT_EQ(raised.status, 2);
  EXPECT_EQ(raised.err, "mksetup extract: Cannot read archive\n");

  const Outcome none = Mk({"extract", t.dir / "none\\SETUP.Z", t.dir / "o3"});
  EXPECT_EQ(none.status, 2);
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

TEST(MksetupExtract, RestoreModesApply) {
  Tree t;
  ASSERT_EQ(t.Pack().status, 0);
  ASSERT_TRUE(ForceDirectories(t.dir / "out"));
  WriteFile(t.dir / "out\\A.TXT", "keep");
  ASSERT_EQ(Mk({"extract", "--mode", "no-overwrite", t.Archive(), t.dir / "out"}).status, 0);
  EXPECT_EQ(ReadFile(t.dir / "out\\A.TXT"), ToBytes("keep"));
  EXPECT_TRUE(FileExists(t.dir / "out\\B.BIN"));
  ASSERT_EQ(Mk({"extract", "--mode", "existing", t.Archive(), t.dir / "only"}).status, 0);
  EXPECT_FALSE(DirectoryExists(t.dir / "only"));
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
// not pack the first run's archive (nor the one it is writing).
TEST(MksetupPackTree, LeavesOutItsOwnOutputFolder) {
  Tree tree;
  const std::string out = tree.dir / "src\\pkg";
  for (int run = 0; run < 2; ++run) {
    SCOPED_TRACE(run);
    const Outcome packed = Mk({"pack", "-o", out, tree.dir / "src"});
    ASSERT_EQ(packed.status, 0) << packed.err;
    if (run == 1) {
      EXPECT_NE(packed.err.find("leaving out the output folder"), std::string::npos) << packed.err;
    }
    const Outcome listed = Mk({"list", out + "\\SETUP.Z"});
    ASSERT_EQ(listed.status, 0) << listed.err;
    EXPECT_EQ(listed.out.find("SETUP"), std::string::npos) << listed.out;
    EXPECT_EQ(Lines(listed.out).size(), tree.files.size() + 1) << "the files and FILE:LIST";
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
