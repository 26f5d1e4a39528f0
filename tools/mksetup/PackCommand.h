// mksetup pack, and the pieces the tests reach.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/mksetup/ArchiveWriter.h"
#include "tools/mksetup/Cli.h"

namespace mksetup {

int RunPack(const std::vector<std::string>& args, Io& io);
const Command& PackCommand();

class Excludes;

struct PlanOptions {
  std::string outDir;                           // left out of the walk, with a warning
  const Excludes* excludes = nullptr;           // what is left out in silence (--verbose names it)
  std::optional<std::int64_t> sourceDateEpoch;  // dates clamped to it and converted as UTC
};

// The entries for paths: a "FILE:LIST" entry first, then each directory's
// files (recursively, in name order) and each file. Refuses two files that
// share a bare name (the installer writes bare names), and leaves out, with
// a warning, the output folder and what is not a regular file.
std::vector<PackEntry> PlanEntries(const std::vector<std::string>& paths, const PlanOptions& options, Io& io);
std::string SetupIniText(const std::string& app, const std::string& dest, const std::string& title,
                         bool license);

}  // namespace mksetup
