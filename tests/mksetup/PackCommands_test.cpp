// mksetup pack | list | extract through the command line.
#include <gtest/gtest.h>

#include <algorithm>
#ifndef _WIN32
#include <sys/stat.h>
#endif
#include <sstream>

#include "runtime/Exceptions.h"
#include "runtime/FileSystem.h"
#include "tests/support/TestFiles.h"
#include "tools/mksetup/Cli.h"
#include "tools/mksetup/PackCommands.h"
#include "tools/mksetup/Stub.h"

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
      {"pack", "-o", "out", "--level", "10", "src"},
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

// The smallest Windows GUI program osslsigncode signs: headers and one
// section holding a single "ret".
Bytes TinyWindowsProgram() {
  Bytes b(0x400, 0);
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
  return b;
}

}  // namespace

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
  WriteFile(dir / "text.exe", "MZ but no program");
  const struct {
    const char* name;
    std::vector<std::string> options;
    int status;
    const char* error;  // part of the error; "" for none
    bool shipped;
  } cases[] = {
      {"--stub", {"--stub", dir / "stub.exe"}, 0, "", true},
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
      EXPECT_EQ(ReadFile(t.dir / "pkg\\SETUP.EXE"), TinyWindowsProgram());
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
TEST(MksetupPackStub, SignsSetupExe) {
  TempDir dir;
  WriteFile(dir / "stub.exe", TinyWindowsProgram());
  WriteFile(dir / "password", "secret\n");
  WriteFile(dir / "wrong", "guess\n");
  const std::string key = NativePath(dir / "key.pem"), cert = NativePath(dir / "cert.pem");
  ASSERT_EQ(RunTool({"openssl", "req", "-x509", "-newkey", "rsa:2048", "-keyout", key, "-out", cert, "-days", "2",
                 "-nodes", "-subj", "/CN=Setup Test Signer"}),
            0);
  ASSERT_EQ(RunTool({"openssl", "pkcs12", "-export", "-out", NativePath(dir / "signer.pfx"), "-inkey", key, "-in",
                 cert, "-passout", "pass:secret"}),
            0);
  const struct {
    const char* name;
    const char* passwordFile;
    int status;
  } cases[] = {
      {"right password", "password", 0},
      {"wrong password", "wrong", 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Tree t;
    const Outcome r = Mk({"pack", "-o", t.dir / "pkg", "--stub", dir / "stub.exe", "--sign", dir / "signer.pfx",
                          "--password-file", dir / c.passwordFile, t.dir / "src"});
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_EQ(FileExists(t.dir / "pkg\\SETUP.EXE.part"), false);
    if (c.status == 0) {
      std::string verify;
      EXPECT_EQ(RunTool({"osslsigncode", "verify", "-CAfile", cert, NativePath(t.dir / "pkg\\SETUP.EXE")}, &verify), 0)
          << verify;
      EXPECT_NE(r.out.find("SETUP.EXE signed"), std::string::npos) << r.out;
    } else {
      EXPECT_FALSE(FileExists(t.dir / "pkg\\SETUP.EXE"));
      EXPECT_NE(r.err.find("Cannot sign"), std::string::npos) << r.err;
      EXPECT_NE(r.err.find("signer.pfx"), std::string::npos) << r.err;
    }
  }
}
#endif
