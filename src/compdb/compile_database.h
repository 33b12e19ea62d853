// A compile database (compile_commands.json): the compile command of each
// source file of a build, as build systems write it. The tool takes the
// include options of the entry nearest to its start header.
#ifndef CLUDEMAP_COMPDB_COMPILE_DATABASE_H_
#define CLUDEMAP_COMPDB_COMPILE_DATABASE_H_

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "util/error.h"

struct CompileEntry {
  std::string directory;  // where the command runs, absolute in normal form (lexical_path.h)
  std::string file;       // the source file, resolved against `directory`, in normal form
  std::string output;     // as written; "" when the entry names none
};

enum class EntryMatch {
  kSameFile,          // the entry compiles the start header itself
  kSameStem,          // a source file beside the header with its stem (foo.cc for foo.h)
  kNearestDirectory,  // the longest shared directory prefix
};

struct EntryChoice {
  std::size_t index;  // into CompileDatabase::entries()
  EntryMatch match;
};

class CompileDatabase {
 public:
  // The database file `path` names: path/compile_commands.json when `path`
  // is a directory, else `path` itself.
  static std::string databaseFile(const std::string& path);

  // Loads the database `path` names. Fails (kUnusableInput) with one line
  // "FILE: problem", FILE as databaseFile() names it:
  //   "no such file", "is a directory", "not a regular file", "cannot read",
  //   "no entries", "the top level is not an array",
  //   "entry N is not an object", "entry N has no \"directory\"" (or
  //   "file"), "entry N: \"directory\" is not a string" (or "file",
  //   "command", "output"), "entry N: \"arguments\" is not an array of
  //   strings", "entry N has no \"arguments\" or \"command\""
  // with entries counted from 1, or for a JSON syntax error
  // "FILE:LINE:COLUMN: invalid JSON: problem" (columns count bytes from 1),
  // the problem one of "empty document", "text after the end", "missing a
  // name", "missing a colon", "missing a comma or '}'", "missing a comma or
  // ']'", "missing a closing quote", "invalid escape", "invalid number",
  // "invalid value" and "a NUL byte".
  // Nesting depth costs heap, not stack.
  static Expected<CompileDatabase> load(const std::string& path);

  CompileDatabase(CompileDatabase&& other) noexcept;
  CompileDatabase& operator=(CompileDatabase&& other) noexcept;
  ~CompileDatabase();

  const std::string& file() const { return file_; }
  // Never empty, in the order of the file.
  const std::vector<CompileEntry>& entries() const { return entries_; }

  // The entry for the start header `header` (absolute, or relative to the
  // current directory), compared by path text without asking the file
  // system: the entry of that file; else for a header (a name without a
  // source extension), the first entry of a source file beside it with the
  // same stem; else the first entry whose source directory shares the most
  // leading components with the header's directory.
  EntryChoice choose(const std::string& header) const;

  // The command of entry `index` as words: its "arguments", or its
  // "command" split by splitCommand (command_split.h).
  std::vector<std::string> arguments(std::size_t index) const;

  // The compiler of entry `index`, its first word: resolved against the
  // entry's directory when it is a relative path with a separator, else as
  // written (a name for the PATH search). "" for an empty command.
  std::string compiler(std::size_t index) const;

 private:
  struct Json;

  CompileDatabase(std::string file, std::unique_ptr<Json> json);
  std::string fillEntries(const std::string& folder);

  std::string file_;
  std::unique_ptr<Json> json_;
  std::vector<CompileEntry> entries_;
};

#endif  // CLUDEMAP_COMPDB_COMPILE_DATABASE_H_
