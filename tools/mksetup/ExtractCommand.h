// mksetup extract: an archive restored as the installer restores it.
#pragma once

#include <string>
#include <vector>

#include "tools/mksetup/Cli.h"

namespace mksetup {

// Exit statuses of extract.
enum ExtractStatus { kExtractFailed = 1, kExtractRaised = 2, kExtractCancelled = 3 };

int RunExtract(const std::vector<std::string>& args, Io& io);
extern const char* const ExtractHelp;

}  // namespace mksetup
