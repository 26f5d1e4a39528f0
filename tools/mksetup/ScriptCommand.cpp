// mksetup script.
#include <cctype>
#include <ostream>

#include "runtime/Exceptions.h"
#include "runtime/FileSystem.h"
#include "tools/mksetup/InstallerNames.h"
#include "tools/mksetup/ScriptCommand.h"
#include "tools/mksetup/WholeFiles.h"

namespace mksetup {

namespace {

// True when a line of the INI text names the section (letter case ignored).
bool HasSection(const std::string& text, const std::string& section) {
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    const auto first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line[first] != '[') continue;
    const auto close = line.find(']', first);
    if (close == std::string::npos) continue;
    std::string name = line.substr(first + 1, close - first - 1);
    if (name.size() != section.size()) continue;
    bool same = true;
    for (std::size_t i = 0; i < name.size(); ++i) {
      same = same && std::tolower(static_cast<unsigned char>(name[i])) == std::tolower(static_cast<unsigned char>(section[i]));
    }
    if (same) return true;
  }
  return false;
}

}  // namespace

int RunScript(const std::vector<std::string>& args, Io& io) {
  const Options options(args, ScriptCommand());
  if (options.Positional().size() != 1) throw UsageError("expects one INI file");
  auto output = options.Value("-o");
  if (!output) output = options.Value("--output");
  if (!output) throw UsageError("needs -o SETUP.INS");
  const std::string& input = options.Positional()[0];
  try {
    const auto bytes = ReadWholeFile(input);
    std::string text(bytes.begin(), bytes.end());
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
    const auto converted = Utf8ToInstallerCodePage(text);
    if (!converted) {
      throw Exception("\"" + ExpandFileName(input) +
                      "\" is not UTF-8 text, or holds characters outside the installer's code page (Windows-1252)");
    }
    if (!HasSection(*converted, "Setup")) {
      throw Exception("\"" + ExpandFileName(input) + "\" has no [Setup] section, so the installer would show no settings");
    }
    WriteWholeFile(*output, CompressScript(std::vector<std::uint8_t>(converted->begin(), converted->end())));
    return kOk;
  } catch (const Exception& e) {
    io.err << "mksetup script: " << e.Message() << "\n";
    return kFailed;
  }
}

const Command& ScriptCommand() {
  static const Command command = {
      "script",
      "compress an INI text into SETUP.INS",
      "usage: mksetup script INI_FILE -o SETUP.INS\n\n"
      "Compresses an INI text (with a [Setup] section holding App101,\n"
      "DestDir102, Title103 and License) into a setup script file. The text\n"
      "is read as UTF-8 and stored in Windows-1252, the installer's code page;\n"
      "a text outside it, or without a [Setup] section, is refused.\n",
      {{"-o, --output", "FILE", "the SETUP.INS to write"}},
      "",
      RunScript};
  return command;
}

}  // namespace mksetup
