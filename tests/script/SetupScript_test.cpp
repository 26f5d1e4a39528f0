#include <gtest/gtest.h>

#include "runtime/Exceptions.h"
#include "runtime/FileSystem.h"
#include "runtime/Paths.h"
#include "script/SetupScript.h"
#include "tests/support/TestFiles.h"

using namespace testing_support;

namespace {

const std::string kScript =
    "[Setup]\r\nApp101=Demo Product\r\nDestDir102=C:\\Program Files\\Demo\r\n"
    "Title103=Demo Setup\r\nLicense=Yes\r\n";

struct Package {
  TempDir dir;
  std::string exeDir = dir.Path();
  std::string temp = dir / "SETUP1.TMP";
  void Script(const Bytes& bytes) const { WriteFile(exeDir + kScriptFileName, bytes); }
  std::string Setting(const char* key) const { return ReadSetupSetting(key, temp); }
};

}  // namespace

TEST(MemoText, CutsAtNulAndMakesEveryLineBreakCrLf) {
  const struct {
    std::string in, out;
  } cases[] = {
      {"", ""},
      {"a", "a"},
      {"a\r\nb", "a\r\nb"},
      {"a\nb\n", "a\r\nb\r\n"},
      {"a\rb\r", "a\r\nb\r\n"},
      {"a\n\rb", "a\r\n\r\nb"},
      {"a\r\r\nb", "a\r\n\r\nb"},
      {std::string("a\nb\0c\nd", 7), "a\r\nb"},
      {std::string("\0abc", 4), ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.in);
    EXPECT_EQ(ToMemoText(c.in), c.out);
  }
}

TEST(SetupScript, LoadsAndReadsTheFourSettings) {
  Package p;
  p.Script(Zlib(kScript));
  THiddenMemo memo;
  ASSERT_TRUE(LoadSetupScript(p.exeDir, memo, p.temp));
  EXPECT_EQ(ToText(ReadFile(p.temp)), kScript);
  EXPECT_EQ(p.Setting("App101"), "Demo Product");
  EXPECT_EQ(p.Setting("DestDir102"), "C:\\Program Files\\Demo");
  EXPECT_EQ(p.Setting("Title103"), "Demo Setup");
  EXPECT_EQ(p.Setting("License"), "Yes");
  EXPECT_EQ(p.Setting("Missing"), "");
}

TEST(SetupScript, MissingScriptReturnsFalseAndWritesNothing) {
  Package p;
  WriteFile(p.temp, "left by an earlier run");
  THiddenMemo memo;
  EXPECT_FALSE(LoadSetupScript(p.exeDir, memo, p.temp));
  EXPECT_EQ(ToText(ReadFile(p.temp)), "left by an earlier run");
  EXPECT_EQ(memo.Text(), "Memo1\r\n");
}

// What lands in the temporary script for each kind of SETUP.INS.
TEST(SetupScript, TemporaryScriptForEachKindOfInput) {
  const Bytes packed = Zlib(kScript);
  const Bytes badChecksum = Damage(packed, -1);
  Bytes trailing = packed;
  trailing.push_back('!');
  const struct {
    const char* name;
    Bytes bytes;
    std::string temp;
    const char* error;  // nullptr: no error
  } cases[] = {
      {"empty file", {}, "", nullptr},
      {"cut after the header", Bytes(packed.begin(), packed.begin() + 2), "", nullptr},
      {"cut before the checksum", Bytes(packed.begin(), packed.end() - 4), kScript, nullptr},
      {"plain text", ToBytes(kScript), "Memo1\r\n", "Error"},
      {"bad checksum", badChecksum, "Memo1\r\n", "Error"},
      {"trailing byte ignored", trailing, kScript, nullptr},
      {"LF line ends", Zlib("[Setup]\nApp101=A\nTitle103=T"), "[Setup]\r\nApp101=A\r\nTitle103=T",
       nullptr},
      {"NUL cuts the text", Zlib(std::string("[Setup]\nApp101=A\n\0Title103=T\n", 28)),
       "[Setup]\r\nApp101=A\r\n", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Package p;
    p.Script(c.bytes);
    THiddenMemo memo;
    try {
      EXPECT_TRUE(LoadSetupScript(p.exeDir, memo, p.temp));
      EXPECT_EQ(c.error, nullptr) << "no error raised";
    } catch (const EZlibError& e) {
      ASSERT_NE(c.error, nullptr) << e.Message();
      EXPECT_EQ(e.Message(), c.error);
    }
    EXPECT_EQ(ToText(ReadFile(p.temp)), c.temp);
  }
}

TEST(SetupScript, DamagedStreamIsAZlibError) {
  Package p;
  p.Script(Damage(Zlib(std::string(4000, 'x') + kScript, 1), 3, 0xFF));
  THiddenMemo memo;
  EXPECT_THROW(LoadSetupScript(p.exeDir, memo, p.temp), EZlibError);
  EXPECT_EQ(ToText(ReadFile(p.temp)), "Memo1\r\n");
}

TEST(SetupScript, ViewRefusingTheTextKeepsThePlaceholder) {
  Package p;
  p.Script(Zlib(kScript));
  THiddenMemo memo(16);
  try {
    LoadSetupScript(p.exeDir, memo, p.temp);
    FAIL() << "no error";
  } catch (const EInvalidOperation& e) {
    EXPECT_EQ(e.Message(), "Text exceeds memo capacity");
  }
  EXPECT_EQ(ToText(ReadFile(p.temp)), "Memo1\r\n");
}

TEST(SetupScript, UncreatableTemporaryScriptReplacesTheEarlierError) {
  Package p;
  const std::string unwritable = p.dir / "no" + std::string(1, kPathDelim) + "SETUP1.TMP";
  for (const Bytes& script : {Zlib(kScript), ToBytes("plain")}) {
    p.Script(script);
    THiddenMemo memo;
    try {
      LoadSetupScript(p.exeDir, memo, unwritable);
      ADD_FAILURE() << "no error";
    } catch (const EFCreateError& e) {
      EXPECT_NE(e.Message().find(ExpandFileName(unwritable)), std::string::npos) << e.Message();
    }
  }
}

TEST(SetupScript, LicenceSwitchValuesAreReadVerbatim) {
  const struct {
    std::string line;
    std::string value;
  } cases[] = {
      {"License=Yes", "Yes"}, {"License=yes", "yes"}, {"license=No", "No"}, {"", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    Package p;
    p.Script(Zlib("[Setup]\n" + c.line + "\n"));
    THiddenMemo memo;
    ASSERT_TRUE(LoadSetupScript(p.exeDir, memo, p.temp));
    EXPECT_EQ(p.Setting("License"), c.value);
  }
}
