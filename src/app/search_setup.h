// The run's include search list, from the command line, the environment, a
// compile database and the compiler.
#ifndef CLUDEMAP_APP_SEARCH_SETUP_H_
#define CLUDEMAP_APP_SEARCH_SETUP_H_

#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/command_line.h"
#include "scan/search_list.h"
#include "util/error.h"

// The environment variable that lists system include directories.
inline constexpr const char* kIncludePathVariable = "CLUDEMAP_INCLUDE_PATH";

// The directories of a CLUDEMAP_INCLUDE_PATH value, split at `separator`,
// in order; empty ones are left out.
std::vector<std::string> splitIncludePath(std::string_view value, char separator);

// The compiler --query-compiler asks: the one it names, else the compile
// database entry's, else $CXX, else c++.
std::string compilerToAsk(const std::string& named, const std::string& entryCompiler);

// What a start file's compile command says beyond its include options.
struct StartCommand {
  std::string compiler;                // the entry's, "" without a compile database
  std::vector<std::string> arguments;  // the entry's words, the compiler first
  std::string directory;               // the entry's, "" without a compile database
};

// Fills `list` for a run mapping `firstStart`, in search order: -iquote,
// -I, -isystem, CLUDEMAP_INCLUDE_PATH, the compiler's own directories
// (--query-compiler), -idirafter, each kind from the command line first,
// then from the compile database entry (-p) chosen for `firstStart`. With
// -v, writes the chosen entry and the list to `verbose`. Fills `command`
// from that entry. Fails where the database or the compiler does.
std::optional<Error> setUpSearchList(const CommandLine& line, const std::string& firstStart,
                                     SearchList& list, StartCommand& command,
                                     std::ostream& verbose);

// The start files of a whole-project run (--all) and their search lists.
struct ProjectStarts {
  // Every source file of the compile database, each once, in the order of
  // the database, as it resolves them (absolute, in normal form).
  std::vector<std::string> files;
  // For each file, its search list: an index into `lists`.
  std::vector<std::size_t> listOf;
  // The distinct search lists, in the order first used.
  std::vector<SearchList> lists;
  // For each file, its entry's command.
  std::vector<StartCommand> commands;
};

// Fills `project` from the compile database of -p: each file's search list
// is the one setUpSearchList builds when the file's first entry is the one
// chosen. A compiler (--query-compiler) is asked once for each language (C
// or C++, sourceLanguageOf() in compdb/source_language.h), however many entries
// name it. With -v, writes each distinct list once, after the first entry
// that uses it. Fails where the database or a compiler does.
std::optional<Error> setUpProjectStarts(const CommandLine& line, ProjectStarts& project,
                                        std::ostream& verbose);

#endif  // CLUDEMAP_APP_SEARCH_SETUP_H_
