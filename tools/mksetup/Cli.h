// The command-line frame of mksetup: commands, options and exit statuses.
#pragma once

#include <iosfwd>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace mksetup {

// Every command's exit statuses, one meaning each (the README lists them).
enum ExitStatus {
  kOk = 0,
  kFailed = 1,        // the command failed (a file could not be read or written, a fault found)
  kUsage = 2,         // a wrong command line
  kCancelled = 3,     // extract: the volume question was answered Cancel
  kRestoreError = 4,  // extract: the restore ended with an error, or passed over an entry
  kWarnings = 5,      // --strict: the command gave warnings
};

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
  bool quiet = false;        // --quiet: no progress, no summary; warnings and errors only
  bool verbose = false;      // --verbose: also each file left out or passed over
  bool strict = false;       // --strict: a warning fails the command (kWarnings)
  int warnings = 0;          // warnings given so far
  // Prints "mksetup COMMAND: warning: TEXT" on err and counts it.
  void Warn(const std::string& command, const std::string& text);
};

// One option of a command: the parser accepts it and --help describes it.
struct OptionSpec {
  const char* names;     // its spellings, ", " between them: "-o, --output"
  const char* argument;  // the value's placeholder ("DIR"), or nullptr for a switch
  const char* help;      // what it does; "\n" starts a continuation line
};

// One declaration per command: the help text and the options accepted
// both come from it.
struct Command {
  const char* name;
  const char* summary;
  const char* usage;  // the usage lines and the description, ending in "\n"
  std::vector<OptionSpec> options;
  const char* notes;  // after the options (exit statuses), "" for none
  int (*run)(const std::vector<std::string>& args, Io& io);
};

// The text --help prints: usage, the options, the options every command
// takes, the notes.
std::string HelpText(const Command& command);

const std::vector<Command>& Commands();
// Runs mksetup with argv[1..] and one of commands: the command's exit
// status. Whatever a command raises ends as a message and status 1 (a
// usage error 2), never as an abort. --quiet (-q), --verbose (-v) and
// --strict are taken by every command; with --strict a command that
// succeeded with warnings ends with kWarnings.
int Main(const std::vector<std::string>& args, Io& io, const std::vector<Command>& commands);
int Main(const std::vector<std::string>& args, Io& io);

// A simple option parser: "--name value", "--name=value", "-o value",
// "-ovalue", flags, and positional arguments; "--" ends the options.
class Options {
 public:
  Options(const std::vector<std::string>& args, const std::vector<std::string>& withValue,
          const std::vector<std::string>& flags);
  // The options command declares.
  Options(const std::vector<std::string>& args, const Command& command);
  // The last value given for name, or every value in order.
  std::optional<std::string> Value(const std::string& name) const;
  std::vector<std::string> Values(const std::string& name) const;
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
