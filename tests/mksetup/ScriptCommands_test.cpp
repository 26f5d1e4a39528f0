#include <gtest/gtest.h>

#include <cerrno>
#include <new>
#include <sstream>
#include <stdexcept>

#include "runtime/FileSystem.h"
#include "tests/support/TestFiles.h"
#include "tools/mksetup/Cli.h"

using namespace testing_support;

namespace {

struct Outcome {
  int status;
  std::string out, err;
};

Outcome Mksetup(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  mksetup::Io io{out, err};
  const int status = mksetup::Main(args, io);
  return {status, out.str(), err.str()};
}

}  // namespace

// The INI text is UTF-8 and stored in the installer's code page; settings
// shows it in UTF-8 on Linux (in the code page on Windows).
TEST(MksetupScript, ScriptThenSettingsRoundTrips) {
#ifdef _WIN32
  const std::string cafe = "Caf\xE9";
#else
  const std::string cafe = "Caf\xC3\xA9";
#endif
  const struct {
    const char* what;
    std::string ini;
    int status;
    std::string shown;  // the settings printed, or a fragment of the error
  } cases[] = {
      {"ASCII", "[Setup]\nApp101=Demo\nDestDir102=C:\\Demo\nTitle103=Demo Setup\nLicense=Yes\n", 0,
       "App101=Demo\nDestDir102=C:\\Demo\nTitle103=Demo Setup\nLicense=Yes\n"},
      {"UTF-8 with a byte-order mark", "\xEF\xBB\xBF[setup]\nApp101=Caf\xC3\xA9\n", 0,
       "App101=" + cafe + "\nDestDir102=\nTitle103=\nLicense=\n"},
      {"no [Setup] section", "[Other]\nApp101=Demo\n", 1, "has no [Setup] section"},
      {"not UTF-8", "[Setup]\nApp101=Caf\xE9\n", 1, "is not UTF-8 text"},
      {"outside Windows-1252", "[Setup]\nApp101=\xE6\x97\xA5\n", 1, "outside the installer's code page"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    WriteFile(dir / "setup.ini", c.ini);
    const Outcome packed = Mksetup({"script", dir / "setup.ini", "-o", dir / "SETUP.INS"});
    ASSERT_EQ(packed.status, c.status) << packed.err;
    if (c.status != 0) {
      EXPECT_NE(packed.err.find(c.shown), std::string::npos) << packed.err;
      EXPECT_FALSE(FileExists(dir / "SETUP.INS"));
      continue;
    }
    const Outcome shown = Mksetup({"settings", dir / "SETUP.INS"});
    ASSERT_EQ(shown.status, 0) << shown.err;
    EXPECT_EQ(shown.out, c.shown);
  }
}

TEST(MksetupScript, FailuresGoToStandardErrorWithTheirMessage) {
  TempDir dir;
  WriteFile(dir / "plain.ins", "[Setup]\nApp101=Demo\n");
  const Outcome plain = Mksetup({"settings", dir / "plain.ins"});
  EXPECT_EQ(plain.status, 1);
  EXPECT_EQ(plain.out, "");
  EXPECT_EQ(plain.err, "mksetup settings: Cannot decompress \"" + ExpandFileName(dir / "plain.ins") +
                           "\": it is damaged or not one zlib stream (zlib reports \"Error\")\n");

  const Outcome missing = Mksetup({"settings", dir / "none.ins"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("none.ins"), std::string::npos) << missing.err;

  const Outcome noInput = Mksetup({"script", dir / "none.ini", "-o", dir / "x.ins"});
  EXPECT_EQ(noInput.status, 1);
  EXPECT_NE(noInput.err.find("Cannot open file"), std::string::npos) << noInput.err;
#ifndef _WIN32
  // A full disk: the file and the system's reason are named.
  WriteFile(dir / "setup.ini", "[Setup]\n");
  const Outcome full = Mksetup({"script", dir / "setup.ini", "-o", "/dev/full"});
  EXPECT_EQ(full.status, 1);
  EXPECT_EQ(full.err, "mksetup script: Cannot write to file \"/dev/full\". " + SysErrorMessage(ENOSPC) + "\n");
#endif
}

TEST(MksetupScript, UsageErrorsExitWithStatus2) {
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"frobnicate"},
      {"settings"},
      {"settings", "a", "b"},
      {"script", "a.ini"},
      {"script", "a.ini", "-o"},
      {"script", "a.ini", "--bogus", "-o", "x"},
  };
  for (const auto& args : cases) {
    SCOPED_TRACE(::testing::PrintToString(args));
    const Outcome r = Mksetup(args);
    EXPECT_EQ(r.status, 2);
    EXPECT_FALSE(r.err.empty());
  }
  EXPECT_EQ(Mksetup({"--help"}).status, 0);
  const Outcome help = Mksetup({"script", "--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("usage: mksetup script"), std::string::npos);
}

namespace {

int RaiseOutOfMemory(const std::vector<std::string>&, mksetup::Io&) { throw std::bad_alloc(); }
int RaiseOther(const std::vector<std::string>&, mksetup::Io&) { throw std::length_error("basic_string::_M_create"); }

}  // namespace

// The entry point: version, help on a command, and whatever a command
// raises ends as a message with status 1, never as an abort.
TEST(MksetupMain, EveryEndIsAStatusAndAMessage) {
  const std::vector<mksetup::Command> commands = {
      {"oom", "", "usage: mksetup oom\n", {}, "", RaiseOutOfMemory},
      {"other", "", "usage: mksetup other\n", {{"--flag", nullptr, "a switch\nover two lines"}}, "Notes.\n", RaiseOther},
  };
  const struct {
    std::vector<std::string> args;
    int status;
    std::string out, err;  // fragments
  } cases[] = {
      {{"--version"}, 0, "mksetup 1.0\n", ""},
      {{"help", "other"}, 0, "usage: mksetup other", ""},
      {{"other", "--help"}, 0, "\nOptions:\n  --flag" + std::string(17, ' ') + "a switch\n" + std::string(25, ' ') + "over two lines\n", ""},
      {{"other", "--", "--help"}, 1, "", "(working on \"--\" \"--help\")"},
      {{"help"}, 0, "Commands:", ""},
      {{"help", "nothing"}, 2, "", "unknown command \"nothing\""},
      {{"oom", "big.ins"}, 1, "", "mksetup oom: Out of memory: \"big.ins\" need more memory"},
      {{"other", "a", "b"}, 1, "", "mksetup other: basic_string::_M_create (working on \"a\" \"b\")"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    std::ostringstream out, err;
    mksetup::Io io{out, err};
    int status = -1;
    EXPECT_NO_THROW(status = mksetup::Main(c.args, io, commands));
    EXPECT_EQ(status, c.status);
    EXPECT_NE(out.str().find(c.out), std::string::npos) << out.str();
    EXPECT_NE(err.str().find(c.err), std::string::npos) << err.str();
  }
  EXPECT_NE(Mksetup({"help", "pack"}).out.find("usage: mksetup pack"), std::string::npos);
}
