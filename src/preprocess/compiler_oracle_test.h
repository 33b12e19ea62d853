// The tests' oracle: the real compiler, run on scratch files, and the same
// lines run through this library.
#ifndef CLUDEMAP_PREPROCESS_COMPILER_ORACLE_TEST_H_
#define CLUDEMAP_PREPROCESS_COMPILER_ORACLE_TEST_H_

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "preprocess/macro_expander.h"

struct CompilerRun {
  std::string out, err;
  bool ran = false;  // the compiler could be started
};

// A directory of its own, removed when the test program ends.
std::filesystem::path scratchDirectory();
void writeText(const std::filesystem::path& path, const std::string& text);

// Runs `command` (such as "g++ -E -P") in `directory` on `files`, written
// there under the names given, in that order.
CompilerRun runCompiler(const std::string& command, const std::filesystem::path& directory,
                        const std::vector<std::pair<std::string, std::string>>& files);

// The first error the compiler gives for each line of `file`.
std::map<int, std::string> errorsByLine(const std::string& err, const std::string& file);

// One file of blocks, each a block's macros, its body and #undef lines for
// the macros. An "@@" in the body stands for a marker of the block: the
// output after it is the block's, and what of the body is not output is
// skipped. An error belongs to the block whose lines it names (an error in
// a macro's expansion names the definition).
struct Block {
  std::string defines, body;
};
struct BlockRun {
  std::vector<std::optional<std::string>> output;
  std::vector<bool> failed;
  std::vector<int> bodyLines;  // where each body starts
  bool ran = false;
};
BlockRun compileBlocks(const std::string& command, const std::filesystem::path& directory,
                       const std::vector<Block>& blocks);

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
std::string repeat(const std::string& text, std::size_t times);

#endif  // CLUDEMAP_PREPROCESS_COMPILER_ORACLE_TEST_H_
