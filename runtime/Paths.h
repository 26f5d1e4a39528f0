// Path text helpers. Paths use the Windows conventions: `\` separates
// directories and a drive is "X:". On Linux `/` is a separator as well, so
// native paths and stored Windows paths can be mixed.
#pragma once

#include <string>

#ifdef _WIN32
inline constexpr char kPathDelim = '\\';
#else
inline constexpr char kPathDelim = '/';
#endif

bool IsPathDelimiter(char c);
// True when path is shorter than maxPath and none of its names is longer
// than maxName.
bool PathWithin(const std::string& path, std::size_t maxPath, std::size_t maxName);
// Everything up to and including the last separator or drive colon.
std::string ExtractFilePath(const std::string& path);
// Everything after the last separator or drive colon.
std::string ExtractFileName(const std::string& path);
// ExtractFilePath without its trailing separator (a root keeps it).
std::string ExtractFileDir(const std::string& path);
// The extension including its point, or empty.
std::string ExtractFileExt(const std::string& path);
// Replaces the extension (the point and what follows) of the last component.
std::string ChangeFileExt(const std::string& path, const std::string& extension);
std::string IncludeTrailingPathDelimiter(const std::string& path);
std::string ExcludeTrailingPathDelimiter(const std::string& path);
