#include "app/command_line.h"

#include <string_view>

namespace {

bool isOption(std::string_view arg) { return arg.size() >= 2 && arg.front() == '-'; }

// An option that takes a value, and where the value goes.
struct ValueOption {
  std::string_view name;
  std::string_view valueName;  // for the message when it is missing
  void (*store)(CommandLine&, std::string_view);
};

template <std::vector<std::string> CommandLine::*list>
void append(CommandLine& line, std::string_view value) {
  (line.*list).emplace_back(value);
}

// Longer names first where one begins with another.
constexpr ValueOption kValueOptions[] = {
    {"-iquote", "a directory", append<&CommandLine::quoteDirs>},
    {"-isystem", "a directory", append<&CommandLine::systemDirs>},
    {"-idirafter", "a directory", append<&CommandLine::afterDirs>},
    {"-I", "a directory", append<&CommandLine::includeDirs>},
    {"-p", "a path",
     [](CommandLine& line, std::string_view value) { line.compileDatabase = std::string(value); }},
};

// Handles the option `arg` at argv[*i], moving *i past a separate value.
// Returns false after setting an error.
bool readOption(CommandLine& line, std::string_view arg, int* i, int argc,
                const char* const* argv) {
  for (const ValueOption& option : kValueOptions) {
    if (arg.substr(0, option.name.size()) != option.name) continue;
    if (arg.size() > option.name.size()) {
      option.store(line, arg.substr(option.name.size()));
    } else if (*i + 1 < argc) {
      option.store(line, argv[++*i]);
    } else {
      line.error = "option " + std::string(option.name) + " needs " + std::string(option.valueName);
      return false;
    }
    return true;
  }
  if (arg == "-v" || arg == "--verbose") {
    line.verbose = true;
  } else if (arg == "--query-compiler") {
    line.queryCompiler = "";
  } else if (arg.substr(0, 17) == "--query-compiler=") {
    line.queryCompiler = std::string(arg.substr(17));
  } else {
    line.error = "unknown option " + std::string(arg);
    return false;
  }
  return true;
}

}  // namespace

CommandLine parseCommandLine(int argc, const char* const* argv) {
  CommandLine line;
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (optionsEnded || !isOption(arg)) {
      line.positionals.emplace_back(arg);
    } else if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "--help" || arg == "--version") {
      line.action = arg == "--help" ? CommandLine::Action::kHelp : CommandLine::Action::kVersion;
      return line;
    } else if (!readOption(line, arg, &i, argc, argv)) {
      line.action = CommandLine::Action::kError;
      return line;
    }
  }
  return line;
}
