// Restores an archive given as bytes (through ":STREAM") into a private
// folder that is emptied after every input. Aborts when a file is written
// outside the destination or a percentage leaves 0..100.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "backup/Backup.h"
#include "runtime/Exceptions.h"
#include "runtime/FileSystem.h"

namespace {

const std::string& Folder() {
  static const std::string folder = MakeTempDirectory();
  return folder;
}

bool Inside(const std::string& path, const std::string& dir) {
  const std::string full = ExpandFileName(path);
  return full.compare(0, dir.size(), dir) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string dest = Folder() + "dest";
  const std::string destPrefix = ExpandFileName(dest) + "/";
  TMemoryStream stream(std::vector<std::uint8_t>(data, data + size));
  TBackupFile backup;
  backup.SetArchiveStream(&stream);
  // The input's size picks the options, so that every archive is tried with
  // each of them as the corpus grows.
  backup.SetRestoreFullPath(size % 2 == 1);
  backup.SetRestoreMode(static_cast<TRestoreMode>(size / 2 % 5));
  backup.OnProgress = [](TBackupFile&, const std::string&, TPercentage percent, bool&) {
    if (percent > 100) std::abort();
  };
  backup.OnFileRestored = [&](TBackupFile&, std::string& name, std::unique_ptr<TFileStream>&) {
    if (!Inside(name, destPrefix)) std::abort();
  };
  try {
    backup.Restore(":STREAM", dest);
  } catch (const Exception&) {
    // Raised errors are one of the engine's two ways to report a fault.
  }
  for (const auto& entry : ListDirectory(Folder())) {
    if (entry.name != "dest") std::abort();
  }
  RemoveTree(dest);
  return 0;
}
