// mksetup script: an INI text compressed into SETUP.INS.
#pragma once

#include <string>
#include <vector>

#include "tools/mksetup/Cli.h"

namespace mksetup {

int RunScript(const std::vector<std::string>& args, Io& io);
const Command& ScriptCommand();

}  // namespace mksetup
