// mksetup settings | script: the setup script.
#include <zlib.h>

#include <fstream>
#include <ostream>
#include <sstream>

#include "runtime/Exceptions.h"
#include "runtime/FileSystem.h"
#include "runtime/Streams.h"
#include "script/SetupScript.h"
#include "tools/mksetup/ScriptCommands.h"

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

std::vector<std::uint8_t> ReadWholeFile(const std::string& path) {
  TFileStream in(path, FileMode::OpenRead);
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(in.Size()));
  in.ReadBuffer(bytes.data(), bytes.size());
  return bytes;
}

void WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  TFileStream out(path, FileMode::Create);
  out.WriteBuffer(bytes.data(), bytes.size());
}

std::vector<std::uint8_t> CompressScript(const std::vector<std::uint8_t>& text) {
  uLongf size = compressBound(static_cast<uLong>(text.size()));
  std::vector<std::uint8_t> packed(size);
  if (compress2(packed.data(), &size, text.data(), static_cast<uLong>(text.size()),
                Z_BEST_COMPRESSION) != Z_OK) {
    throw Exception("Cannot compress the setup script");
  }
  packed.resize(size);
  return packed;
}

int RunSettings(const std::vector<std::string>& args, Io& io) {
  const Options options(args, {}, {});
  if (options.Help()) {
    io.out << SettingsHelp;
    return kOk;
  }
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
      io.out << key << "=" << ReadSetupSetting(key, tempScript) << "\n";
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

const char* const SettingsHelp =
    "usage: mksetup settings SETUP.INS\n\n"
    "Loads the setup script exactly as the installer does and prints the\n"
    "settings it yields, one per line: App101, DestDir102, Title103, License.\n"
    "On failure the error's message goes to standard error and the exit\n"
    "status is 1.\n";

const char* const ScriptHelp =
    "usage: mksetup script INI_FILE -o SETUP.INS\n\n"
    "Compresses an INI text (with a [Setup] section holding App101,\n"
    "DestDir102, Title103 and License) into a setup script file.\n\n"
    "Options:\n"
    "  -o, --output FILE   the SETUP.INS to write\n";

}  // namespace mksetup
