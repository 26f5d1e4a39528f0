#include "tools/mksetup/Stub.h"

#include <cstdint>
#include <algorithm>
#include <cstring>

#include "runtime/Exceptions.h"
#include "runtime/FileSystem.h"
#include "runtime/PackageHashes.h"
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

// Whether n bytes at at lie inside b.
bool Inside(const std::vector<std::uint8_t>& b, std::size_t at, std::size_t n) { return at <= b.size() && n <= b.size() - at; }

// The file offset of n bytes at the relative virtual address rva, read
// from the section that holds them in the file; 0 when none does.
std::size_t FileOffsetOf(const std::vector<std::uint8_t>& b, std::size_t pe, std::uint32_t rva, std::size_t n) {
  const std::size_t sections = Little(b, pe + 6, 2);
  const std::size_t table = pe + kOptional + Little(b, pe + 20, 2);
  for (std::size_t i = 0; i < sections; ++i) {
    const std::size_t s = table + i * 40;
    if (!Inside(b, s, 40)) return 0;
    const std::uint32_t address = Little(b, s + 12, 4), raw = Little(b, s + 16, 4), at = Little(b, s + 20, 4);
    if (rva < address || rva - address >= raw || n > raw - (rva - address)) continue;
    const std::size_t offset = std::size_t{at} + (rva - address);
    return Inside(b, offset, n) ? offset : 0;
  }
  return 0;
}

// In the resource directory table at dir (an offset in the file, root the
// resource section's start): what the entry with this id leads to (the
// subdirectory's file offset when subdirectory, else the data entry's), or
// 0. A negative id takes the first entry.
std::size_t ResourceEntry(const std::vector<std::uint8_t>& b, std::size_t root, std::size_t dir, int id,
                          bool subdirectory) {
  if (!Inside(b, dir, 16)) return 0;
  const std::size_t named = Little(b, dir + 12, 2), ids = Little(b, dir + 14, 2);
  for (std::size_t i = id < 0 ? 0 : named; i < named + ids; ++i) {
    const std::size_t e = dir + 16 + i * 8;
    if (!Inside(b, e, 8)) return 0;
    if (id >= 0 && Little(b, e, 4) != static_cast<std::uint32_t>(id)) continue;
    const std::uint32_t to = Little(b, e + 4, 4);
    if (((to & 0x80000000U) != 0) != subdirectory) return 0;
    return root + (to & 0x7FFFFFFFU);
  }
  return 0;
}

}  // namespace

std::optional<std::size_t> FindHashBlock(const std::vector<std::uint8_t>& b) {
  const std::size_t pe = PeHeader(b);
  if (pe == 0) return std::nullopt;
  const std::uint32_t magic = Little(b, pe + kOptional, 2);
  if (magic != 0x10B && magic != 0x20B) return std::nullopt;
  // The data directories follow the optional header's fixed part; the
  // resource table is the third.
  const std::size_t directories = pe + kOptional + (magic == 0x10B ? 96 : 112);
  if (!Inside(b, directories - 4, 4) || Little(b, directories - 4, 4) < 3 || !Inside(b, directories + 16, 8)) {
    return std::nullopt;
  }
  const std::uint32_t rva = Little(b, directories + 16, 4), size = Little(b, directories + 20, 4);
  if (rva == 0 || size < 16) return std::nullopt;
  const std::size_t root = FileOffsetOf(b, pe, rva, 16);
  if (root == 0) return std::nullopt;
  constexpr int kRcData = 10;
  const std::size_t types = ResourceEntry(b, root, root, kRcData, true);
  const std::size_t names = types == 0 ? 0 : ResourceEntry(b, root, types, package_hashes::kResourceId, true);
  const std::size_t data = names == 0 ? 0 : ResourceEntry(b, root, names, -1, false);
  if (data == 0 || !Inside(b, data, 16)) return std::nullopt;
  const std::uint32_t blockSize = Little(b, data + 4, 4);
  const std::size_t block = FileOffsetOf(b, pe, Little(b, data, 4), blockSize);
  if (block == 0 || !package_hashes::IsBlock(&b[block], blockSize)) return std::nullopt;
  return block;
}

void FillHashBlock(std::vector<std::uint8_t>& program, std::size_t block, const DataHashes& hashes) {
  namespace ph = package_hashes;
  if (hashes.volumes.size() > ph::kMaxVolumes) {
    throw Exception("The archive takes " + std::to_string(hashes.volumes.size()) + " volumes, more than the " +
                    std::to_string(ph::kMaxVolumes) + " whose hashes SETUP.EXE has room for; give a larger --volume-size");
  }
  std::uint8_t* at = &program[block];
  std::fill(at + ph::kHeaderSize, at + ph::kBlockSize, std::uint8_t{0});
  const auto put = [at](std::size_t slot, const Sha256Digest& digest) {
    std::copy(digest.begin(), digest.end(), at + ph::SlotOffset(slot));
  };
  put(ph::kScriptSlot, hashes.script);
  if (hashes.licence) put(ph::kLicenceSlot, *hashes.licence);
  for (std::size_t v = 0; v < hashes.volumes.size(); ++v) put(ph::VolumeSlot(v + 1), hashes.volumes[v]);
  ph::WriteField(at, 16, static_cast<std::uint32_t>(hashes.volumes.size()));
  ph::WriteField(at, 20, hashes.licence ? 1 : 0);
}

std::string HashBlockWarning(const std::string& stub) {
  if (FindHashBlock(ReadWholeFile(stub))) return {};
  std::string message = "\"";  // appended: see Printable
  message += ExpandFileName(stub);
  return message +
         "\" has no room for the hashes of the data files; it is shipped without them, and it will install "
         "whatever data files lie beside it without checking them";
}

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

void ShipStub(const std::string& stub, const std::string& target, const std::optional<Signing>& signing,
              const DataHashes* hashes) {
  std::vector<std::uint8_t> program = ReadWholeFile(stub);
  const std::optional<std::size_t> block = hashes ? FindHashBlock(program) : std::nullopt;
  if (block) FillHashBlock(program, *block, *hashes);
  // osslsigncode writes the signed copy beside the filled one.
  const bool inPlace = !signing || !signing->command.empty();
  const std::string filled = inPlace ? target : target + ".unsigned";
  WriteWholeFile(filled, program);
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
    argv.insert(argv.end(), {"-in", NativePath(filled), "-out", NativePath(target)});
    tool = "osslsigncode with \"" + ExpandFileName(signing->pkcs12) + "\"";
  }
  std::string output;
  const int status = RunProgram(argv, output);
  if (!inPlace) RemoveFile(filled);
  if (status == 0) return;
  RemoveFile(target);
  while (!output.empty() && (output.back() == '\n' || output.back() == '\r')) output.pop_back();
  if (status < 0) throw Exception("Cannot sign \"" + ExpandFileName(target) + "\": " + output);
  throw Exception("Cannot sign \"" + ExpandFileName(target) + "\": " + tool + " failed (exit status " +
                  std::to_string(status) + ")" + (output.empty() ? "" : ": " + output));
}

}  // namespace mksetup
