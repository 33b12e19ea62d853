// The command line: options and the two positional arguments.
#ifndef CLUDEMAP_APP_COMMAND_LINE_H_
#define CLUDEMAP_APP_COMMAND_LINE_H_

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
  // The -I directories as given, in command-line order, empty ones included.
  std::vector<std::string> includeDirs;
  std::vector<std::string> positionals;
  std::string error;
};

// Reads argv[1..argc-1] from left to right. "-I DIR" and "-IDIR" name an
// include directory and may repeat; "--help" and "--version" decide the
// action at once; "--" makes every later argument positional. Any other
// argument of two or more characters that begins with '-' is an unknown
// option, and so is an error, as is "-I" with no directory after it. A lone
// "-" is positional.
CommandLine parseCommandLine(int argc, const char* const* argv);

#endif  // CLUDEMAP_APP_COMMAND_LINE_H_
