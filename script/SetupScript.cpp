#include "script/SetupScript.h"

#include <exception>

#include "runtime/Exceptions.h"
#include "runtime/FileSystem.h"
#include "runtime/IniFile.h"
#include "runtime/ZLibStream.h"

void THiddenMemo::SetText(std::string_view text) {
  std::string converted = ToMemoText(text);
  if (converted.size() > capacity_) throw EInvalidOperation("Text exceeds memo capacity");
  text_ = std::move(converted);
}

void DecompressScript(TStream& input, TMemoryStream& buffer) {
  TDecompressionStream unpacker(input);
  char piece[1024];
  for (;;) {
    const std::size_t n = unpacker.Read(piece, sizeof piece);
    buffer.WriteBuffer(piece, n);
    if (n == 0) break;
  }
}

namespace {

// Unpacks the script into the view. An open failure is raised; a failure
// after the file is open is handed back, so that the caller can write the
// temporary script first. The file and the buffer are released on return.
std::exception_ptr UnpackIntoView(const std::string& scriptPath, IScriptView& view) {
  TFileStream input(scriptPath, FileMode::OpenRead);
  TMemoryStream buffer;
  try {
    DecompressScript(input, buffer);
    buffer.SetPosition(0);
    const auto& bytes = buffer.Bytes();
    view.SetText(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  } catch (...) {
    return std::current_exception();
  }
  return nullptr;
}

}  // namespace

void LoadSetupScriptFile(const std::string& scriptPath, IScriptView& view,
                         const std::string& tempScriptPath) {
  const std::exception_ptr failure = UnpackIntoView(scriptPath, view);
  const std::string text = view.Text();
  {
    TFileStream output(tempScriptPath, FileMode::Create);
    output.WriteBuffer(text.data(), text.size());
  }
  if (failure) std::rethrow_exception(failure);
}

bool LoadSetupScript(const std::string& exeDirectory, IScriptView& view,
                     const std::string& tempScriptPath) {
  const std::string path = exeDirectory + kScriptFileName;
  if (!FileExists(path)) return false;
  LoadSetupScriptFile(path, view, tempScriptPath);
  return true;
}

std::string ReadSetupSetting(const std::string& key, const std::string& tempScriptPath) {
  return TIniFile(tempScriptPath).ReadString("Setup", key, "");
}
