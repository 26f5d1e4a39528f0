#include <gtest/gtest.h>

#include <sstream>

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

TEST(MksetupScript, ScriptThenSettingsRoundTrips) {
  TempDir dir;
  WriteFile(dir / "setup.ini",
            "[Setup]\nApp101=Demo\nDestDir102=C:\\Demo\nTitle103=Demo Setup\nLicense=Yes\n");
  const Outcome packed = Mksetup({"script", dir / "setup.ini", "-o", dir / "SETUP.INS"});
  ASSERT_EQ(packed.status, 0) << packed.err;
  const Outcome shown = Mksetup({"settings", dir / "SETUP.INS"});
  ASSERT_EQ(shown.status, 0) << shown.err;
  EXPECT_EQ(shown.out, "App101=Demo\nDestDir102=C:\\Demo\nTitle103=Demo Setup\nLicense=Yes\n");
}

TEST(MksetupScript, FailuresGoToStandardErrorWithTheirMessage) {
  TempDir dir;
  WriteFile(dir / "plain.ins", "[Setup]\nApp101=Demo\n");
  const Outcome plain = Mksetup({"settings", dir / "plain.ins"});
  EXPECT_EQ(plain.status, 1);
  EXPECT_EQ(plain.out, "");
  EXPECT_EQ(plain.err, "mksetup settings: Error\n");

  const Outcome missing = Mksetup({"settings", dir / "none.ins"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("none.ins"), std::string::npos) << missing.err;

  const Outcome noInput = Mksetup({"script", dir / "none.ini", "-o", dir / "x.ins"});
  EXPECT_EQ(noInput.status, 1);
  EXPECT_NE(noInput.err.find("Cannot open file"), std::string::npos) << noInput.err;
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
