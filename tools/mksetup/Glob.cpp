#include "tools/mksetup/Glob.h"

#include "tools/mksetup/InstallerNames.h"

namespace mksetup {

namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// Letter case folded as Windows folds it: ASCII, and the Windows-1252
// letters above 0x7F (a name in UTF-8 is converted before it is matched).
unsigned char Folded(char ch) {
  const auto c = static_cast<unsigned char>(ch);
  if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 32);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<unsigned char>(c - 32);
  switch (c) {
    case 0x9A: return 0x8A;
    case 0x9C: return 0x8C;
    case 0x9E: return 0x8E;
    case 0xFF: return 0x9F;
    default: return c;
  }
}

bool Same(char a, char b) { return (IsSeparator(a) && IsSeparator(b)) || Folded(a) == Folded(b); }

bool Match(std::string_view p, std::string_view s) {
  while (!p.empty()) {
    if (p.substr(0, 2) == "**") {
      std::string_view rest = p.substr(2);
      if (rest.empty()) return true;
      if (IsSeparator(rest[0])) {
        // "**/": none or more whole components.
        rest.remove_prefix(1);
        if (Match(rest, s)) return true;
        for (std::size_t i = 0; i < s.size(); ++i) {
          if (IsSeparator(s[i]) && Match(rest, s.substr(i + 1))) return true;
        }
        return false;
      }
      for (std::size_t i = 0; i <= s.size(); ++i) {
        if (Match(rest, s.substr(i))) return true;
      }
      return false;
    }
    if (p[0] == '*') {
      const std::string_view rest = p.substr(1);
      for (std::size_t i = 0;; ++i) {
        if (Match(rest, s.substr(i))) return true;
        if (i == s.size() || IsSeparator(s[i])) return false;
      }
    }
    if (s.empty()) return false;
    if (p[0] == '?' ? IsSeparator(s[0]) : !Same(p[0], s[0])) return false;
    p.remove_prefix(1);
    s.remove_prefix(1);
  }
  return s.empty();
}

// Text in the installer's code page when it converts, else as it is.
std::string ForMatching(const std::string& text) { return Utf8ToInstallerCodePage(text).value_or(text); }

}  // namespace

bool GlobMatch(std::string_view pattern, std::string_view path) { return Match(pattern, path); }

const std::vector<std::string>& Excludes::Defaults() {
  static const std::vector<std::string> defaults = {".git", ".svn", ".hg", ".DS_Store", "Thumbs.db"};
  return defaults;
}

Excludes::Excludes(std::vector<std::string> patterns) : patterns_(std::move(patterns)) {}

const std::string* Excludes::Match(const std::string& relative) const {
  const std::string path = ForMatching(relative);
  std::size_t nameAt = path.size();
  while (nameAt > 0 && !IsSeparator(path[nameAt - 1])) --nameAt;
  const std::string_view name = std::string_view(path).substr(nameAt);
  for (const auto& pattern : patterns_) {
    std::string p = ForMatching(pattern);
    bool anchored = false;
    for (const char c : p) anchored = anchored || IsSeparator(c);
    while (!p.empty() && IsSeparator(p[0])) p.erase(0, 1);
    while (!p.empty() && IsSeparator(p.back())) p.pop_back();
    if (GlobMatch(p, anchored ? std::string_view(path) : name)) return &pattern;
  }
  return nullptr;
}

}  // namespace mksetup
