#include <gtest/gtest.h>

#include "runtime/IniFile.h"
#include "tests/support/TestFiles.h"

using namespace testing_support;

namespace {

struct IniCase {
  const char* name;
  std::string text;
  const char* section;
  const char* key;
  std::string expected;
};

std::vector<IniCase> IniCases() {
  const std::string longValue(3000, 'v');
  return {
      {"plain", "[Setup]\r\nApp101=Demo\r\n", "Setup", "App101", "Demo"},
      {"lower-case names", "[setup]\r\napp101=Demo\r\n", "Setup", "App101", "Demo"},
      {"upper-case query", "[Setup]\r\nApp101=Demo\r\n", "SETUP", "APP101", "Demo"},
      {"missing key", "[Setup]\r\nApp101=Demo\r\n", "Setup", "Title103", ""},
      {"missing section", "[Other]\r\nApp101=Demo\r\n", "Setup", "App101", ""},
      {"empty text", "", "Setup", "App101", ""},
      {"empty value", "[Setup]\r\nApp101=\r\n", "Setup", "App101", ""},
      {"blanks around", "[Setup]\r\n  App101  =  Demo Product  \r\n", "Setup", "App101",
       "Demo Product"},
      {"blanks in header", "[ Setup ]\r\nApp101=Demo\r\n", "Setup", "App101", "Demo"},
      {"tab around", "[Setup]\r\nApp101\t=\tDemo\r\n", "Setup", "App101", "Demo"},
      {"indented header", "  [Setup]\r\nApp101=Demo\r\n", "Setup", "App101", "Demo"},
      {"double quotes", "[Setup]\r\nApp101=\"Demo\"\r\n", "Setup", "App101", "Demo"},
      {"single quotes", "[Setup]\r\nApp101='Demo'\r\n", "Setup", "App101", "Demo"},
      {"one quote", "[Setup]\r\nApp101=\"Demo\r\n", "Setup", "App101", "\"Demo"},
      {"mixed quotes", "[Setup]\r\nApp101=\"Demo'\r\n", "Setup", "App101", "\"Demo'"},
      {"quote inside", "[Setup]\r\nApp101=De\"mo\r\n", "Setup", "App101", "De\"mo"},
      {"equals in value", "[Setup]\r\nApp101=a=b\r\n", "Setup", "App101", "a=b"},
      {"comment line", "[Setup]\r\n;App101=Hidden\r\nApp101=Demo\r\n", "Setup", "App101", "Demo"},
      {"semicolon in value", "[Setup]\r\nApp101=Demo ; note\r\n", "Setup", "App101",
       "Demo ; note"},
      {"duplicate key", "[Setup]\r\nApp101=First\r\nApp101=Second\r\n", "Setup", "App101",
       "First"},
      {"duplicate section", "[Setup]\r\nApp101=First\r\n[Setup]\r\nApp101=Second\r\n", "Setup",
       "App101", "First"},
      {"LF only", "[Setup]\nApp101=Demo\nDestDir102=C:\\Demo\n", "Setup", "DestDir102",
       "C:\\Demo"},
      {"CR only", "[Setup]\rApp101=Demo\rTitle103=T\r", "Setup", "Title103", "T"},
      {"key in other section", "[Setup]\r\nA=1\r\n[Other]\r\nApp101=Demo\r\n", "Setup", "App101",
       ""},
      {"key before any section", "App101=Demo\r\n[Setup]\r\n", "Setup", "App101", ""},
      {"no final line break", "[Setup]\r\nApp101=Demo", "Setup", "App101", "Demo"},
      {"line without equals", "[Setup]\r\nApp101\r\nApp101=Demo\r\n", "Setup", "App101", ""},
      {"8-bit text", "[Setup]\r\nApp101=Caf\xE9\r\n", "Setup", "App101", "Caf\xE9"},
      {"very long value", "[Setup]\r\nApp101=" + longValue + "\r\n", "Setup", "App101",
       longValue.substr(0, 2047)},
  };
}

}  // namespace

TEST(ProfileReader, ReadsTheContractCases) {
  for (const auto& c : IniCases()) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ReadProfileText(c.text, c.section, c.key, ""), c.expected);
  }
}

TEST(ProfileReader, MissingFileGivesTheDefault) {
  TempDir dir;
  EXPECT_EQ(TIniFile(dir / "none.ini").ReadString("Setup", "App101", "dflt"), "dflt");
  EXPECT_EQ(TIniFile(dir / "none.ini").ReadString("Setup", "App101", ""), "");
}

// The platform's reader and ours, over one table: every difference is listed.
// Natively TIniFile is our reader, so this compares the file path against the
// text path; under Wine it compares GetPrivateProfileStringA with ours.
TEST(ProfileReader, PlatformReaderAgreesWithOurs) {
  TempDir dir;
  const std::string path = dir / "test.ini";
  std::string differences;
  for (const auto& c : IniCases()) {
    WriteFile(path, c.text);
    const std::string platform = TIniFile(path).ReadString(c.section, c.key, "");
    const std::string ours = ReadProfileText(c.text, c.section, c.key, "");
    if (platform != ours) {
      differences += std::string(c.name) + ": platform \"" + platform.substr(0, 40) +
                     "\", ours \"" + ours.substr(0, 40) + "\"\n";
    }
  }
  EXPECT_EQ(differences, "");
}
