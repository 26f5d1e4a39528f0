// The installer end to end: a package folder made by mksetup, SETUP.EXE
// started in it and worked through its windows by the driver, the outcome
// checked on disk. Every scenario ends with the process gone.
#include <gtest/gtest.h>

#include <sstream>

#include "runtime/DosDate.h"
#include "runtime/FileSystem.h"
#include "runtime/Streams.h"
#include "tests/support/TestFiles.h"
#include "tools/driver/Driver.h"
#include "tools/mksetup/Cli.h"

using namespace testing_support;

namespace {

constexpr const char* kTempScript = "C:\\SETUP1.TMP";
const std::vector<std::string> kEnd = {};

struct ProductFile {
  std::string name;
  Bytes bytes;
  std::int32_t date;
};

Bytes Pseudo(std::size_t n, unsigned seed, bool compressible) {
  Bytes b(n);
  unsigned x = seed * 2654435761u + 1;
  for (std::size_t i = 0; i < n; ++i) {
    x = x * 1103515245u + 12345u;
    b[i] = compressible ? static_cast<std::uint8_t>("abcdefgh \r\n"[(x >> 16) % 11])
                        : static_cast<std::uint8_t>(x >> 16);
  }
  return b;
}

class EndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    RemoveFile(kTempScript);
    ASSERT_TRUE(CreateDir(pkg_));
    ASSERT_TRUE(CreateDir(product_));
  }
  void TearDown() override {
    const bool running = driver_.Running();
    driver_.Kill();
    EXPECT_FALSE(running) << "the installer was still running";
    RemoveFile(kTempScript);
  }

  void AddFile(const std::string& name, Bytes bytes, std::int32_t date) {
    {
      TFileStream out(product_ + name, FileMode::Create);
      out.WriteBuffer(bytes.data(), bytes.size());
      out.SetDosDate(date);
    }
    files_.push_back({name, std::move(bytes), date});
  }
  void SmallProduct() {
    AddFile("README.TXT", ToBytes("Read me.\r\n"), PackDosDate({2020, 5, 17, 10, 30, 0}));
    AddFile("DATA.BIN", Pseudo(40000, 1, false), PackDosDate({2019, 1, 2, 3, 4, 6}));
    AddFile("NOTES.INI", ToBytes("[Notes]\r\nWrap=1\r\n"), PackDosDate({2021, 12, 31, 23, 59, 58}));
  }
  // mksetup pack of the product, then the setup script given as INI text.
  void Pack(const std::string& ini, std::vector<std::string> extra = {}) {
    std::vector<std::string> args = {"pack", "-o", pkg_};
    args.insert(args.end(), extra.begin(), extra.end());
    args.push_back(product_);
    Mksetup(args);
    WriteFile(dir_ / "setup.ini", ini);
    Mksetup({"script", dir_ / "setup.ini", "-o", pkg_ + "SETUP.INS"});
  }
  void Mksetup(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    mksetup::Io io{out, err};
    ASSERT_EQ(mksetup::Main(args, io), 0) << err.str();
  }
  std::string Ini(const std::string& license) const {
    return "[Setup]\r\nApp101=Test Product\r\nDestDir102=" + dest_ +
           "\r\nTitle103=Test Product Setup\r\nLicense=" + license + "\r\n";
  }
  void Start() {
    const std::string setup = ExeDirectory() + "..\\..\\app\\SETUP.EXE";
    ASSERT_TRUE(CopyFileA(setup.c_str(), (pkg_ + "SETUP.EXE").c_str(), FALSE)) << setup;
    ASSERT_TRUE(driver_.Start(pkg_ + "SETUP.EXE", pkg_)) << driver_.Error();
  }
  // Runs steps; stops the test at the first that fails.
  void Steps(const std::vector<std::vector<std::string>>& steps) {
    for (const auto& step : steps) {
      ASSERT_TRUE(driver_.Run(step)) << step[0] << " " << (step.size() > 1 ? step[1] : "") << ": "
                                     << driver_.Error();
    }
  }
  void ExpectInstalled() {
    for (const auto& f : files_) {
      SCOPED_TRACE(f.name);
      ASSERT_TRUE(FileExists(dest_ + f.name));
      EXPECT_EQ(ReadFile(dest_ + f.name), f.bytes);
      EXPECT_EQ(FormatDosDate(FileAge(dest_ + f.name)), FormatDosDate(f.date));
    }
  }
  void ExpectNothingInstalled() { EXPECT_FALSE(DirectoryExists(dest_)) << dest_; }
  void ExpectEndedClean() {
    DWORD code = 1;
    ASSERT_TRUE(driver_.WaitExit(30000, &code)) << driver_.Error();
    EXPECT_EQ(code, 0u);
    EXPECT_FALSE(FileExists(kTempScript)) << "the temporary setup script was left behind";
  }

  TempDir dir_;
  std::string pkg_ = dir_ / "pkg\\";
  std::string product_ = dir_ / "product\\";
  std::string dest_ = dir_ / "dest\\";
  std::vector<ProductFile> files_;
  driver::Driver driver_;
};

