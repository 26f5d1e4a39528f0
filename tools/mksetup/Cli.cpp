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
    if (help) {
      io.out << c.help;
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
