// mksetup list: the entries of an archive, and with --check its faults.
#pragma once

#include <string>
#include <vector>

#include "tools/mksetup/Cli.h"

namespace mksetup {

int RunList(const std::vector<std::string>& args, Io& io);
const Command& ListCommand();
// list [--check] [--json] of the archive whose first volume is path: its
// exit status.
int ListArchive(const std::string& path, bool check, Io& io, bool json = false);

}  // namespace mksetup
