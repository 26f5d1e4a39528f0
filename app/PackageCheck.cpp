#include "app/PackageCheck.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "runtime/FileSystem.h"
#include "runtime/PackageHashes.h"
#include "runtime/Paths.h"
#include "runtime/Sha256.h"
#include "runtime/Streams.h"

namespace {

namespace ph = package_hashes;

// The block in this program's resources; nullptr when it has none or it is
// unfilled.
const std::uint8_t* FilledBlock() {
  const HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(ph::kResourceId), MAKEINTRESOURCEA(10));  // RCDATA
  if (found == nullptr) return nullptr;
  const HGLOBAL loaded = LoadResource(nullptr, found);
  const auto* block = loaded ? static_cast<const std::uint8_t*>(LockResource(loaded)) : nullptr;
  if (block == nullptr || !ph::IsBlock(block, SizeofResource(nullptr, found))) return nullptr;
  return ph::Volumes(block) == 0 ? nullptr : block;
}

// The slot of a data file's name in a filled block; nullopt for a name it
// does not list.
std::optional<std::size_t> SlotOf(const std::uint8_t* block, const std::string& path) {
  std::string name = ExtractFileName(path);
  std::transform(name.begin(), name.end(), name.begin(), [](char c) { return c >= 'a' && c <= 'z' ? c - 32 : c; });
  if (name == "SETUP.INS") return ph::kScriptSlot;
  if (name == "LICENSE.TXT") return ph::HasLicence(block) ? std::optional<std::size_t>(ph::kLicenceSlot) : std::nullopt;
  std::size_t volume = 0;
  if (name == "SETUP.Z") {
    volume = 1;
  } else if (name.size() == 9 && name.compare(0, 6, "SETUP.") == 0 &&
             std::all_of(name.begin() + 6, name.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    volume = static_cast<std::size_t>(std::stoi(name.substr(6)));
  }
  if (volume < 1 || volume > ph::Volumes(block) || volume > ph::kMaxVolumes) return std::nullopt;
  return ph::VolumeSlot(volume);
}

// The file, open against writers, when its hash is the one expected; null
// when it is not, or when it cannot be read or hashed (no SHA-256 before XP
// SP3, another program writing it).
std::unique_ptr<TFileStream> HeldIfHashIs(const std::string& path, const std::uint8_t* expected) {
  try {
    auto file = std::make_unique<TFileStream>(path, FileMode::OpenReadHeld);
    const Sha256Digest digest = Sha256DigestOf(*file);
    if (std::equal(digest.begin(), digest.end(), expected)) return file;
  } catch (const std::exception&) {
  }
  return nullptr;
}

// The files found good, each held open until it is let go of.
struct MatchedFile {
  std::string path;
  std::unique_ptr<TFileStream> held;
};

std::vector<MatchedFile>& Matched() {
  static std::vector<MatchedFile> matched;
  return matched;
}

}  // namespace

bool DataFileMatches(const std::string& path) {
  const std::uint8_t* block = FilledBlock();
  // A missing file is reported where it is opened, as without a block.
  if (block == nullptr || !FileExists(path)) return true;
  auto& matched = Matched();
  if (std::any_of(matched.begin(), matched.end(), [&](const MatchedFile& m) { return m.path == path; })) return true;
  const std::optional<std::size_t> slot = SlotOf(block, path);
  if (!slot) return false;
  auto held = HeldIfHashIs(path, block + ph::SlotOffset(*slot));
  if (!held) return false;
  matched.push_back({path, std::move(held)});
  return true;
}

void LetGoOfDataFile(const std::string& path) {
  auto& matched = Matched();
  matched.erase(std::remove_if(matched.begin(), matched.end(), [&](const MatchedFile& m) { return m.path == path; }),
                matched.end());
}

void LetGoOfDataFiles() { Matched().clear(); }

bool FirstVolumesMatch(const std::string& firstVolume, std::string& failed) {
  std::vector<std::string> volumes = {firstVolume};
  if (const std::uint8_t* block = FilledBlock()) {
    for (std::uint32_t v = 2; v <= ph::Volumes(block) && v <= ph::kMaxVolumes; ++v) {
      char extension[8];
      wsprintfA(extension, ".%03u", static_cast<unsigned>(v));
      volumes.push_back(ChangeFileExt(firstVolume, extension));
    }
    // Later volumes on other disks are checked when they are opened.
    if (!std::all_of(volumes.begin() + 1, volumes.end(), [](const std::string& p) { return FileExists(p); })) {
      volumes.resize(1);
    }
  }
  for (const auto& volume : volumes) {
    if (!DataFileMatches(volume)) {
      failed = volume;
      return false;
    }
  }
  return true;
}
