#include "tools/mksetup/Output.h"

#include "tools/mksetup/InstallerNames.h"

namespace mksetup {

std::string Escaped(const std::string& name) { return ShownText(name); }

// Appended rather than prefixed throughout: GCC 12 at -O3 takes a literal
// prefixed to a returned string for an overlapping copy (-Wrestrict).
std::string Printable(const std::string& name) {
  std::string quoted = "\"";
  quoted += ShownText(name);
  quoted += '"';
  return quoted;
}

}  // namespace mksetup
