#include "tools/mksetup/InstallerNames.h"

#include <cstdint>

namespace mksetup {

namespace {

// Windows-1252 0x80..0x9F; 0 where the code page has no character.
constexpr std::uint16_t kHigh[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

std::optional<char> FromCodePoint(std::uint32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
  for (int i = 0; i < 32; ++i) {
    if (kHigh[i] != 0 && kHigh[i] == cp) return static_cast<char>(0x80 + i);
  }
  return std::nullopt;
}

void AppendUtf8(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | cp >> 6);
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | cp >> 12);
    out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

}  // namespace

std::optional<std::string> ToInstallerCodePage(const std::string& text) {
#ifdef _WIN32
  return text;
#else
  return Utf8ToInstallerCodePage(text);
#endif
}

std::string ShownText(const std::string& stored) {
  static const char hex[] = "0123456789ABCDEF";
  std::string out;
  for (const char ch : stored) {
    const auto c = static_cast<unsigned char>(ch);
    const bool undefined = c >= 0x80 && c < 0xA0 && kHigh[c - 0x80] == 0;
    if (IsControlByte(ch) || undefined) {
      out += "\\x";
      out += hex[c >> 4];
      out += hex[c & 15];
    } else {
#ifdef _WIN32
      out += ch;
#else
      AppendUtf8(out, c >= 0x80 && c < 0xA0 ? kHigh[c - 0x80] : c);
#endif
    }
  }
  return out;
}

std::string InstallerCodePageToUtf8(const std::string& stored) {
  std::string out;
  for (const char ch : stored) {
    const auto c = static_cast<unsigned char>(ch);
    AppendUtf8(out, c >= 0x80 && c < 0xA0 && kHigh[c - 0x80] != 0 ? kHigh[c - 0x80] : c);
  }
  return out;
}

std::optional<std::string> Utf8ToInstallerCodePage(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 0;
    if (length == 0 || i + length > text.size()) return std::nullopt;
    std::uint32_t cp = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next >> 6) != 2) return std::nullopt;
      cp = cp << 6 | (next & 0x3F);
    }
    // Over-long forms are not UTF-8.
    static constexpr std::uint32_t kSmallest[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kSmallest[length]) return std::nullopt;
    const auto c = FromCodePoint(cp);
    if (!c) return std::nullopt;
    out += *c;
    i += length;
  }
  return out;
}

std::string NameFault(const std::string& component) {
  for (const char ch : component) {
    if (IsControlByte(ch)) return "it holds a control character";
    switch (ch) {
      case '*': case '?': case '<': case '>': case '|': case '"': case ':': case '\\': case '/':
        return std::string("it holds the character ") + ch + ", which Windows refuses in names";
      default: break;
    }
  }
  if (!component.empty() && (component.back() == '.' || component.back() == ' ')) {
    return "it ends in a dot or a blank, which Windows drops";
  }
  return {};
}

}  // namespace mksetup
