// mksetup pack, and the pieces the tests reach.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "tools/mksetup/ArchiveWriter.h"
#include "tools/mksetup/Cli.h"

namespace mksetup {

int RunPack(const std::vector<std::string>& args, Io& io);
extern const char* const PackHelp;

// The entries for paths: a "FILE:LIST" entry first, then each directory's
// files (recursively, in name order) and each file. Warns on warnings about
// files that share a bare name, and leaves out, with a warning, the output
// folder outDir and what is not a regular file.
std::vector<PackEntry> PlanEntries(const std::vector<std::string>& paths, const std::string& outDir,
                                   std::ostream& warnings);
std::string SetupIniText(const std::string& app, const std::string& dest, const std::string& title,
                         bool license);

}  // namespace mksetup
