#include "tools/mksetup/Output.h"

#include "tools/mksetup/InstallerNames.h"

namespace mksetup {

std::string Escaped(const std::string& name) { return ShownText(name); }

std::string Printable(const std::string& name) { return "\"" + ShownText(name) + "\""; }

}  // namespace mksetup
