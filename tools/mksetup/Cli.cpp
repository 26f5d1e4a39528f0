#include "tools/mksetup/Cli.h"

#include <algorithm>
#include <charconv>
#include <new>
#include <ostream>

namespace mksetup {

Options::Options(const std::vector<std::string>& args, const std::vector<std::string>& withValue,
                 const std::vector<std::string>& flags) {
  auto known = [](const std::vector<std::string>& list, const std::string& name) {
    return std::find(list.begin(), list.end(), name) != list.end();
  };
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      positional_.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (arg == "--help" || arg == "-h") {
      help_ = true;
      continue;
    }
    std::string name = arg;
    std::optional<std::string> inlineValue;
    if (const auto eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
      name = arg.substr(0, eq);
      inlineValue = arg.substr(eq + 1);
    } else if (arg[1] != '-' && arg.size() > 2 && known(withValue, arg.substr(0, 2))) {
      name = arg.substr(0, 2);  // -oDIR
      inlineValue = arg.substr(2);
    }
    if (known(withValue, name)) {
      if (!inlineValue) {
        if (i + 1 >= args.size()) throw UsageError("option " + name + " needs a value");
        inlineValue = args[++i];
      }
      values_.emplace_back(name, *inlineValue);
    } else if (known(flags, name) && !inlineValue) {
      flags_.push_back(name);
    } else {
      throw UsageError("unknown option " + arg);
    }
  }
}

namespace {

std::vector<std::string> Spellings(const OptionSpec& option) {
  std::vector<std::string> names;
  const std::string all = option.names;
  for (std::size_t start = 0;;) {
    const auto comma = all.find(", ", start);
    names.push_back(all.substr(start, comma == std::string::npos ? comma : comma - start));
    if (comma == std::string::npos) return names;
    start = comma + 2;
  }
}

std::vector<std::string> Declared(const Command& command, bool withValue) {
  std::vector<std::string> names;
  for (const auto& o : command.options) {
    if ((o.argument != nullptr) != withValue) continue;
    for (auto& n : Spellings(o)) names.push_back(std::move(n));
  }
  return names;
}

void AppendOption(std::string& text, const std::string& left, const std::string& help) {
  std::string line = "  " + left;
  line.resize(std::max<std::size_t>(line.size() + 2, 25), ' ');
  for (std::size_t start = 0;;) {
    const auto end = help.find('\n', start);
    text += line + help.substr(start, end == std::string::npos ? end : end - start) + "\n";
    if (end == std::string::npos) return;
    line = std::string(25, ' ');
    start = end + 1;
  }
}

}  // namespace

Options::Options(const std::vector<std::string>& args, const Command& command)
    : Options(args, Declared(command, true), Declared(command, false)) {}

std::string HelpText(const Command& command) {
  std::string text = command.usage;
  if (!command.options.empty()) {
    text += "\nOptions:\n";
    for (const auto& o : command.options) {
      AppendOption(text, std::string(o.names) + (o.argument != nullptr ? std::string(" ") + o.argument : ""), o.help);
    }
  }
  text += "\nEvery command also takes:\n";
  AppendOption(text, "-q, --quiet", "no progress, no summary: warnings and errors only");
  AppendOption(text, "-v, --verbose", "also name each file left out or passed over");
  AppendOption(text, "--strict", "a warning fails the command (exit status 5)");
  if (*command.notes != '\0') text += std::string("\n") + command.notes;
  return text;
}

std::optional<std::string> Options::Value(const std::string& name) const {
  std::optional<std::string> last;
  for (const auto& [n, v] : values_) {
    if (n == name) last = v;
  }
  return last;
}

std::vector<std::string> Options::Values(const std::string& name) const {
  std::vector<std::string> all;
  for (const auto& [n, v] : values_) {
    if (n == name) all.push_back(v);
  }
  return all;
}

bool Options::Flag(const std::string& name) const {
  return std::find(flags_.begin(), flags_.end(), name) != flags_.end();
}

