#include "tools/mksetup/ProjectFile.h"

#include <map>
#include <optional>

#include "runtime/FileSystem.h"
#include "runtime/Paths.h"
#include "tools/mksetup/Cli.h"
#include "tools/mksetup/InstallerNames.h"
#include "tools/mksetup/WholeFiles.h"

namespace mksetup {

namespace {

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

std::vector<std::string> Split(const std::string& list) {
  std::vector<std::string> items;
  std::size_t start = 0;
  for (;;) {
    const auto end = list.find(';', start);
    const std::string item = Trimmed(list.substr(start, end == std::string::npos ? end : end - start));
    if (!item.empty()) items.push_back(item);
    if (end == std::string::npos) return items;
    start = end + 1;
  }
}

enum class Kind { Text, Path, Paths, Texts, Switch };

struct Key {
  const char* option;  // the pack option it stands for
  Kind kind;
};

// Section and key (lower case) to the pack option each stands for.
const std::map<std::string, Key>& Keys() {
  static const std::map<std::string, Key> keys = {
      {"setup/app101", {"--app", Kind::Text}},
      {"setup/destdir102", {"--dest", Kind::Text}},
      {"setup/title103", {"--title", Kind::Text}},
      {"setup/license", {"", Kind::Switch}},
      {"pack/source", {"", Kind::Paths}},
      {"pack/output", {"--output", Kind::Path}},
      {"pack/licensefile", {"--license", Kind::Path}},
      {"pack/exclude", {"--exclude", Kind::Texts}},
      {"pack/nodefaultexcludes", {"--no-default-excludes", Kind::Switch}},
      {"pack/level", {"--level", Kind::Text}},
      {"pack/best", {"--best", Kind::Switch}},
      {"pack/volumesize", {"--volume-size", Kind::Text}},
      {"pack/threads", {"--threads", Kind::Text}},
      {"pack/stub", {"--stub", Kind::Path}},
      {"pack/nostub", {"--no-stub", Kind::Switch}},
      {"pack/sign", {"--sign", Kind::Path}},
      {"pack/passwordfile", {"--password-file", Kind::Path}},
      {"pack/timestamp", {"--timestamp", Kind::Text}},
      {"pack/signcommand", {"--sign-command", Kind::Text}},
      {"pack/checksums", {"--checksums", Kind::Switch}},
  };
  return keys;
}

bool Absolute(const std::string& p) {
  return (!p.empty() && IsPathDelimiter(p[0])) || (p.size() > 2 && p[1] == ':' && IsPathDelimiter(p[2]));
}

}  // namespace

ProjectArguments ReadProjectFile(const std::string& path) {
  const auto bytes = ReadWholeFile(path);
  std::string text(bytes.begin(), bytes.end());
  if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
  const std::string where = [&path] {
    std::string quoted = "\"";  // appended: see Printable in Output.cpp
    quoted += ExpandFileName(path);
    return quoted + '"';
  }();
  const std::string folder = ExtractFilePath(ExpandFileName(path));
  auto place = [&folder](const std::string& p) { return Absolute(p) ? p : folder + p; };
  ProjectArguments args;
  std::string section;
  std::optional<bool> licence;
  bool licenceFile = false;
  std::size_t lineNumber = 0;
  for (std::size_t start = 0; start < text.size();) {
    auto end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    line = Trimmed(line);
    const std::string at = where + " line " + std::to_string(lineNumber);
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line[0] == '[') {
      if (line.back() != ']') throw UsageError(at + ": a section name must end in ]");
      section = Lower(Trimmed(line.substr(1, line.size() - 2)));
      if (section != "setup" && section != "pack") {
        throw UsageError(at + ": unknown section [" + line.substr(1, line.size() - 2) + "] (known: [Setup], [Pack])");
      }
      continue;
    }
    const auto eq = line.find('=');
    if (eq == std::string::npos) throw UsageError(at + ": expected KEY=VALUE");
    const std::string name = Trimmed(line.substr(0, eq));
    std::string value = Trimmed(line.substr(eq + 1));
    if (section.empty()) throw UsageError(at + ": \"" + name + "\" stands before any section");
    const auto key = Keys().find(section + "/" + Lower(name));
    if (key == Keys().end()) throw UsageError(at + ": unknown key \"" + name + "\" in [" + section + "]");
#ifdef _WIN32
    // The file is UTF-8; mksetup.exe takes texts in the system's code page.
    const auto converted = Utf8ToInstallerCodePage(value);
    if (!converted) throw UsageError(at + ": the value of " + name + " is not UTF-8 text in Windows-1252");
    value = *converted;
#endif
    const Key& k = key->second;
    switch (k.kind) {
      case Kind::Text:
        args.options.insert(args.options.end(), {k.option, value});
        break;
      case Kind::Path:
        if (value.empty()) throw UsageError(at + ": " + name + " is empty");
        args.options.insert(args.options.end(), {k.option, place(value)});
        if (std::string(k.option) == "--license") licenceFile = true;
        break;
      case Kind::Texts:
        for (const auto& item : Split(value)) args.options.insert(args.options.end(), {k.option, item});
        break;
      case Kind::Paths:
        for (const auto& item : Split(value)) args.sources.push_back(place(item));
        break;
      case Kind::Switch: {
        const std::string v = Lower(value);
        if (v != "yes" && v != "no") throw UsageError(at + ": " + name + " takes Yes or No, not \"" + value + "\"");
        if (*k.option == '\0') {
          licence = v == "yes";
        } else if (v == "yes") {
          args.options.push_back(k.option);
        }
        break;
      }
    }
  }
  if (licence && *licence != licenceFile) {
    throw UsageError(where + ": License=" + (*licence ? "Yes needs" : "No goes without") + " LicenseFile in [Pack]");
  }
  return args;
}

}  // namespace mksetup
