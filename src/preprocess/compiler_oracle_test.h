// The tests' oracle: the real compiler, run on scratch files, and the same
// lines run through this library.
#ifndef CLUDEMAP_PREPROCESS_COMPILER_ORACLE_TEST_H_
#define CLUDEMAP_PREPROCESS_COMPILER_ORACLE_TEST_H_

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "preprocess/macro_expander.h"

struct CompilerRun {
  std::string out, err;
  bool ran = false;  // the compiler could be started
};

// A scratch directory of its own, removed when the test program ends.
std::filesystem::path scratchDirectory();
void writeText(const std::filesystem::path& path, const std::string& text);

// Runs `command` (such as "g++ -E -P -std=gnu++20") on `files`, written into
// `directory` under the names given, in that order.
CompilerRun runCompiler(const std::string& command, const std::filesystem::path& directory,
                        const std::vector<std::pair<std::string, std::string>>& files);

// The first error the compiler gives for each line of `file`.
std::map<int, std::string> errorsByLine(const std::string& err, const std::string& file);

// A translation unit's state as the tests set it up: the table defines the
// `#define` and `#undef` lines given, each through the tokenizer.
struct Unit {
  explicit Unit(const Dialect& dialect = Dialect());
  Unit(const Unit&) = delete;
  Unit& operator=(const Unit&) = delete;
  // The first error of the directives, or "".
  std::string run(const std::string& directives);

  MacroTable macros;
  Language language;
  BuiltinContext builtins;
  Questions questions;
  Environment env{macros, language, builtins, questions};
};

// The spellings of `tokens`, separated by single spaces.
std::string spellings(const Tokens& tokens);

// Source text as lines: `text` appended, and all joined.
void addLines(std::vector<std::string>& lines, const std::string& text);
std::string joinLines(const std::vector<std::string>& lines);
// The #undef lines for what the #define lines of `defines` define.
std::string undefines(const std::string& defines);

#endif  // CLUDEMAP_PREPROCESS_COMPILER_ORACLE_TEST_H_
