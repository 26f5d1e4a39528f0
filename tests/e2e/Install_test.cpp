// The installer end to end: a package folder made by mksetup, SETUP.EXE
// started in it and worked through its windows by the driver, the outcome
// checked on disk. Every scenario ends with the process gone.
#include <gtest/gtest.h>

#include <functional>
#include <cstdio>
#include <sstream>

#include "runtime/DosDate.h"
#include "runtime/FileSystem.h"
#include "runtime/Streams.h"
#include "tests/support/TestFiles.h"
#include "tools/driver/Driver.h"
#include "tools/mksetup/Cli.h"
#include "tools/mksetup/Stub.h"

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

// A file held open without sharing, as a running program holds its own.
class HeldFile {
 public:
  HeldFile() = default;
  HeldFile(const HeldFile&) = delete;
  HeldFile& operator=(const HeldFile&) = delete;
  ~HeldFile() { Release(); }
  bool Hold(const std::string& path) {
    Release();
    handle_ = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    return handle_ != INVALID_HANDLE_VALUE;
  }
  void Release() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

class EndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    RemoveFile(kTempScript);
    ASSERT_TRUE(CreateDir(pkg_));
    ASSERT_TRUE(CreateDir(product_));
  }
  void TearDown() override {
    const bool running = driver_.Running() || second_.Running();
    driver_.Kill();
    second_.Kill();
    EXPECT_FALSE(running) << "the installer was still running";
    RemoveFile(kTempScript);
    RemoveDir(kTempScript);
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
  // mksetup pack of the product into the package folder, SETUP.EXE (this
  // build's) included; then the setup script given as INI text, unless ini
  // is empty and the folder stays as pack wrote it.
  void Pack(const std::string& ini, std::vector<std::string> extra = {}) {
    std::vector<std::string> args = {"pack", "-o", pkg_, "--stub", ExeDirectory() + "..\\..\\app\\SETUP.EXE"};
#ifdef _WIN64
    args.push_back("--allow-x64-stub");  // this build's SETUP.EXE
#endif
    args.insert(args.end(), extra.begin(), extra.end());
    args.push_back(product_);
    Mksetup(args);
    if (ini.empty()) return;
    WriteFile(dir_ / "setup.ini", ini);
    Mksetup({"script", dir_ / "setup.ini", "-o", pkg_ + "SETUP.INS"});
    Seal();
  }
  // Fills SETUP.EXE's hash block again from the data files now in the
  // package folder (sealed), or leaves it unfilled, as in a SETUP.EXE that
  // pack did not ship.
  void Seal(bool sealed = true) {
    Bytes program = ReadFile(pkg_ + "SETUP.EXE");
    const auto block = mksetup::FindHashBlock(program);
    ASSERT_TRUE(block.has_value()) << "SETUP.EXE has no hash block";
    mksetup::DataHashes hashes{Sha256DigestOfFile(pkg_ + "SETUP.INS"), std::nullopt, {}};
    if (FileExists(pkg_ + "LICENSE.TXT")) hashes.licence = Sha256DigestOfFile(pkg_ + "LICENSE.TXT");
    for (int v = 1; sealed; ++v) {
      char name[16];
      std::snprintf(name, sizeof name, v == 1 ? "SETUP.Z" : "SETUP.%03d", v);
      if (!FileExists(pkg_ + name)) break;
      hashes.volumes.push_back(Sha256DigestOfFile(pkg_ + name));
    }
    mksetup::FillHashBlock(program, *block, hashes);
    WriteFile(pkg_ + "SETUP.EXE", program);
  }
  void Mksetup(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    mksetup::Io io{out, err};
    ASSERT_EQ(mksetup::Main(args, io), 0) << err.str();
  }
  std::string Ini(const std::string& license) const { return IniWith(license, "DestDir102=" + dest_); }
  // destination: the DestDir102 line, or empty for none.
  std::string IniWith(const std::string& license, const std::string& destination) const {
    return "[Setup]\r\nApp101=Test Product\r\n" + (destination.empty() ? "" : destination + "\r\n") +
           "Title103=Test Product Setup\r\nLicense=" + license + "\r\n";
  }
  void Start() { ASSERT_TRUE(driver_.Start(pkg_ + "SETUP.EXE", pkg_)) << driver_.Error(); }
  // Runs steps; stops the test at the first that fails. "rm NAME" deletes a
  // file of the package folder meanwhile, "mv NAME NEW" renames one;
  // "second STEP..." works a second start of SETUP.EXE ("second start"
  // starts it); "script" checks that the temporary setup script is there;
  // "release" lets go of the held file.
  void Steps(const std::vector<std::vector<std::string>>& steps) {
    for (const auto& step : steps) {
      if (step.size() == 2 && step[0] == "rm") {
        ASSERT_TRUE(RemoveFile(pkg_ + step[1])) << step[1];
        continue;
      }
      if (step.size() == 3 && step[0] == "mv") {
        ASSERT_TRUE(MoveFileA((pkg_ + step[1]).c_str(), (pkg_ + step[2]).c_str())) << step[1];
        continue;
      }
      if (step.size() == 1 && step[0] == "release") {
        held_.Release();
        continue;
      }
      if (step.size() == 1 && step[0] == "script") {
        ASSERT_TRUE(FileExists(kTempScript)) << "the temporary setup script is gone";
        continue;
      }
      if (!step.empty() && step[0] == "second") {
        if (step.size() == 2 && step[1] == "start") {
          ASSERT_TRUE(second_.Start(pkg_ + "SETUP.EXE", pkg_)) << second_.Error();
        } else {
          const std::vector<std::string> rest(step.begin() + 1, step.end());
          ASSERT_TRUE(second_.Run(rest)) << "second start: " << rest[0] << ": " << second_.Error();
        }
        continue;
      }
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
  // The destination's previous version of a product file, there before
  // Setup starts.
  void Previous(const std::string& name, const Bytes& bytes) {
    ASSERT_TRUE(CreateDir(dest_));
    WriteFile(dest_ + name, bytes);
    previous_ = {name, bytes, FileAge(dest_ + name)};
  }
  void ExpectNoTemporaryFile() {
    WIN32_FIND_DATAA found;
    const HANDLE find = FindFirstFileA((dest_ + "~ST*.TMP").c_str(), &found);
    EXPECT_EQ(find, INVALID_HANDLE_VALUE) << "a temporary file was left: " << found.cFileName;
    if (find != INVALID_HANDLE_VALUE) FindClose(find);
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
  ProductFile previous_;
  HeldFile held_;
  driver::Driver driver_;
  driver::Driver second_;
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

// The package folder exactly as mksetup pack writes it.
TEST_F(EndToEnd, InstallWithLicence) {
  SmallProduct();
  WriteFile(dir_ / "LICENSE.TXT", "Terms.\r\n");
  Pack("", {"--app", "Test Product", "--dest", dest_, "--title", "Test Product Setup", "--license",
            dir_ / "LICENSE.TXT"});
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
  Seal(false);
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
  Seal(false);
  Start();
  Steps({{"click", "Welcome", "&Next >"},
         {"click", kDestination, "&Next >"},
         {"answer", "Setup", "OK", "Compression error"},
         {"click", kDestination, "Finish"}});
  ExpectEndedClean();
}

// The transfer must last while the driver finds the Cancel button, however
// fast the disk: many small files, each a file to create, date and close.
TEST_F(EndToEnd, CancelDuringTheTransferThenExit) {
  char name[16];
  for (int i = 0; i < 3000; ++i) {
    std::snprintf(name, sizeof name, "F%04d.BIN", i);
    AddFile(name, Pseudo(1024, 10 + i, false), PackDosDate({2024, 4, 4, 4, 4, 4}));
  }
  Pack(Ini("No"), {"--level", "1"});
  Start();
  Steps({{"click", "Welcome", "&Next >"},
         {"click", kDestination, "&Next >"},
         {"click", "", "Cancel"},
         {"click", "Exit Setup", "E&xit Setup"}});
  ExpectEndedClean();
  EXPECT_FALSE(FileExists(dest_ + "F2999.BIN")) << "the transfer went on to the end";
}

std::wstring Widen(const std::string& text) {
  std::wstring wide(text.size() + 1, L'\0');
  const int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
  wide.resize(n > 0 ? static_cast<std::size_t>(n - 1) : 0);
  return wide;
}

TEST_F(EndToEnd, FolderNameOutsideTheCodePageIsSaidSo) {
  SmallProduct();
  Pack(Ini("No"));
  // Cyrillic letters: no Western code page has them.
  const std::wstring folder = Widen(dir_.Path()) + L"\\\x0414\x043E\x043C";
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  const std::string setup = ExeDirectory() + "..\\..\\app\\SETUP.EXE";
  const std::vector<std::pair<std::wstring, std::wstring>> copies = {
      {Widen(setup), L"SETUP.EXE"}, {Widen(pkg_ + "SETUP.INS"), L"SETUP.INS"}, {Widen(pkg_ + "SETUP.Z"), L"SETUP.Z"}};
  for (const auto& [from, name] : copies) {
    ASSERT_TRUE(CopyFileW(from.c_str(), (folder + L"\\" + name).c_str(), FALSE));
  }
  ASSERT_TRUE(driver_.Start(folder + L"\\SETUP.EXE", folder)) << driver_.Error();
  Steps({{"answer", "Setup", "OK", "Move the package to a folder with a plain name"}});
  ExpectEndedClean();
  driver_.Kill();
  for (const auto& copy : copies) DeleteFileW((folder + L"\\" + copy.second).c_str());
  RemoveDirectoryW(folder.c_str());
}

// The Unix path of a file under Wine (empty elsewhere): a Unix program
// started from here runs natively, though its exit status is not passed on.
std::string UnixPath(const std::string& path) {
  using ToUnix = char*(__cdecl*)(const wchar_t*);
  const FARPROC proc = GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name");
  if (proc == nullptr) return {};
  const std::wstring wide(path.begin(), path.end());
  char* unix = reinterpret_cast<ToUnix>(reinterpret_cast<void*>(proc))(wide.c_str());
  if (unix == nullptr) return {};
  std::string text = unix;
  HeapFree(GetProcessHeap(), 0, unix);
  return text;
}

// Runs a shell script natively beside Wine in the folder dir and waits for
// it: its exit status as text ("0\n" when it succeeded), empty without Wine.
std::string Shell(const std::string& dir, const std::string& script) {
  const std::string unixDir = UnixPath(dir);
  if (unixDir.empty()) return {};
  std::string output;
  mksetup::RunProgram({"/bin/sh", "-c",
                       "cd '" + unixDir + "' && { " + script + "; }; echo $? >status.tmp && mv status.tmp status.txt"},
                      output);
  const std::string status = dir + "\\status.txt";
  for (int i = 0; i < 600 && !FileExists(status); ++i) Sleep(100);
  if (!FileExists(status)) return {};
  const std::string text = ToText(ReadFile(status));
  RemoveFile(status);
  return text;
}

// A small file system (a tmpfs, mounted natively) under a free drive letter
// of the test's Wine prefix; unmapped and unmounted at the end.
class SmallDisk {
 public:
  SmallDisk() = default;
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;
  ~SmallDisk() {
    if (!letter_.empty()) Shell(dir_, "rm -f \"" + Link() + "\"; umount -l mnt");
  }
  // Mounts kib KiB in dir\mnt: the drive ("T:\\"), or empty when that is
  // not possible here (not root, no Wine, no free letter).
  std::string Mount(const std::string& dir, int kib) {
    const DWORD used = GetLogicalDrives();
    char letter = 'T';
    while (letter <= 'Z' && (used & (1u << (letter - 'A'))) != 0) ++letter;
    if (letter > 'Z') return {};
    dir_ = dir;
    letter_ = std::string(1, static_cast<char>(letter - 'A' + 'a'));
    const std::string status = Shell(dir, "[ \"$(id -u)\" = 0 ] && mkdir -p mnt && mount -t tmpfs -o size=" +
                                              std::to_string(kib) + "k tmpfs mnt && ln -s \"$PWD/mnt\" \"" +
                                              Link() + "\"");
    return status == "0\n" ? std::string(1, letter) + ":\\" : std::string();
  }

 private:
  std::string Link() const { return "${WINEPREFIX:-$HOME/.wine}/dosdevices/" + letter_ + ":"; }
  std::string dir_;
  std::string letter_;
};

// The faults a user meets, each as the user meets it: slower than a driver,
// pressing keys in the window that has the focus, pressing Finish while the
// disk is busy.
enum class Outcome { Installed, NothingInstalled, NothingWritten, LastNotWritten, PreviousKept };

struct FaultRow {
  const char* name;
  std::function<void(EndToEnd&)> prepare;
  std::vector<std::vector<std::string>> steps;
  Outcome outcome;
};

class Faults : public EndToEnd, public ::testing::WithParamInterface<FaultRow> {
 public:
  using EndToEnd::AddFile;
  using EndToEnd::Ini;
  using EndToEnd::IniWith;
  using EndToEnd::Pack;
  using EndToEnd::Previous;
  using EndToEnd::SmallProduct;
  using EndToEnd::Seal;
  std::string& Package() { return pkg_; }
  std::string& Destination() { return dest_; }
  HeldFile& Held() { return held_; }
  SmallDisk& Disk() { return disk_; }
  const std::string& Dir() const { return dir_.Path(); }

 private:
  SmallDisk disk_;
};

const std::string kWelcomeDesign = "Welcome to the * Setup program";

void WithLicence(EndToEnd& t, std::vector<std::string> packOptions) {
  auto& f = static_cast<Faults&>(t);
  WriteFile(f.Dir() + "\\LICENSE.TXT", "Terms.\r\n");
  packOptions.push_back("--license");
  packOptions.push_back(f.Dir() + "\\LICENSE.TXT");
  f.Pack(f.Ini("Yes"), packOptions);
}

void DamagedScript(EndToEnd& t) {
  auto& f = static_cast<Faults&>(t);
  f.SmallProduct();
  f.Pack(f.Ini("No"));
  WriteFile(f.Package() + "SETUP.INS", "[Setup]\r\nApp101=not compressed\r\n");
  f.Seal(false);
}

std::function<void(EndToEnd&)> WithDestination(const std::string& line) {
  return [line](EndToEnd& t) {
    auto& f = static_cast<Faults&>(t);
    f.SmallProduct();
    f.Pack(f.IniWith("No", line));
  };
}

// A package as pack ships it, then one data file changed by one byte or cut
// short (and with aside, renamed to it: a volume on a later disk).
std::function<void(EndToEnd&)> Tampered(const std::string& name, bool cutShort, const std::string& aside = "") {
  return [=](EndToEnd& t) {
    auto& f = static_cast<Faults&>(t);
    f.AddFile("BIG.BIN", Pseudo(150000, 2, false), PackDosDate({2022, 2, 2, 2, 2, 2}));
    f.AddFile("SMALL.TXT", ToBytes("small\r\n"), PackDosDate({2022, 3, 3, 3, 3, 4}));
    WriteFile(f.Dir() + "\\LICENSE.TXT", "Terms.\r\n");
    f.Pack(f.Ini("Yes"), {"--license", f.Dir() + "\\LICENSE.TXT", "--volume-size", "65536"});
    Bytes bytes = ReadFile(f.Package() + name);
    if (cutShort) {
      bytes.pop_back();
    } else {
      bytes[bytes.size() / 2] ^= 1;
    }
    WriteFile(f.Package() + name, bytes);
    if (!aside.empty()) {
      ASSERT_TRUE(MoveFileA((f.Package() + name).c_str(), (f.Package() + aside).c_str()));
    }
  };
}

// A package as pack ships it, then signed by osslsigncode with a
// throwaway certificate (run natively, beside Wine) and verified.
void SignedPackage(EndToEnd& t) {
  auto& f = static_cast<Faults&>(t);
  f.SmallProduct();
  f.Pack(f.Ini("No"));
  const std::string pkg = UnixPath(f.Package());
  ASSERT_FALSE(pkg.empty()) << "no Wine to run osslsigncode";
  const std::string script =
      "openssl req -x509 -newkey rsa:2048 -keyout key.pem -out cert.pem -days 2 -nodes -subj /CN=Signer "
      ">/dev/null 2>&1 && osslsigncode sign -certs cert.pem -key key.pem -h sha256 -in '" + pkg +
      "SETUP.EXE' -out signed.exe >/dev/null 2>&1 && osslsigncode verify -CAfile cert.pem signed.exe >verify.txt 2>&1";
  ASSERT_EQ(Shell(f.Dir(), script), "0\n") << ToText(ReadFile(f.Dir() + "\\verify.txt"));
  ASSERT_TRUE(CopyFileA((f.Dir() + "\\signed.exe").c_str(), (f.Package() + "SETUP.EXE").c_str(), FALSE));
}

// The box is read for seconds, long enough for the wizard to come under it.
const std::vector<std::vector<std::string>> kAnswerLate = {
    {"wait", "Welcome", "30000"}, {"sleep", "3000"}, {"boxes", "Setup", "1"}};

const FaultRow kFaultRows[] = {
    {"DamagedScriptAnsweredLate", DamagedScript,
     {kAnswerLate[0], kAnswerLate[1], kAnswerLate[2],
      {"answer", "Setup", "OK", "Error."},
      {"text", "Welcome", kWelcomeDesign},
      {"click", "Welcome", "Cancel"},
      {"click", "Exit Setup", "E&xit Setup"}},
     Outcome::NothingInstalled},
    {"TemporaryScriptNotWritableAnsweredLate",
     [](EndToEnd& t) {
       auto& f = static_cast<Faults&>(t);
       f.SmallProduct();
       f.Pack(f.Ini("No"));
       CreateDir(kTempScript);
     },
     {kAnswerLate[0], kAnswerLate[1], kAnswerLate[2],
      {"answer", "Setup", "OK", "SETUP1.TMP"},
      {"text", "Welcome", kWelcomeDesign},
      {"click", "Welcome", "Cancel"},
      {"click", "Exit Setup", "E&xit Setup"}},
     Outcome::NothingInstalled},
    {"DestinationOnADriveThatDoesNotExist", WithDestination("DestDir102=Q:\\Test Product"),
     {{"click", "Welcome", "&Next >"},
      {"click", kDestination, "&Next >"},
      {"answer", "Setup", "OK", "Q:\\Test Product"},
      // Still on Destination: Next retries, and the question stays.
      {"text", kDestination, "Setup will install Test Product in the following directory."},
      {"click", kDestination, "&Next >"},
      {"answer", "Setup", "OK", "Q:\\Test Product"},
      {"click", kDestination, "Cancel"},
      {"click", "Exit Setup", "E&xit Setup"}},
     Outcome::NothingInstalled},
    {"NoDestinationInTheScript", WithDestination(""),
     {{"click", "Welcome", "&Next >"},
      {"click", kDestination, "&Next >"},
      {"answer", "Setup", "OK", "No destination directory"},
      {"button", kDestination, "B&rowse..."},
      {"click", kDestination, "Cancel"},
      {"click", "Exit Setup", "E&xit Setup"}},
     Outcome::NothingInstalled},
    {"FinishWhileTheLastFileIsWritten",
     [](EndToEnd& t) {
       auto& f = static_cast<Faults&>(t);
       f.AddFile("BIG.BIN", Pseudo(30 << 20, 7, false), PackDosDate({2024, 5, 5, 5, 5, 6}));
       f.AddFile("LAST.TXT", ToBytes("the last file\r\n"), PackDosDate({2024, 5, 5, 5, 5, 8}));
       f.Pack(f.Ini("No"), {"--level", "1"});
       // A progress base of 1 MB: 100 percent, and the wizard with Finish,
       // come while 29 MB are still to be written.
       Bytes archive = ReadFile(f.Package() + "SETUP.Z");
       const std::size_t at = 4 + (archive[0] | archive[1] << 8);
       const std::uint32_t base = 1 << 20;
       for (int i = 0; i < 4; ++i) archive[at + i] = static_cast<std::uint8_t>(base >> (8 * i));
       WriteFile(f.Package() + "SETUP.Z", archive);
       f.Seal();
     },
     {{"click", "Welcome", "&Next >"}, {"click", kDestination, "&Next >"}, {"click", kDestination, "Finish", "60000"}},
     Outcome::Installed},
    // The data files are checked against SETUP.EXE's hashes before they are
    // used: a changed one ends Setup with a box naming it.
    {"ChangedScriptIsRefused", Tampered("SETUP.INS", false),
     {{"answer", "Setup", "OK", "SETUP.INS\" is not the one this Setup program was made with"}},
     Outcome::NothingWritten},
    {"ShortLicenceIsRefused", Tampered("LICENSE.TXT", true),
     {{"answer", "Setup", "OK", "LICENSE.TXT\" is not the one"}},
     Outcome::NothingWritten},
    {"ChangedFirstVolumeIsRefused", Tampered("SETUP.Z", false),
     {{"click", "Welcome", "&Next >"},
      {"click", kLicense, "&Yes"},
      {"click", kDestination, "&Next >"},
      {"answer", "Setup", "OK", "SETUP.Z\" is not the one"}},
     Outcome::NothingWritten},
    {"ShortVolumeBesideItIsRefusedAtOnce", Tampered("SETUP.003", true),
     {{"click", "Welcome", "&Next >"},
      {"click", kLicense, "&Yes"},
      {"click", kDestination, "&Next >"},
      {"answer", "Setup", "OK", "SETUP.003\" is not the one"}},
     Outcome::NothingWritten},
    {"ChangedVolumeOfALaterDiskIsRefused", Tampered("SETUP.002", false, "LATER.002"),
     {{"click", "Welcome", "&Next >"},
      {"click", kLicense, "&Yes"},
      {"click", kDestination, "&Next >"},
      {"wait", "Information"},
      {"mv", "LATER.002", "SETUP.002"},
      {"answer", "Information", "OK"},
      {"answer", "Setup", "OK", "SETUP.002\" is not the one"}},
     Outcome::LastNotWritten},
    {"SignedPackageInstalls", SignedPackage,
     {{"click", "Welcome", "&Next >"}, {"click", kDestination, "&Next >"}, {"click", kDestination, "Finish", "60000"}},
     Outcome::Installed},
    {"UnfilledHashesInstallAsBefore",
     [](EndToEnd& t) {
       auto& f = static_cast<Faults&>(t);
       f.SmallProduct();
       f.Pack(f.Ini("No"));
       f.Seal(false);
     },
     {{"click", "Welcome", "&Next >"}, {"click", kDestination, "&Next >"}, {"click", kDestination, "Finish", "60000"}},
     Outcome::Installed},
    {"KeyboardOnlyWithResumeTwice", WithDestination("DestDir102=(dest)"),
     {{"key", "Welcome", "enter"},
      {"key", kDestination, "altf4"},
      {"key", "Exit Setup", "enter"},
      {"gone", "Exit Setup"},
      {"key", kDestination, "altf4"},
      {"key", "Exit Setup", "enter"},
      {"gone", "Exit Setup"},
      {"key", kDestination, "enter"},
      {"button", kDestination, "Finish", "60000"},
      {"text", kDestination, "Setup has finished installing Test Product on your computer."},
      {"key", kDestination, "enter"}},
     Outcome::Installed},
    {"DamagedScriptAnsweredWithEnterUnderTheWizard", DamagedScript,
     {{"wait", "Welcome", "30000"},
      {"sleep", "3000"},
      // The box keeps the keyboard: Enter answers it and does not press Next.
      {"key", "Setup", "enter"},
      {"text", "Welcome", kWelcomeDesign},
      // Then the wizard has it, on its default button.
      {"key", "Welcome", "enter"},
      {"button", kDestination, "B&rowse..."},
      {"boxes", "Setup", "0"},
      {"key", kDestination, "altf4"},
      {"key", "Exit Setup", "alt+x"}},
     Outcome::NothingInstalled},
    {"BackTwiceThenEnter",
     [](EndToEnd& t) {
       static_cast<Faults&>(t).SmallProduct();
       WithLicence(t, {});
     },
     {{"key", "Welcome", "enter"},
      {"key", kLicense, "enter"},
      {"key", kDestination, "alt+b"},
      {"key", kDestination, "alt+b"},
      // Welcome again, Back disabled under the focus: Enter is Next.
      {"key", kDestination, "enter"},
      {"button", kLicense, "&Yes"},
      {"key", kLicense, "alt+n"},
      {"key", "Exit Setup", "alt+x"}},
     Outcome::NothingInstalled},
    {"ChooserEnterOpensTheHighlightedFolder",
     [](EndToEnd& t) {
       auto& f = static_cast<Faults&>(t);
       f.SmallProduct();
       f.Pack(f.Ini("No"));
       CreateDir(f.Package() + "Target");
     },
     {{"key", "Welcome", "enter"},
      // Opens at the current directory, the package folder.
      {"key", kDestination, "alt+r"},
      {"key", "Select Directory", "down"},
      {"key", "Select Directory", "enter"},
      {"key", "Select Directory", "enter"},
      {"gone", "Select Directory"},
      {"text", kDestination, "\\pkg\\Target"},
      {"key", kDestination, "altf4"},
      {"key", "Exit Setup", "alt+x"}},
     Outcome::NothingInstalled},
    {"AltF4OnTheTransferAsksToExit",
     [](EndToEnd& t) {
       auto& f = static_cast<Faults&>(t);
       char name[16];
       for (int i = 0; i < 3000; ++i) {
         std::snprintf(name, sizeof name, "F%04d.BIN", i);
         f.AddFile(name, Pseudo(1024, 10 + i, false), PackDosDate({2024, 4, 4, 4, 4, 4}));
       }
       f.Pack(f.Ini("No"), {"--level", "1"});
     },
     {{"key", "Welcome", "enter"},
      {"key", kDestination, "enter"},
      {"key", "", "altf4"},
      {"key", "Exit Setup", "alt+x"}},
     Outcome::NothingInstalled},
    {"LicenceGoneWithTheFirstDisk",
     [](EndToEnd& t) {
       auto& f = static_cast<Faults&>(t);
       f.AddFile("BIG.BIN", Pseudo(100000, 2, false), PackDosDate({2022, 2, 2, 2, 2, 2}));
       WithLicence(t, {"--volume-size", "65536"});
       ASSERT_TRUE(FileExists(f.Package() + "SETUP.002"));
       ASSERT_FALSE(FileExists(f.Package() + "SETUP.003"));
     },
     {{"key", "Welcome", "enter"},
      {"key", kLicense, "enter"},
      // The first disk leaves the drive with its licence.
      {"rm", "LICENSE.TXT"},
      {"key", kDestination, "enter"},
      {"answer", "Information", "OK"},
      {"click", kDestination, "Finish", "60000"}},
     Outcome::Installed},
    {"SecondStartIsTurnedAway", WithDestination("DestDir102=(dest)"),
     {{"wait", "Welcome", "30000"},
      {"second", "start"},
      {"second", "answer", "Setup", "OK", "Setup is already running."},
      {"second", "exit"},
      {"script"},
      {"boxes", "Setup", "0"},
      {"key", "Welcome", "enter"},
      {"key", kDestination, "enter"},
      {"click", kDestination, "Finish", "60000"}},
     Outcome::Installed},
    {"CorruptChunkIsNoSuccess",
     [](EndToEnd& t) {
       auto& f = static_cast<Faults&>(t);
       f.AddFile("TEXT.TXT", Pseudo(30000, 3, true), PackDosDate({2023, 1, 1, 0, 0, 0}));
       f.Pack(f.Ini("No"));
       Bytes archive = ReadFile(f.Package() + "SETUP.Z");
       archive = Damage(archive, static_cast<long>(archive.size()) - 200, 0xFF);
       WriteFile(f.Package() + "SETUP.Z", archive);
       f.Seal(false);
     },
     {{"click", "Welcome", "&Next >"},
      {"click", kDestination, "&Next >"},
      {"answer", "Setup", "OK", "Compression error"},
      {"text", kDestination, "Setup could not finish installing Test Product"},
      {"notext", kDestination, "Setup has finished"},
      {"click", kDestination, "Finish"}},
     Outcome::NothingInstalled},
    // A destination on a small file system with an older BIG.BIN on it: the
    // free space is asked about, and a disk that fills inside the file
    // leaves that older version as it was.
    {"SmallDiskAskedAboutThenFilled",
     [](EndToEnd& t) {
       auto& f = static_cast<Faults&>(t);
       const std::string drive = f.Disk().Mount(f.Dir(), 256);
       if (drive.empty()) GTEST_SKIP() << "no small file system: mounting a tmpfs needs root, and the drive Wine";
       f.Destination() = drive + "App\\";
       f.AddFile("BIG.BIN", Pseudo(400000, 4, false), PackDosDate({2024, 6, 6, 6, 6, 6}));
       f.Pack(f.Ini("No"));
       f.Previous("BIG.BIN", Pseudo(20000, 5, false));
     },
     {{"click", "Welcome", "&Next >"},
      {"click", kDestination, "&Next >"},
      // 256 KiB less the older file's five pages.
      {"text", "Confirm", "Setup needs 391 KB, and 236 KB are free."},
      {"answer", "Confirm", "&No"},
      {"click", kDestination, "&Next >"},
      {"text", "Confirm", "Setup needs 391 KB"},
      {"answer", "Confirm", "&Yes"},
      // The file and the system's own words.
      {"answer", "Setup", "OK", "App\\BIG.BIN: " + SysErrorMessage(ERROR_DISK_FULL)},
      {"text", kDestination, "Setup could not finish installing Test Product"},
      {"text", kDestination, "App\\BIG.BIN: " + SysErrorMessage(ERROR_DISK_FULL)},
      {"notext", kDestination, "Setup has finished"},
      {"click", kDestination, "Finish"}},
     Outcome::PreviousKept},
    {"HeldFileIsAskedAboutThenRetried",
     [](EndToEnd& t) {
       auto& f = static_cast<Faults&>(t);
       f.SmallProduct();
       f.Pack(f.Ini("No"));
       f.Previous("DATA.BIN", Pseudo(1000, 6, false));
       ASSERT_TRUE(f.Held().Hold(f.Destination() + "DATA.BIN"));
     },
     {{"click", "Welcome", "&Next >"},
      {"click", kDestination, "&Next >"},
      {"wait", "Warning"},
      {"release"},
      {"answer", "Warning", "&Retry", "DATA.BIN"},
      {"text", kDestination, "Setup has finished installing Test Product", "60000"},
      {"click", kDestination, "Finish"}},
     Outcome::Installed},
    {"ReadOnlyFileIsReplaced",
     [](EndToEnd& t) {
       auto& f = static_cast<Faults&>(t);
       f.SmallProduct();
       f.Pack(f.Ini("No"));
       f.Previous("NOTES.INI", ToBytes("[Old]\r\n"));
       ASSERT_TRUE(SetFileAttributesA((f.Destination() + "NOTES.INI").c_str(), FILE_ATTRIBUTE_READONLY));
     },
     {{"click", "Welcome", "&Next >"},
      {"click", kDestination, "&Next >"},
      {"text", kDestination, "Setup has finished installing Test Product", "60000"},
      {"boxes", "Warning", "0"},
      {"click", kDestination, "Finish"}},
     Outcome::Installed},
};

TEST_P(Faults, AsAUserMeetsThem) {
  const FaultRow& row = GetParam();
  row.prepare(*this);
  if (HasFatalFailure() || IsSkipped()) return;
  // "(dest)" in the script stands for the test's destination.
  const std::string ini = dir_ / "setup.ini";
  if (FileExists(ini)) {
    std::string text = ToText(ReadFile(ini));
    if (const auto at = text.find("(dest)"); at != std::string::npos) {
      text.replace(at, 6, dest_);
      WriteFile(ini, text);
      Mksetup({"script", ini, "-o", pkg_ + "SETUP.INS"});
      Seal();
    }
  }
  Start();
  Steps(row.steps);
  if (HasFatalFailure()) return;
  ExpectEndedClean();
  if (row.outcome == Outcome::Installed) {
    ExpectInstalled();
  } else if (row.outcome == Outcome::NothingInstalled) {
    EXPECT_FALSE(FileExists(dest_ + "README.TXT")) << "nothing was to be installed";
  } else if (row.outcome == Outcome::NothingWritten) {
    ExpectNothingInstalled();
  } else if (row.outcome == Outcome::LastNotWritten) {
    EXPECT_FALSE(FileExists(dest_ + files_.back().name)) << "the restore went on past the refused volume";
  } else if (row.outcome == Outcome::PreviousKept) {
    EXPECT_EQ(ReadFile(dest_ + previous_.name), previous_.bytes) << previous_.name;
    EXPECT_EQ(FileAge(dest_ + previous_.name), previous_.date) << previous_.name;
  }
  if (DirectoryExists(dest_)) ExpectNoTemporaryFile();
}

INSTANTIATE_TEST_SUITE_P(E2E, Faults, ::testing::ValuesIn(kFaultRows),
                         [](const ::testing::TestParamInfo<FaultRow>& info) { return std::string(info.param.name); });

}  // namespace