const std::string kDestination = "Select Destination Directory";
const std::string kLicense = "Software License Agreement";

TEST_F(EndToEnd, PlainInstallWithoutLicence) {
  SmallProduct();
  Pack(Ini("No"));
  Start();
  Steps({{"wait", "Welcome"},
         {"click", "Welcome", "&Next >"},
         {"click", kDestination, "&Next >"},
         {"click", kDestination, "Finish", "60000"}});
  ExpectEndedClean();
  ExpectInstalled();
}

TEST_F(EndToEnd, InstallWithLicence) {
  SmallProduct();
  WriteFile(dir_ / "LICENSE.TXT", "Terms.\r\n");
  Pack(Ini("Yes"), {"--license", dir_ / "LICENSE.TXT"});
  Start();
  Steps({{"click", "Welcome", "&Next >"},
         {"click", kLicense, "&Yes"},
         {"click", kDestination, "&Next >"},
         {"click", kDestination, "Finish", "60000"}});
  ExpectEndedClean();
  ExpectInstalled();
}

TEST_F(EndToEnd, CancelThenResumeThenExitOnTheLicencePage) {
  SmallProduct();
  WriteFile(dir_ / "LICENSE.TXT", "Terms.\r\n");
  Pack(Ini("Yes"), {"--license", dir_ / "LICENSE.TXT"});
  Start();
  Steps({{"click", "Welcome", "&Next >"},
         {"click", kLicense, "&No"},
         {"click", "Exit Setup", "&Resume"},
         {"gone", "Exit Setup"},
         // Back on the same page with the same buttons.
         {"button", kLicense, "&Yes"},
         {"click", kLicense, "&No"},
         {"click", "Exit Setup", "E&xit Setup"}});
  ExpectEndedClean();
  ExpectNothingInstalled();
}

TEST_F(EndToEnd, BrowseToANewDirectoryInstallsThere) {
  SmallProduct();
  Pack(Ini("No"));
  const std::string chosen = dir_ / "chosen\\deeper";
  Start();
  Steps({{"click", "Welcome", "&Next >"},
         {"click", kDestination, "B&rowse..."},
         {"type", "Select Directory", "0", chosen},
         {"click", "Select Directory", "OK"},
         {"answer", "Confirm", "&Yes"},
         {"gone", "Select Directory"},
         {"click", kDestination, "&Next >"},
         {"click", kDestination, "Finish", "60000"}});
  ExpectEndedClean();
  dest_ = chosen + "\\";
  ExpectInstalled();
}

