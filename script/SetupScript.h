// The setup script: SETUP.INS (one zlib stream holding INI text) unpacked
// into the temporary setup script, and the settings read from it.
#pragma once

#include <string>
#include <string_view>

#include "runtime/Streams.h"
#include "runtime/Text.h"

// The path the installer writes the temporary setup script to.
inline constexpr const char* kTempScriptPath = "C:\\SETUP1.TMP";
inline constexpr const char* kScriptFileName = "SETUP.INS";

// The multi-line text view the script text passes through on its way to the
// temporary setup script. Setting the text converts it as the view does:
// cut at the first NUL, every line break made CR LF.
class IScriptView {
 public:
  virtual ~IScriptView() = default;
  // Raises EInvalidOperation "Text exceeds memo capacity" when the view
  // cannot take the text; the text is then unchanged.
  virtual void SetText(std::string_view text) = 0;
  virtual std::string Text() const = 0;
};

// A view without a window, holding "Memo1" CR LF until it is given a text.
class THiddenMemo : public IScriptView {
 public:
  static constexpr std::size_t kDefaultCapacity = 0x7FFFFFFE;
  explicit THiddenMemo(std::size_t capacity = kDefaultCapacity) : capacity_(capacity) {}
  void SetText(std::string_view text) override;
  std::string Text() const override { return text_; }

 private:
  std::size_t capacity_;
  std::string text_ = "Memo1\r\n";
};

// Appends the whole uncompressed data of the zlib stream read from input to
// buffer, in pieces of at most 1024 bytes.
void DecompressScript(TStream& input, TMemoryStream& buffer);

// Looks for SETUP.INS in exeDirectory (which ends in a separator). Returns
// false when there is none. Otherwise unpacks it through view into the
// temporary setup script at tempScriptPath and returns true. The temporary
// script is written also when unpacking fails (then with the view's earlier
// text) before the error goes on; a failure to create it replaces an earlier
// error.
bool LoadSetupScript(const std::string& exeDirectory, IScriptView& view,
                     const std::string& tempScriptPath);
// The same for a script file at any path; the file must exist.
void LoadSetupScriptFile(const std::string& scriptPath, IScriptView& view,
                         const std::string& tempScriptPath);

// The value of key in section [Setup] of the temporary setup script, or the
// empty text; at most 2047 characters.
std::string ReadSetupSetting(const std::string& key, const std::string& tempScriptPath);
