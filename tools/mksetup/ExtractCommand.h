// mksetup extract: an archive restored as the installer restores it.
#pragma once

#include <string>
#include <vector>

#include "tools/mksetup/Cli.h"

namespace mksetup {

int RunExtract(const std::vector<std::string>& args, Io& io);
const Command& ExtractCommand();

}  // namespace mksetup
