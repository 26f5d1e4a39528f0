#include "tools/mksetup/Stub.h"

#include <cstdint>
#include <cstring>

#include "runtime/Exceptions.h"
#include "runtime/FileSystem.h"
#include "runtime/Paths.h"
#include "runtime/Streams.h"
#include "tools/mksetup/WholeFiles.h"

namespace mksetup {

namespace {

std::uint32_t Little(const std::vector<std::uint8_t>& b, std::size_t at, int bytes) {
  std::uint32_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = value << 8 | b[at + static_cast<std::size_t>(i)];
  return value;
}

// A Windows GUI program: "MZ", a PE header, the GUI subsystem.
bool IsWindowsProgram(const std::vector<std::uint8_t>& b) {
  if (b.size() < 64 || b[0] != 'M' || b[1] != 'Z') return false;
  const std::size_t pe = Little(b, 60, 4);
  if (pe > b.size() || b.size() - pe < 24 + 70) return false;
  if (std::memcmp(&b[pe], "PE\0\0", 4) != 0) return false;
  constexpr std::size_t kSubsystem = 24 + 68;  // in the optional header, 32 and 64 bit alike
  constexpr std::uint32_t kWindowsGui = 2;
  return Little(b, pe + kSubsystem, 2) == kWindowsGui;
}

}  // namespace

std::vector<std::string> StubCandidates(const std::string& exeDirectory) {
  const std::string dir = IncludeTrailingPathDelimiter(exeDirectory);
  return {dir + "SETUP.EXE", dir + "..\\share\\setup\\SETUP.EXE"};
}

std::string ResolveStub(const std::optional<std::string>& given, const std::string& exeDirectory) {
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
  if (!IsWindowsProgram(ReadWholeFile(stub))) {
    throw Exception("\"" + ExpandFileName(stub) + "\" is no Windows program; SETUP.EXE must be the installer");
  }
  return stub;
}

void ShipStub(const std::string& stub, const std::string& target, const std::optional<Signing>& signing) {
  if (!signing) {
    WriteWholeFile(target, ReadWholeFile(stub));
    return;
  }
  std::vector<std::string> argv = {"osslsigncode", "sign", "-pkcs12", NativePath(signing->pkcs12)};
  if (signing->passwordFile) {
    argv.insert(argv.end(), {"-readpass", NativePath(*signing->passwordFile)});
  }
  argv.insert(argv.end(), {"-n", signing->description, "-h", "sha256", "-in", NativePath(stub), "-out",
                           NativePath(target)});
  std::string output;
  const int status = RunProgram(argv, output);
  if (status == 0) return;
  RemoveFile(target);
  while (!output.empty() && (output.back() == '\n' || output.back() == '\r')) output.pop_back();
  if (status < 0) throw Exception("Cannot sign \"" + ExpandFileName(target) + "\": " + output);
  throw Exception("Cannot sign \"" + ExpandFileName(target) + "\" with \"" + ExpandFileName(signing->pkcs12) +
                  "\": osslsigncode failed (exit status " + std::to_string(status) + ")" +
                  (output.empty() ? "" : ": " + output));
}

}  // namespace mksetup
