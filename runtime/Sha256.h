// SHA-256 of a file, from the system's library: nettle on Linux,
// CryptoAPI on Windows (XP SP3 and later).
#pragma once

#include <array>
#include <cstdint>
#include <string>

using Sha256Digest = std::array<std::uint8_t, 32>;

// The SHA-256 of the file at path. Raises an Exception naming the file when
// it cannot be read or hashed.
Sha256Digest Sha256DigestOfFile(const std::string& path);

// The same in 64 lower-case hex digits.
inline std::string Sha256OfFile(const std::string& path) {
  static const char hex[] = "0123456789abcdef";
  std::string text;
  for (const std::uint8_t b : Sha256DigestOfFile(path)) {
    text += hex[b >> 4];
    text += hex[b & 15];
  }
  return text;
}
