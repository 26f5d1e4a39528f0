// Loads a setup script given as bytes, as the installer does, and reads its
// settings, in a private folder that is emptied after every input.
#include <cstdint>
#include <string>

#include "runtime/Exceptions.h"
#include "runtime/FileSystem.h"
#include "runtime/Streams.h"
#include "script/SetupScript.h"

namespace {

const std::string& Folder() {
  static const std::string folder = MakeTempDirectory();
  return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string script = Folder() + kScriptFileName;
  const std::string temp = Folder() + "SETUP1.TMP";
  {
    TFileStream out(script, FileMode::Create);
    out.WriteBuffer(data, size);
  }
  THiddenMemo view;
  try {
    if (LoadSetupScript(Folder(), view, temp)) {
      for (const char* key : {"App101", "DestDir102", "Title103", "License"}) {
        if (ReadSetupSetting(key, temp).size() > 2047) __builtin_trap();
      }
    }
  } catch (const Exception&) {
    // A script that does not inflate is reported by a raised error.
  }
  RemoveFile(script);
  RemoveFile(temp);
  return 0;
}