long long ParseNumber(const std::string& name, const std::string& text, long long low,
                      long long high) {
  long long value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < low || value > high) {
    throw UsageError("option " + name + " takes a whole number from " + std::to_string(low) +
                     " to " + std::to_string(high) + ", not \"" + text + "\"");
  }
  return value;
}

namespace {

void PrintUsage(std::ostream& out, const std::vector<Command>& commands) {
  out << "usage: mksetup COMMAND [OPTIONS] [ARGUMENTS]\n\n"
         "Makes and inspects the data files of a Setup installer.\n\n"
         "Commands:\n";
  for (const auto& c : commands) {
    std::string name = c.name;
    name.resize(10, ' ');
    out << "  " << name << c.summary << "\n";
  }
  out << "\n'mksetup help COMMAND' or 'mksetup COMMAND --help' describes a command;\n"
         "'mksetup --version' prints the version.\n";
}

// The arguments of a command, quoted, for a failure that names no file.
std::string Arguments(const std::vector<std::string>& args) {
  std::string text;
  for (const auto& a : args) text += (text.empty() ? "\"" : " \"") + a + "\"";
  return text.empty() ? std::string("no arguments") : text;
}

}  // namespace

void Io::Warn(const std::string& command, const std::string& text) {
  ++warnings;
  err << "mksetup " << command << ": warning: " << text << "\n";
}

int Main(const std::vector<std::string>& args, Io& io, const std::vector<Command>& commands) {
  if (args.empty()) {
    PrintUsage(io.err, commands);
    return kUsage;
  }
  if (args[0] == "--version" || args[0] == "-V") {
    io.out << "mksetup " << kVersion << "\n";
    return kOk;
  }
  const bool help = args[0] == "help";
  if (args[0] == "--help" || args[0] == "-h" || (help && args.size() == 1)) {
    PrintUsage(io.out, commands);
    return kOk;
  }
  const std::string& wanted = help ? args[1] : args[0];
  for (const auto& c : commands) {
    if (wanted != c.name) continue;
    if (help || std::find_if(args.begin() + 1, std::find(args.begin() + 1, args.end(), "--"), [](const std::string& a) {
                  return a == "--help" || a == "-h";
                }) != std::find(args.begin() + 1, args.end(), "--")) {
      io.out << HelpText(c);
      return kOk;
    }
    // The options every command takes, up to "--".
    std::vector<std::string> rest;
    bool optionsEnded = false;
    for (auto a = args.begin() + 1; a != args.end(); ++a) {
      if (!optionsEnded && (*a == "--quiet" || *a == "-q")) {
        io.quiet = true;
      } else if (!optionsEnded && (*a == "--verbose" || *a == "-v")) {
        io.verbose = true;
      } else if (!optionsEnded && *a == "--strict") {
        io.strict = true;
      } else {
        optionsEnded = optionsEnded || *a == "--";
        rest.push_back(*a);
      }
    }
    if (io.quiet) io.progress = false;
    try {
      if (io.quiet && io.verbose) throw UsageError("--quiet and --verbose exclude each other");
      const int status = c.run(rest, io);
      if (status == kOk && io.strict && io.warnings > 0) {
        io.err << "mksetup " << c.name << ": " << io.warnings << (io.warnings == 1 ? " warning" : " warnings")
               << ", a failure with --strict\n";
        return kWarnings;
      }
      return status;
    } catch (const UsageError& e) {
      io.err << "mksetup " << c.name << ": " << e.what() << "\n"
             << "Try 'mksetup " << c.name << " --help'.\n";
      return kUsage;
    } catch (const std::bad_alloc&) {
      io.err << "mksetup " << c.name << ": Out of memory: " << Arguments(rest)
             << " need more memory than the system gives.\n";
      return kFailed;
    } catch (const std::exception& e) {
      io.err << "mksetup " << c.name << ": " << e.what() << " (working on " << Arguments(rest) << ")\n";
      return kFailed;
    }
  }
  io.err << "mksetup: unknown command \"" << wanted << "\"\n"
         << "Try 'mksetup --help'.\n";
  return kUsage;
}

int Main(const std::vector<std::string>& args, Io& io) { return Main(args, io, Commands()); }

}  // namespace mksetup
