// The patterns of pack --exclude: `*` (any run of characters within one
// path component), `?` (one character but a separator), `**` as a whole
// component (any number of components, none too), every other character
// itself; `/` and `\` both separate components, and letters match without
// regard to case, as Windows compares names (ASCII and Windows-1252).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace mksetup {

// True when pattern matches the whole of path.
bool GlobMatch(std::string_view pattern, std::string_view path);

// What pack leaves out of a source folder. A pattern without a separator is
// matched against the name of every file and directory at any depth; one
// with a separator against the whole path below the source folder. A
// directory that matches is left out with all it holds.
class Excludes {
 public:
  // The folders and litter of version control and of desktop systems.
  static const std::vector<std::string>& Defaults();
  explicit Excludes(std::vector<std::string> patterns);
  // The pattern that leaves out the file or directory at relative (below
  // the source folder; its last component is its name), or nullptr.
  const std::string* Match(const std::string& relative) const;

 private:
  std::vector<std::string> patterns_;
};

}  // namespace mksetup
