#include "runtime/IniFile.h"

#include <algorithm>
#include <cctype>
#include "runtime/Exceptions.h"
#include "runtime/Streams.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

}  // namespace

std::string ReadProfileText(std::string_view text, const std::string& section,
                            const std::string& key, const std::string& defaultValue) {
  const std::string_view wantSection = Trim(section);
  const std::string_view wantKey = Trim(key);
  enum { Before, Inside, After } state = Before;
  std::size_t pos = 0;
  while (pos < text.size() && state != After) {
    std::size_t end = pos;
    while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
    const std::string_view line = Trim(text.substr(pos, end - pos));
    pos = end;
    if (pos < text.size() && text[pos] == '\r') ++pos;
    if (pos < text.size() && text[pos] == '\n') ++pos;

    if (!line.empty() && line.front() == '[') {
      const auto close = line.rfind(']');
      const std::string_view name =
          Trim(line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
      if (state == Inside) {
        state = After;
      } else if (SameText(name, wantSection)) {
        state = Inside;
      }
      continue;
    }
    if (state != Inside || line.empty() || line.front() == ';') continue;
    // A line without "=" is a key without a value: it is found, and gives the
    // default.
    const auto equals = line.find('=');
    if (!SameText(Trim(line.substr(0, equals)), wantKey)) continue;
    if (equals == std::string_view::npos) break;
    std::string_view value = Trim(line.substr(equals + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
      value = value.substr(1, value.size() - 2);
    }
    return std::string(value.substr(0, kProfileValueMax));
  }
  return defaultValue.substr(0, std::min(defaultValue.size(), kProfileValueMax));
}

std::string ReadProfileFile(const std::string& fileName, const std::string& section,
                            const std::string& key, const std::string& defaultValue) {
  std::string text;
  try {
    TFileStream in(fileName, FileMode::OpenRead);
    text.resize(static_cast<std::size_t>(in.Size()));
    text.resize(in.Read(text.data(), text.size()));
  } catch (const EFOpenError&) {
    // A file that cannot be opened has no keys: every read gives its default.
  }
  return ReadProfileText(text, section, key, defaultValue);
}
