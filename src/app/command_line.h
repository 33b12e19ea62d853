// The command line: options and positional arguments.
#ifndef CLUDEMAP_APP_COMMAND_LINE_H_
#define CLUDEMAP_APP_COMMAND_LINE_H_

#include <optional>
#include <string>
#include <vector>

#include "scan/cuts.h"
#include "scan/scan_config.h"
#include "scan/warning_sink.h"

struct CommandLine {
  enum class Action {
    kRun,      // `positionals` holds the arguments, whatever their count
    kHelp,     // --help
    kVersion,  // --version
    kError,    // `error` says what is wrong
  };
  Action action = Action::kRun;
  // The include directories of each kind as given, in command-line order,
  // empty ones included.
  std::vector<std::string> quoteDirs;    // -iquote
  std::vector<std::string> includeDirs;  // -I
  std::vector<std::string> systemDirs;   // -isystem
  std::vector<std::string> afterDirs;    // -idirafter
  // -p: a build directory holding compile_commands.json, or the file.
  std::optional<std::string> compileDatabase;
  // --query-compiler[=CXX]: the compiler to ask, empty for the default.
  std::optional<std::string> queryCompiler;
  // -D, -U, -include and -imacros, in command-line order.
  std::vector<StartStep> macroOptions;
  // --preprocess: follow only the includes the compiler follows.
  bool preprocess = false;
  // --phony: with -T make, an empty rule for each header.
  bool phony = false;
  bool verbose = false;  // -v, --verbose
  // --all: every source file of the compile database is a start file, and
  // the positional argument, if any, is the output.
  bool all = false;
  // -o: the output; every positional argument is then a start header.
  std::optional<std::string> output;
  std::optional<std::string> format;                     // -T; dot when not given
  std::string engine = "dot";                            // -K
  bool tree = false;                                     // --tree
  Cuts cuts;                                             // --max-depth, --leaf, --exclude, --system
  WarningSink::Mode warnings = WarningSink::Mode::kAll;  // --warnings
  std::optional<std::string> why;                        // --why PATTERN
  std::optional<std::string> compare;                    // --compare BASE.json
  std::vector<std::string> positionals;
  std::string error;
};

// Reads argv[1..argc-1] from left to right. Options may stand anywhere
// among the positional arguments; "--" makes every later argument
// positional, and a lone "-" is positional. An option that takes a value
// takes the next argument, or the rest of the same argument: after a short
// option's name ("-Iinc", "-Tsvg") or after a long option's '='
// ("--max-depth=2"). "--help" and "--version" decide the action at once.
// An unknown option, an option missing its value and a value the option
// does not take are errors, and so are --all without -p, --all with a
// start header (a positional argument besides the output), and more than
// one of -T, --why and --compare, each of which chooses the output.
CommandLine parseCommandLine(int argc, const char* const* argv);

#endif  // CLUDEMAP_APP_COMMAND_LINE_H_
