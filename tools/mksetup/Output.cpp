#include "tools/mksetup/Output.h"

#include "tools/mksetup/InstallerNames.h"

namespace mksetup {

std::string Escaped(const std::string& name) { return ShownText(name); }

std::string Printable(const std::string& name) { return Quoted(ShownText(name)); }

// Built in place: GCC 12 at -O3 warns of an overlapping copy in "\"" + text.
std::string Quoted(const std::string& text) {
  std::string quoted = "\"";
  quoted += text;
  quoted += '"';
  return quoted;
}

}  // namespace mksetup
