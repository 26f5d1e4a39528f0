// The exclude patterns of mksetup pack: our matcher against the C library's
// fnmatch (path names, letter case folded) wherever fnmatch has the feature.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <fnmatch.h>
#endif

#include <string>

#include "tools/mksetup/Glob.h"

#ifndef _WIN32
namespace {

std::string Slashes(std::string text) {
  for (char& c : text) {
    if (c == '\\') c = '/';
  }
  return text;
}

}  // namespace
#endif

TEST(MksetupGlob, MatchesAsFnmatchDoesWithoutRegardToCase) {
  const struct {
    const char* pattern;
    const char* path;
    bool matches;
  } cases[] = {
      {"*.tmp", "a.tmp", true},
      {"*.tmp", "A.TMP", true},
      {"*.TMP", "dir/a.tmp", false},  // * stays within one name
      {"*/*.tmp", "dir/a.tmp", true},
      {"dir\\*.tmp", "dir/a.tmp", true},  // either separator
      {"*", ".hidden", true},
      {"*", "", true},
      {"?", "", false},
      {"?", "/", false},
      {"a?c", "abc", true},
      {"a?c", "ac", false},
      {"a*c", "a/c", false},
      {"a*b*c", "aXbYbZc", true},
      {"a*b*c", "aXbYbZ", false},
      {"*a*a*a*a*b", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", false},
      {"Thumbs.db", "thumbs.DB", true},
      {"docs/*", "docs/a/b", false},
      {"docs", "docs/a", false},
      {".git", ".gitignore", false},
      {"caf\xE9", "CAF\xC9", true},  // Windows-1252 letters fold too
      {"**", "a/b/c", true},
      {"**/*.log", "x.log", true},
      {"**/*.log", "a/b/x.log", true},
      {"a/**/b", "a/b", true},
      {"a/**/b", "a/x/y/b", true},
      {"a/**/b", "a/x/y/c", false},
      {"a/**", "a/x/y", true},
      {"a/**", "b/x", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.pattern) + " on " + c.path);
    EXPECT_EQ(mksetup::GlobMatch(c.pattern, c.path), c.matches);
#ifndef _WIN32
    const std::string pattern = Slashes(c.pattern);
    const bool ascii = std::string(c.pattern).find('\xE9') == std::string::npos;
    if (pattern.find("**") == std::string::npos && ascii) {
      const int r = ::fnmatch(pattern.c_str(), c.path, FNM_PATHNAME | FNM_CASEFOLD | FNM_NOESCAPE);
      EXPECT_EQ(r == 0, c.matches) << "fnmatch disagrees";
    }
#endif
  }
}
