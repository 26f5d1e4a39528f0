// The installer program that mksetup pack ships beside the data files.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "runtime/Sha256.h"

namespace mksetup {

// Where pack looks for SETUP.EXE when no --stub is given, in order: beside
// the mksetup executable (the Windows layout: mksetup.exe and SETUP.EXE in
// one folder), then in ../share/setup/ (the Unix layout: bin/mksetup and
// share/setup/SETUP.EXE, as `cmake --install` lays them out).
std::vector<std::string> StubCandidates(const std::string& exeDirectory);

// The stub to ship: the given one, or the first candidate that exists.
// Raises an Exception naming the places looked at when there is none, or
// when the file is no 32-bit x86 Windows GUI program (a DLL neither);
// allowX64 accepts an x86-64 one too (for test machines without 32-bit
// support: such a package runs on 64-bit Windows only).
std::string ResolveStub(const std::optional<std::string>& given, const std::string& exeDirectory,
                        bool allowX64 = false);

// The Windows version that SETUP.EXE promises to run on: XP.
inline constexpr int kStubWindowsMajor = 5, kStubWindowsMinor = 1;
// A warning when the stub's header declares another minimum Windows than
// kStubWindows*, as operating-system or as subsystem version; else empty.
std::string StubWarning(const std::string& stub);

// How SETUP.EXE is signed: with a PKCS#12 file through osslsigncode, or
// by a command of the publisher's choice (a hardware token, a key service).
struct Signing {
  std::string pkcs12;                       // certificate and key (osslsigncode)
  std::optional<std::string> passwordFile;  // the PKCS#12 password, first line
  std::string description;                  // shown by Windows' consent prompt
  std::optional<std::string> timestamp;     // an RFC 3161 time-stamping authority's URL
  std::optional<std::int64_t> signingTime;  // without a timestamp: the signing time (seconds since 1970)
  std::vector<std::string> command;         // instead of osslsigncode: the words of the command, {} the file
};

// The hashes of the data files that SETUP.EXE checks before it trusts them
// (runtime/PackageHashes.h).
struct DataHashes {
  Sha256Digest script;                  // SETUP.INS
  std::optional<Sha256Digest> licence;  // LICENSE.TXT, when shipped
  std::vector<Sha256Digest> volumes;    // SETUP.Z, SETUP.002, ...
};

// The file offset of the hash block in a Windows program: the RCDATA
// resource package_hashes::kResourceId, found through the PE resource
// directory, with the block's magic and room for every hash; nullopt when
// the program has none.
std::optional<std::size_t> FindHashBlock(const std::vector<std::uint8_t>& program);
// Writes the hashes into the block at offset at (from FindHashBlock); no
// volumes leave it unfilled. Raises an Exception for more volumes than the
// block has room for.
void FillHashBlock(std::vector<std::uint8_t>& program, std::size_t at, const DataHashes& hashes);
// A warning when the stub has no hash block (the installer will not check
// its data files); else empty.
std::string HashBlockWarning(const std::string& stub);

// Writes the stub as target, with the hashes filled in when given and the
// stub has a block for them (more volumes than it has room for raise an
// Exception), then signed when signing is given, so that the signature
// covers the hashes. target is a file of pack's staging folder, moved into
// place with the rest; on a failure it is removed and the Exception quotes
// what the signing tool printed.
void ShipStub(const std::string& stub, const std::string& target, const std::optional<Signing>& signing,
              const DataHashes* hashes = nullptr);

// The words of a command line, split at blanks without a shell: "..." and
// '...' keep blanks in a word, nothing else is special. Raises UsageError
// on an unclosed quote or an empty command.
std::vector<std::string> SplitCommand(const std::string& text);

// Runs a program found on PATH with these arguments, no shell between:
// its exit status, or -1 when it cannot be started. Its standard output and
// error are returned in output.
int RunProgram(const std::vector<std::string>& argv, std::string& output);

}  // namespace mksetup