TEST_F(EndToEnd, TwoVolumesAskForTheSecondDisk) {
  AddFile("BIG.BIN", Pseudo(150000, 2, false), PackDosDate({2022, 2, 2, 2, 2, 2}));
  AddFile("SMALL.TXT", ToBytes("small\r\n"), PackDosDate({2022, 3, 3, 3, 3, 4}));
  Pack(Ini("No"), {"--volume-size", "65536"});
  ASSERT_TRUE(FileExists(pkg_ + "SETUP.002"));
  Start();
  std::vector<std::vector<std::string>> steps = {{"click", "Welcome", "&Next >"},
                                                 {"click", kDestination, "&Next >"}};
  for (int volume = 2; FileExists(pkg_ + "SETUP.00" + std::to_string(volume)); ++volume) {
    steps.push_back({"answer", "Information", "OK"});
  }
  steps.push_back({"click", kDestination, "Finish", "60000"});
  Steps(steps);
  ExpectEndedClean();
  ExpectInstalled();
}

TEST_F(EndToEnd, MissingScriptEndsAfterItsMessage) {
  SmallProduct();
  Pack(Ini("No"));
  RemoveFile(pkg_ + "SETUP.INS");
  Start();
  Steps({{"answer", "Setup", "OK", "Setup is corrupt! Cannot load!"}});
  ExpectEndedClean();
}

TEST_F(EndToEnd, DamagedScriptIsReportedAndTheWizardStillComes) {
  SmallProduct();
  Pack(Ini("No"));
  WriteFile(pkg_ + "SETUP.INS", "[Setup]\r\nApp101=not compressed\r\n");
  Start();
  Steps({{"answer", "Setup", "OK", "Error."},
         {"click", "Welcome", "Cancel"},
         {"click", "Exit Setup", "E&xit Setup"}});
  ExpectEndedClean();
}

TEST_F(EndToEnd, MissingArchiveIsNamedAndTheWizardComesBack) {
  SmallProduct();
  Pack(Ini("No"));
  RemoveFile(pkg_ + "SETUP.Z");
  Start();
  Steps({{"click", "Welcome", "&Next >"},
         {"click", kDestination, "&Next >"},
         {"answer", "Setup", "OK", "SETUP.Z"},
         // Back on Destination: Next retries, Cancel leads to the question.
         {"button", kDestination, "&Next >"},
         {"click", kDestination, "Cancel"},
         {"click", "Exit Setup", "E&xit Setup"}});
  ExpectEndedClean();
  ExpectNothingInstalled();
}

TEST_F(EndToEnd, CorruptChunkIsReported) {
  AddFile("TEXT.TXT", Pseudo(30000, 3, true), PackDosDate({2023, 1, 1, 0, 0, 0}));
  Pack(Ini("No"));
  // The first chunk of TEXT.TXT starts after the header, FILE:LIST and the
  // entry's name, date and magic; damage the middle of the archive's data.
  Bytes archive = ReadFile(pkg_ + "SETUP.Z");
  archive = Damage(archive, static_cast<long>(archive.size()) - 200, 0xFF);
  WriteFile(pkg_ + "SETUP.Z", archive);
  Start();
  Steps({{"click", "Welcome", "&Next >"},
         {"click", kDestination, "&Next >"},
         {"answer", "Setup", "OK", "Compression error"},
         {"click", kDestination, "Finish"}});
  ExpectEndedClean();
}

TEST_F(EndToEnd, CancelDuringTheTransferThenExit) {
  for (int i = 0; i < 6; ++i) {
    AddFile("PART" + std::to_string(i) + ".BIN", Pseudo(4 << 20, 10 + i, false),
            PackDosDate({2024, 4, 4, 4, 4, 4}));
  }
  Pack(Ini("No"), {"--level", "1"});
  Start();
  Steps({{"click", "Welcome", "&Next >"},
         {"click", kDestination, "&Next >"},
         {"click", "", "Cancel"},
         {"click", "Exit Setup", "E&xit Setup"}});
  ExpectEndedClean();
  EXPECT_FALSE(FileExists(dest_ + "PART5.BIN")) << "the transfer went on to the end";
}

}  // namespace
