// What the installer can create: names and setting texts in its 8-bit code
// page (Windows-1252), without the characters Windows refuses or drops.
#pragma once

#include <optional>
#include <string>

namespace mksetup {

// text in Windows-1252. On Windows the text comes from the system in its
// own 8-bit code page and is taken as it is; elsewhere it is read as UTF-8
// and converted. Nothing when it is not valid UTF-8 or holds a character
// that Windows-1252 lacks.
std::optional<std::string> ToInstallerCodePage(const std::string& text);
// UTF-8 text (the text of a file, on every system) in Windows-1252; nothing
// when it is not valid UTF-8 or holds a character that Windows-1252 lacks.
std::optional<std::string> Utf8ToInstallerCodePage(const std::string& text);

// Windows-1252 text in UTF-8, on every system (the five bytes the code page
// leaves undefined as the code points of the same number, as Windows does).
std::string InstallerCodePageToUtf8(const std::string& stored);

// Stored text as shown to a person: control bytes (and DEL), and bytes that
// Windows-1252 leaves undefined, as \xNN; on Linux the rest in UTF-8, on
// Windows in the code page as stored.
std::string ShownText(const std::string& stored);

// A control byte (or DEL): never part of a name or a setting, and not
// printed as it is.
inline bool IsControlByte(char ch) {
  const auto c = static_cast<unsigned char>(ch);
  return c < 0x20 || c == 0x7F;
}

// Why Windows cannot create a file or directory named component as it is
// (a character it refuses, a control byte, a trailing dot or blank that it
// drops), or empty when it can.
std::string NameFault(const std::string& component);

}  // namespace mksetup
