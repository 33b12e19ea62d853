#include "app/command_line.h"

#include <string_view>

namespace {

bool isOption(std::string_view arg) { return arg.size() >= 2 && arg.front() == '-'; }

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
    } else if (arg.substr(0, 2) == "-I") {
      if (arg.size() > 2) {
        line.includeDirs.emplace_back(arg.substr(2));
      } else if (i + 1 < argc) {
        line.includeDirs.emplace_back(argv[++i]);
      } else {
        line.action = CommandLine::Action::kError;
        line.error = "option -I needs a directory";
        return line;
      }
    } else {
      line.action = CommandLine::Action::kError;
      line.error = "unknown option " + std::string(arg);
      return line;
    }
  }
  return line;
}
