// How mksetup shows stored names and texts.
#pragma once

#include <string>

namespace mksetup {

// A stored name as printed: control bytes (and DEL) as \xNN, so that a name
// cannot move the cursor or end the line.
std::string Escaped(const std::string& name);
// The escaped name in double quotes.
std::string Printable(const std::string& name);

}  // namespace mksetup
