// The table of mksetup's commands, which Main runs.
#include "tools/mksetup/Cli.h"
#include "tools/mksetup/ExtractCommand.h"
#include "tools/mksetup/ListCommand.h"
#include "tools/mksetup/PackCommand.h"
#include "tools/mksetup/ScriptCommand.h"
#include "tools/mksetup/SettingsCommand.h"

namespace mksetup {

const std::vector<Command>& Commands() {
  static const std::vector<Command> commands = {
      {"script", "compress an INI text into SETUP.INS", ScriptHelp, RunScript},
      {"settings", "print the settings a SETUP.INS yields", SettingsHelp, RunSettings},
      {"pack", "pack files into SETUP.Z (and volumes) and SETUP.INS", PackHelp, RunPack},
      {"list", "list (and --check) the entries of an archive", ListHelp, RunList},
      {"extract", "restore an archive as the installer does", ExtractHelp, RunExtract},
  };
  return commands;
}

}  // namespace mksetup
