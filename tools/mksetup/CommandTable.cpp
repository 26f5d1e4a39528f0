// The table of mksetup's commands, which Main runs.
#include "tools/mksetup/Cli.h"
#include "tools/mksetup/ExtractCommand.h"
#include "tools/mksetup/ListCommand.h"
#include "tools/mksetup/PackCommand.h"
#include "tools/mksetup/ScriptCommand.h"
#include "tools/mksetup/SettingsCommand.h"

namespace mksetup {

const std::vector<Command>& Commands() {
  static const std::vector<Command> commands = {ScriptCommand(), SettingsCommand(), PackCommand(), ListCommand(),
                                                ExtractCommand()};
  return commands;
}

}  // namespace mksetup
