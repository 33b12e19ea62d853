#include "app/command_line.h"

#include <charconv>
#include <limits>
#include <string_view>

namespace {

bool isOption(std::string_view arg) { return arg.size() >= 2 && arg.front() == '-'; }

// Stores an option's value; returns what is wrong with it, or "".
using Store = std::string (*)(CommandLine&, std::string_view);

// An option that takes a value, and where the value goes.
struct ValueOption {
  std::string_view name;
  std::string_view valueName;  // for the message when it is missing
  Store store;
};

// Sets a field holding one value, a string or an optional one.
template <auto field>
std::string set(CommandLine& line, std::string_view value) {
  line.*field = std::string(value);
  return "";
}

template <std::vector<std::string> CommandLine::*list>
std::string appendTo(CommandLine& line, std::string_view value) {
  (line.*list).emplace_back(value);
  return "";
}

template <std::vector<std::string> Cuts::*list>
std::string appendToScan(CommandLine& line, std::string_view value) {
  (line.cuts.*list).emplace_back(value);
  return "";
}

std::string setMaxDepth(CommandLine& line, std::string_view value) {
  int depth = -1;
  const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), depth);
  if (error == std::errc::result_out_of_range && end == value.data() + value.size()) {
    return "--max-depth needs a whole number from 0 to " +
           std::to_string(std::numeric_limits<int>::max()) + "; '" + std::string(value) +
           "' is out of range";
  }
  if (error != std::errc() || end != value.data() + value.size() || depth < 0) {
    return "--max-depth needs a whole number of 0 or more, not '" + std::string(value) + "'";
  }
  line.cuts.maxDepth = depth;
  return "";
}

std::string setSystem(CommandLine& line, std::string_view value) {
  using System = Cuts::System;
  if (value == "follow") {
    line.cuts.system = System::kFollow;
  } else if (value == "leaf") {
    line.cuts.system = System::kLeaf;
  } else if (value == "hide") {
    line.cuts.system = System::kHide;
  } else {
    return "--system takes follow, leaf or hide, not '" + std::string(value) + "'";
  }
  return "";
}

std::string setWarnings(CommandLine& line, std::string_view value) {
  using Mode = WarningSink::Mode;
  if (value == "all") {
    line.warnings = Mode::kAll;
  } else if (value == "once") {
    line.warnings = Mode::kOnce;
  } else if (value == "none") {
    line.warnings = Mode::kNone;
  } else {
    return "--warnings takes all, once or none, not '" + std::string(value) + "'";
  }
  return "";
}

// Longer names first where one begins with another.
template <StartStep::Kind kind>
std::string addMacroOption(CommandLine& line, std::string_view value) {
  line.macroOptions.push_back(StartStep{kind, std::string(value)});
  return "";
}

constexpr ValueOption kValueOptions[] = {
    {"-include", "a file", addMacroOption<StartStep::Kind::kInclude>},
    {"-imacros", "a file", addMacroOption<StartStep::Kind::kMacrosOf>},
    {"-iquote", "a directory", appendTo<&CommandLine::quoteDirs>},
    {"-isystem", "a directory", appendTo<&CommandLine::systemDirs>},
    {"-idirafter", "a directory", appendTo<&CommandLine::afterDirs>},
    {"-I", "a directory", appendTo<&CommandLine::includeDirs>},
    {"-D", "a macro", addMacroOption<StartStep::Kind::kDefine>},
    {"-U", "a macro", addMacroOption<StartStep::Kind::kUndefine>},
    {"-p", "a path", set<&CommandLine::compileDatabase>},
    {"-o", "a file", set<&CommandLine::output>},
    {"-T", "a format", set<&CommandLine::format>},
    {"-K", "an engine", set<&CommandLine::engine>},
    {"--max-depth", "a number", setMaxDepth},
    {"--leaf", "a pattern", appendToScan<&Cuts::leafGlobs>},
    {"--exclude", "a pattern", appendToScan<&Cuts::excludeGlobs>},
    {"--system", "a mode", setSystem},
    {"--warnings", "a mode", setWarnings},
    {"--why", "a pattern", set<&CommandLine::why>},
    {"--compare", "a file", set<&CommandLine::compare>},
};

// The value written into the same argument: what follows a short option's
// name, or a long option's '='; nothing when the argument is the name alone.
// Returns false when the argument is not this option.
bool attachedValue(std::string_view arg, std::string_view name, std::string_view* value,
                   bool* attached) {
  if (arg.substr(0, name.size()) != name) return false;
  const std::string_view rest = arg.substr(name.size());
  *attached = !rest.empty();
  if (name.substr(0, 2) != "--") {
    *value = rest;
    return true;
  }
  if (!rest.empty() && rest.front() != '=') return false;
  *value = rest.substr(rest.empty() ? 0 : 1);
  return true;
}

// Handles the option `arg` at argv[*i], moving *i past a separate value.
// Returns false after setting an error.
bool readOption(CommandLine& line, std::string_view arg, int* i, int argc,
                const char* const* argv) {
  for (const ValueOption& option : kValueOptions) {
    std::string_view value;
    bool attached = false;
    if (!attachedValue(arg, option.name, &value, &attached)) continue;
    if (!attached) {
      if (*i + 1 >= argc) {
        line.error =
            "option " + std::string(option.name) + " needs " + std::string(option.valueName);
        return false;
      }
      value = argv[++*i];
    }
    line.error = option.store(line, value);
    return line.error.empty();
  }
  if (arg == "-v" || arg == "--verbose") {
    line.verbose = true;
  } else if (arg == "--tree") {
    line.tree = true;
  } else if (arg == "--all") {
    line.all = true;
  } else if (arg == "--preprocess") {
    line.preprocess = true;
  } else if (arg == "--phony") {
    line.phony = true;
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

// What keeps --all from running, or "": the compile database names the
// start files, so it must be given and no header may be.
std::string wholeProjectProblem(const CommandLine& line) {
  if (!line.all) return "";
  if (!line.compileDatabase) return "--all needs a compile database (-p)";
  if (line.positionals.size() > (line.output ? 0U : 1U)) {
    return "--all takes no HEADER: the compile database names the start files";
  }
  return "";
}

// What keeps the output from being chosen, or "": -T, --why and --compare
// each choose it, so one of them at most may be given.
std::string outputChoiceProblem(const CommandLine& line) {
  if (line.why && line.compare) return "--why and --compare both choose the output; give one";
  if (line.format && (line.why || line.compare)) {
    return std::string(line.why ? "--why" : "--compare") +
           " and -T both choose the output; give one";
  }
  return "";
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
  line.error = wholeProjectProblem(line);
  if (line.error.empty()) line.error = outputChoiceProblem(line);
  if (!line.error.empty()) line.action = CommandLine::Action::kError;
  return line;
}
