#include "tools/mksetup/Output.h"

#include "tools/mksetup/InstallerNames.h"

namespace mksetup {

std::string Escaped(const std::string& name) {
  static const char hex[] = "0123456789ABCDEF";
  std::string out;
  for (const char ch : name) {
    const auto c = static_cast<unsigned char>(ch);
    if (IsControlByte(ch)) {
      out += "\\x";
      out += hex[c >> 4];
      out += hex[c & 15];
    } else {
      out += ch;
    }
  }
  return out;
}

std::string Printable(const std::string& name) {
  std::string out(1, '"');
  out += Escaped(name);
  out += '"';
  return out;
}

}  // namespace mksetup
