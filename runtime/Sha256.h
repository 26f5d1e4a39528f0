// SHA-256 of a file: the processor's SHA instructions where a Windows build
// finds them, else the system's library (nettle on Linux, CryptoAPI on
// Windows, XP SP3 and later).
#pragma once

#include <array>
#include <cstdint>
#include <string>

using Sha256Digest = std::array<std::uint8_t, 32>;

// Which code hashes: the fastest there is, or the system's library alone.
enum class Sha256Code { Fastest, System };

// The SHA-256 of the file at path. Raises an Exception naming the file when
// it cannot be read or hashed.
Sha256Digest Sha256DigestOfFile(const std::string& path, Sha256Code code = Sha256Code::Fastest);

// The same of an open file, all of it from its start.
class TFileStream;
Sha256Digest Sha256DigestOf(TFileStream& in, Sha256Code code = Sha256Code::Fastest);

// Whether Fastest is other code than System here.
bool Sha256HasOwnCode();

// A digest in 64 lower-case hex digits.
inline std::string Sha256Hex(const Sha256Digest& digest) {
  static const char hex[] = "0123456789abcdef";
  std::string text;
  for (const std::uint8_t b : digest) {
    text += hex[b >> 4];
    text += hex[b & 15];
  }
  return text;
}

// The file's SHA-256 in hex digits.
inline std::string Sha256OfFile(const std::string& path) { return Sha256Hex(Sha256DigestOfFile(path)); }
