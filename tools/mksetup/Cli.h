// The command-line frame of mksetup: commands, options and exit statuses.
#pragma once

#include <iosfwd>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace mksetup {

enum ExitStatus { kOk = 0, kFailed = 1, kUsage = 2 };

inline constexpr const char* kVersion = "1.0";

// A wrong command line; main prints its message and the usage hint, exit 2.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct Io {
  std::ostream& out;
  std::ostream& err;
  bool interactive = false;  // standard input and error are a terminal: questions are asked
  bool progress = false;     // standard error is a terminal: progress is shown there
};

struct Command {
  const char* name;
  const char* summary;
  const char* help;  // full usage text, printed by --help
  int (*run)(const std::vector<std::string>& args, Io& io);
};

const std::vector<Command>& Commands();
// Runs mksetup with argv[1..] and one of commands: the command's exit
// status. Whatever a command raises ends as a message and status 1 (a
// usage error 2), never as an abort.
int Main(const std::vector<std::string>& args, Io& io, const std::vector<Command>& commands);
int Main(const std::vector<std::string>& args, Io& io);

// A simple option parser: "--name value", "--name=value", "-o value", flags,
// and positional arguments; "--" ends the options.
class Options {
 public:
  Options(const std::vector<std::string>& args, const std::vector<std::string>& withValue,
          const std::vector<std::string>& flags);
  std::optional<std::string> Value(const std::string& name) const;
  bool Flag(const std::string& name) const;
  const std::vector<std::string>& Positional() const { return positional_; }
  bool Help() const { return help_; }

 private:
  std::vector<std::pair<std::string, std::string>> values_;
  std::vector<std::string> flags_;
  std::vector<std::string> positional_;
  bool help_ = false;
};

// Parses a whole decimal number in [low, high] for option name.
long long ParseNumber(const std::string& name, const std::string& text, long long low,
                      long long high);

}  // namespace mksetup
