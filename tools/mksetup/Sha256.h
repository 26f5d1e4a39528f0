// SHA-256 of a file, from the system's library: nettle on Linux,
// CryptoAPI on Windows (XP SP3 and later).
#pragma once

#include <string>

namespace mksetup {

// The SHA-256 of the file at path in 64 lower-case hex digits. Raises an
// Exception naming the file when it cannot be read or hashed.
std::string Sha256OfFile(const std::string& path);

}  // namespace mksetup
