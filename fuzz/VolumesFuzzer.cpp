// Restores an archive of file volumes (see FuzzVolumes.h) into a private
// folder, answering each volume question OK once and Cancel when it comes
// again, as mksetup does without a terminal. Aborts when a file is written
// outside the destination, a percentage leaves 0..100, or a volume changes.
#include <cstdlib>
#include <sstream>

#include "backup/Backup.h"
#include "fuzz/FuzzVolumes.h"
#include "runtime/Exceptions.h"
#include "tools/mksetup/TerminalRestoreUi.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace fuzzing;
  const std::vector<std::string> volumes = WriteVolumes(data, size);
  std::vector<std::int64_t> sizes;
  for (const auto& v : volumes) sizes.push_back(TFileStream(Folder() + v, FileMode::OpenRead).Size());
  const std::string dest = Folder() + "dest";
  const std::string destPrefix = ExpandFileName(dest) + "/";
  std::ostringstream out, err;
  std::istringstream in;
  mksetup::Io io{out, err, false};
  mksetup::TerminalRestoreUi ui(io, in);
  TBackupFile backup;
  backup.SetUi(&ui);
  backup.SetRestoreFullPath(size % 2 == 1);
  backup.SetRestoreMode(static_cast<TRestoreMode>(size / 2 % 5));
  backup.OnProgress = [](TBackupFile&, const std::string&, TPercentage percent, bool&) {
    if (percent > 100) std::abort();
  };
  backup.OnFileRestored = [&](TBackupFile&, std::string& name, std::unique_ptr<TFileStream>&) {
    if (ExpandFileName(name).compare(0, destPrefix.size(), destPrefix) != 0) std::abort();
  };
  try {
    backup.Restore(Folder() + volumes.front(), dest);
  } catch (const Exception&) {
    // Raised errors are one of the engine's two ways to report a fault.
  }
  for (const auto& entry : ListDirectory(Folder())) {
    bool known = entry.name == "dest";
    for (std::size_t i = 0; i < volumes.size(); ++i) {
      if (entry.name == volumes[i]) {
        known = true;
        if (TFileStream(Folder() + entry.name, FileMode::OpenRead).Size() != sizes[i]) std::abort();
      }
    }
    if (!known) std::abort();
  }
  RemoveTree(dest);
  for (const auto& v : volumes) RemoveFile(Folder() + v);
  return 0;
}
