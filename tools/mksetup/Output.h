// How mksetup shows stored names and texts.
#pragma once

#include <string>

namespace mksetup {

// A stored name as printed (ShownText): control bytes (and DEL) as \xNN, so
// that a name cannot move the cursor or end the line; in UTF-8 on Linux.
std::string Escaped(const std::string& name);
// The escaped name in double quotes.
std::string Printable(const std::string& name);
// text in double quotes, as it stands (a path in a message).
std::string Quoted(const std::string& text);

}  // namespace mksetup
