// Runs mksetup list --check over an archive of file volumes (see
// FuzzVolumes.h). The walk must end, with status 0 or 1, and say something
// on a failure.
#include <cstdlib>
#include <sstream>

#include "fuzz/FuzzVolumes.h"
#include "tools/mksetup/ListCommand.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace fuzzing;
  const std::vector<std::string> volumes = WriteVolumes(data, size);
  std::ostringstream out, err;
  mksetup::Io io{out, err, false};
  const int status = mksetup::ListArchive(Folder() + volumes.front(), size % 2 == 1, io);
  if (status != 0 && status != 1) std::abort();
  if (status == 1 && err.str().empty()) std::abort();
  for (const auto& v : volumes) RemoveFile(Folder() + v);
  return 0;
}
