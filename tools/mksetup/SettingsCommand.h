// mksetup settings: the settings a SETUP.INS yields.
#pragma once

#include <string>
#include <vector>

#include "tools/mksetup/Cli.h"

namespace mksetup {

int RunSettings(const std::vector<std::string>& args, Io& io);
const Command& SettingsCommand();

}  // namespace mksetup
