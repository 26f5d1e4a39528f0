#include "tools/mksetup/Stub.h"

#include <cstdint>
#include <cstring>

#include "runtime/Exceptions.h"
#include "runtime/FileSystem.h"
#include "runtime/Paths.h"
#include "runtime/Streams.h"
#include "tools/mksetup/Cli.h"
#include "tools/mksetup/WholeFiles.h"

namespace mksetup {

namespace {

std::uint32_t Little(const std::vector<std::uint8_t>& b, std::size_t at, int bytes) {
  std::uint32_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = value << 8 | b[at + static_cast<std::size_t>(i)];
  return value;
}

// The offset of the PE header of a Windows program ("MZ", "PE\0\0", a
// whole file header and the optional header up to its subsystem), or 0.
std::size_t PeHeader(const std::vector<std::uint8_t>& b) {
  if (b.size() < 64 || b[0] != 'M' || b[1] != 'Z') return 0;
  const std::size_t pe = Little(b, 60, 4);
  if (pe > b.size() || b.size() - pe < 24 + 70) return 0;
  if (std::memcmp(&b[pe], "PE\0\0", 4) != 0) return 0;
  return pe;
}

constexpr std::size_t kOptional = 24;  // the optional header, after signature and file header

// Why the file cannot be SETUP.EXE, or empty: it must be a 32-bit x86
// Windows GUI program, not a DLL.
std::string StubFault(const std::vector<std::uint8_t>& b, bool allowX64) {
  const std::size_t pe = PeHeader(b);
  if (pe == 0) return "is no Windows program";
  constexpr std::uint32_t kI386 = 0x14C, kPe32 = 0x10B, kAmd64 = 0x8664, kPe32Plus = 0x20B, kDll = 0x2000,
                          kWindowsGui = 2;
  const bool x64 = Little(b, pe + 4, 2) == kAmd64 && Little(b, pe + kOptional, 2) == kPe32Plus;
  if ((Little(b, pe + 4, 2) != kI386 || Little(b, pe + kOptional, 2) != kPe32) && !(allowX64 && x64)) {
    return "is no 32-bit x86 program (Windows on 32-bit machines could not start it; --allow-x64-stub takes an "
           "x86-64 one for 64-bit Windows only)";
  }
  if ((Little(b, pe + 22, 2) & kDll) != 0) return "is a DLL, no program";
  if (Little(b, pe + kOptional + 68, 2) != kWindowsGui) return "is no Windows program (not a GUI program)";
  return {};
}

}  // namespace

std::vector<std::string> StubCandidates(const std::string& exeDirectory) {
  const std::string dir = IncludeTrailingPathDelimiter(exeDirectory);
  return {dir + "SETUP.EXE", dir + "..\\share\\setup\\SETUP.EXE"};
}

std::string ResolveStub(const std::optional<std::string>& given, const std::string& exeDirectory, bool allowX64) {
  std::string stub;
  if (given) {
    stub = *given;
    if (!FileExists(stub)) throw EFOpenError(ExpandFileName(stub), "The installer program given with --stub does not exist.");
  } else {
    std::string looked;
    for (const auto& candidate : StubCandidates(exeDirectory)) {
      if (FileExists(candidate)) {
        stub = candidate;
        break;
      }
      if (!looked.empty()) looked += ", ";
      looked += '"';
      looked += ExpandFileName(candidate);
      looked += '"';
    }
    if (stub.empty()) {
      throw Exception("Cannot find the installer program SETUP.EXE to ship (looked for " + looked +
                      "); give --stub FILE, or --no-stub to write the data files only");
    }
  }
  if (const std::string fault = StubFault(ReadWholeFile(stub), allowX64); !fault.empty()) {
    throw Exception("\"" + ExpandFileName(stub) + "\" " + fault + "; SETUP.EXE must be the installer");
  }
  return stub;
}

std::string StubWarning(const std::string& stub) {
  const auto b = ReadWholeFile(stub);
  const std::size_t pe = PeHeader(b);
  const std::string promised = std::to_string(kStubWindowsMajor) + "." + std::to_string(kStubWindowsMinor);
  for (const auto& [what, at] : {std::pair<const char*, std::size_t>{"operating-system", 40}, {"subsystem", 48}}) {
    const std::string declared = std::to_string(Little(b, pe + kOptional + at, 2)) + "." +
                                 std::to_string(Little(b, pe + kOptional + at + 2, 2));
    if (declared != promised) {
      std::string message = "\"";  // appended: see Printable
      message += ExpandFileName(stub);
      return message + "\" declares " + what + " version " + declared + ", not " + promised +
             " (Windows XP), the oldest Windows that SETUP.EXE is promised to run on";
    }
  }
  return {};
}

std::vector<std::string> SplitCommand(const std::string& text) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;
  char quote = 0;
  for (const char c : text) {
    if (quote != 0) {
      if (c == quote) {
        quote = 0;
      } else {
        word += c;
      }
    } else if (c == '"' || c == '\'') {
      quote = c;
      inWord = true;
    } else if (c == ' ' || c == '\t') {
      if (inWord) words.push_back(std::move(word));
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (quote != 0) throw UsageError(std::string("--sign-command has an unclosed ") + quote);
  if (inWord) words.push_back(std::move(word));
  if (words.empty()) throw UsageError("--sign-command names no program");
  return words;
}

void ShipStub(const std::string& stub, const std::string& target, const std::optional<Signing>& signing) {
  if (!signing || !signing->command.empty()) WriteWholeFile(target, ReadWholeFile(stub));
  if (!signing) return;
  std::vector<std::string> argv;
  std::string tool;
  if (!signing->command.empty()) {
    // The publisher's tool signs the file in place.
    for (std::string word : signing->command) {
      for (std::size_t at = word.find("{}"); at != std::string::npos; at = word.find("{}", at)) {
        word.replace(at, 2, NativePath(target));
        at += NativePath(target).size();
      }
      argv.push_back(word);
    }
    tool = "the signing command \"" + argv[0] + "\"";
  } else {
    argv = {"osslsigncode", "sign", "-pkcs12", NativePath(signing->pkcs12)};
    if (signing->passwordFile) argv.insert(argv.end(), {"-readpass", NativePath(*signing->passwordFile)});
    argv.insert(argv.end(), {"-n", signing->description, "-h", "sha256"});
    if (signing->timestamp) {
      argv.insert(argv.end(), {"-ts", *signing->timestamp});
    } else if (signing->signingTime) {
      argv.insert(argv.end(), {"-time", std::to_string(*signing->signingTime)});
    }
    argv.insert(argv.end(), {"-in", NativePath(stub), "-out", NativePath(target)});
    tool = "osslsigncode with \"" + ExpandFileName(signing->pkcs12) + "\"";
  }
  std::string output;
  const int status = RunProgram(argv, output);
  if (status == 0) return;
  RemoveFile(target);
  while (!output.empty() && (output.back() == '\n' || output.back() == '\r')) output.pop_back();
  if (status < 0) throw Exception("Cannot sign \"" + ExpandFileName(target) + "\": " + output);
  throw Exception("Cannot sign \"" + ExpandFileName(target) + "\": " + tool + " failed (exit status " +
                  std::to_string(status) + ")" + (output.empty() ? "" : ": " + output));
}

}  // namespace mksetup
