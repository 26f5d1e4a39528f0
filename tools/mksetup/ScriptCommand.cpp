// mksetup script.
#include <ostream>

#include "runtime/Exceptions.h"
#include "tools/mksetup/ScriptCommand.h"
#include "tools/mksetup/WholeFiles.h"

namespace mksetup {

int RunScript(const std::vector<std::string>& args, Io& io) {
  const Options options(args, {"-o", "--output"}, {});
  if (options.Help()) {
    io.out << ScriptHelp;
    return kOk;
  }
  if (options.Positional().size() != 1) throw UsageError("expects one INI file");
  auto output = options.Value("-o");
  if (!output) output = options.Value("--output");
  if (!output) throw UsageError("needs -o SETUP.INS");
  try {
    WriteWholeFile(*output, CompressScript(ReadWholeFile(options.Positional()[0])));
    return kOk;
  } catch (const Exception& e) {
    io.err << "mksetup script: " << e.Message() << "\n";
    return kFailed;
  }
}

const char* const ScriptHelp =
    "usage: mksetup script INI_FILE -o SETUP.INS\n\n"
    "Compresses an INI text (with a [Setup] section holding App101,\n"
    "DestDir102, Title103 and License) into a setup script file.\n\n"
    "Options:\n"
    "  -o, --output FILE   the SETUP.INS to write\n";

}  // namespace mksetup
