#include "tools/mksetup/Commands.h"

namespace mksetup {

const std::vector<Command>& Commands() {
  static const std::vector<Command> commands = {
      {"script", "compress an INI text into SETUP.INS", ScriptHelp, RunScript},
      {"settings", "print the settings a SETUP.INS yields", SettingsHelp, RunSettings},
  };
  return commands;
}

}  // namespace mksetup
