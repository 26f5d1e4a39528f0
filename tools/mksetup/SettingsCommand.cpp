// mksetup settings.
#include <ostream>

#include "runtime/Exceptions.h"
#include "runtime/FileSystem.h"
#include "runtime/Streams.h"
#include "script/SetupScript.h"
#include "tools/mksetup/InstallerNames.h"
#include "tools/mksetup/SettingsCommand.h"

namespace mksetup {

namespace {

// Removes the private temporary folder however the command ends.
class TempFolder {
 public:
  TempFolder() : path_(MakeTempDirectory()) {}
  ~TempFolder() { RemoveTree(path_); }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace

int RunSettings(const std::vector<std::string>& args, Io& io) {
  const Options options(args, SettingsCommand());
  if (options.Positional().size() != 1) throw UsageError("expects one SETUP.INS file");
  const std::string& script = options.Positional()[0];
  try {
    if (!FileExists(script)) {
      throw EFOpenError(ExpandFileName(script), "The file does not exist.");
    }
    TempFolder temp;
    const std::string tempScript = temp.Path() + "SETUP1.TMP";
    THiddenMemo view;
    LoadSetupScriptFile(script, view, tempScript);
    for (const char* key : {"App101", "DestDir102", "Title103", "License"}) {
      io.out << key << "=" << ShownText(ReadSetupSetting(key, tempScript)) << "\n";
    }
    return kOk;
  } catch (const EZlibError&) {
    io.err << "mksetup settings: Cannot decompress \"" << ExpandFileName(script)
           << "\": it is damaged or not one zlib stream (zlib reports \"Error\")\n";
    return kFailed;
  } catch (const Exception& e) {
    io.err << "mksetup settings: " << e.Message();
    if (e.Message().find(ExpandFileName(script)) == std::string::npos) io.err << " (in \"" << ExpandFileName(script) << "\")";
    io.err << "\n";
    return kFailed;
  }
}

const Command& SettingsCommand() {
  static const Command command = {
      "settings",
      "print the settings a SETUP.INS yields",
      "usage: mksetup settings SETUP.INS\n\n"
      "Loads the setup script exactly as the installer does and prints the\n"
      "settings it yields, one per line: App101, DestDir102, Title103, License\n"
      "(on Linux in UTF-8; control characters as \\xNN).\n",
      {},
      "Exit status: 0 printed, 1 the script cannot be loaded (the error's\n"
      "message goes to standard error), 2 wrong command line.\n",
      RunSettings};
  return command;
}

}  // namespace mksetup
