// The command line: options and positional arguments.
#ifndef CLUDEMAP_APP_COMMAND_LINE_H_
#define CLUDEMAP_APP_COMMAND_LINE_H_

#include <optional>
#include <string>
#include <vector>

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
  bool verbose = false;  // -v, --verbose
  std::vector<std::string> positionals;
  std::string error;
};

// Reads argv[1..argc-1] from left to right. Options may stand anywhere
// among the positional arguments; "--" makes every later argument
// positional, and a lone "-" is positional. An option that takes a value
// takes the next argument, or (for "-I" and its kin, "-p") the rest of the
// same argument ("-Iinc"), or for a long option what follows '='. "--help"
// and "--version" decide the action at once. An unknown option, or an
// option missing its value, is an error.
CommandLine parseCommandLine(int argc, const char* const* argv);

#endif  // CLUDEMAP_APP_COMMAND_LINE_H_
