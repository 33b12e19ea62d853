// The compiler's view of one translation unit: the macros its files leave
// behind, the files it will not enter again, and the walk through one
// file's directives that takes exactly the groups the compiler takes.
#ifndef CLUDEMAP_SCAN_TRANSLATION_UNIT_H_
#define CLUDEMAP_SCAN_TRANSLATION_UNIT_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "preprocess/directive_lexer.h"
#include "preprocess/macro_expander.h"
#include "preprocess/macro_table.h"
#include "scan/include_directive.h"
#include "scan/scan_config.h"
#include "scan/warning_sink.h"

// The texts of the warnings only the compiler's view gives, each one line.
inline constexpr std::string_view kDirectiveWarning = "Warning: In file: %s, line %s: %s\n";

// Answers only the compiler has: its value for a __has_builtin,
// __has_attribute or like question, asked in batches. known() answers from
// what has been asked; a question it cannot answer yet is kept for the
// next askPending().
class CompilerAnswers {
 public:
  virtual ~CompilerAnswers() = default;
  virtual std::optional<std::intmax_t> known(std::size_t preprocessing, Builtin which,
                                             std::string_view operand) = 0;
  // Asks the compiler every question kept since the last call, in one run
  // per configuration; false when there were none.
  virtual bool askPending() = 0;
};

// An include the compiler follows.
struct IncludeRequest {
  IncludeKind kind = IncludeKind::kQuoted;  // kQuoted, kAngle or kNext
  std::string name;                         // without quotes or brackets
  std::string label;                        // "name" quoted, "<name>" angled
  std::uint32_t line = 0;
  bool import = false;  // #import: the file is read once at most
};

// One conditional group open in a file.
struct OpenGroup {
  bool taking = false;     // its current branch is taken
  bool takenOnce = false;  // some branch of it was taken, or none may be
  bool sawElse = false;
  std::uint32_t line = 0;  // of its #if
};

// How far the compiler has read one file it entered.
struct FileWalk {
  const LexedFile* file = nullptr;
  std::string path;      // as the scan opened it: __FILE__, and the warnings'
  std::string identity;  // what #pragma once marks: the canonical path
  std::string route;     // how it was found: where, by what name (GCC keeps guards by it)
  std::size_t next = 0;
  std::vector<OpenGroup> groups;
  int includeLevel = 0;  // __INCLUDE_LEVEL__: 0 for the start file
  // What #line made of __FILE__ (unset: `path`) and __LINE__ (the
  // physical line plus `lineShift`).
  std::optional<std::string> presumedPath;
  long lineShift = 0;
};

class TranslationUnit {
 public:
  // `hasInclude` answers __has_include and __has_include_next for the file
  // being walked; `answers`, when given, the compiler's own questions.
  TranslationUnit(const Preprocessing& config, std::size_t configIndex, std::string baseFile,
                  CompilerAnswers* answers, WarningSink& warnings,
                  std::function<bool(std::string_view name, bool angled, bool next)> hasInclude);

  // Applies the compile command's -D and -U, in order; -include and
  // -imacros are the caller's to enter, as it enters the start file.
  void applyMacroOptions();

  // Reads `walk` on to its next include in a taken group and returns it,
  // applying every directive on the way; nothing at the file's end, where
  // a group still open is warned about.
  std::optional<IncludeRequest> nextInclude(FileWalk& walk);

  // Whether the compiler reads the file `identity` (a canonical path),
  // whose lexed form is `file`, at `request`, which found it by `route`;
  // the unit then counts it read. Not where #pragma once or an #import
  // marked it, nor at an #import of a file read before, nor where its
  // include guard's macro is defined and the compiler has read it to its
  // end, which is when it learns the guard. GCC learns a guard per route
  // (FileWalk::route): by another, it reads the file again, to no effect.
  // Clang learns it per file.
  bool enters(const std::string& identity, const std::string& route, const LexedFile& file,
              const IncludeRequest& request);

  // Whether some directive asked the compiler a question it had no answer
  // to yet: its #if went as if the answer were 0.
  bool unanswered() const { return unanswered_; }

 private:
  bool evaluate(const FileWalk& walk, const Directive& directive);
  bool defined(const FileWalk& walk, const Directive& directive);
  void conditional(FileWalk& walk, const Directive& directive);
  void apply(FileWalk& walk, const Directive& directive);
  void line(FileWalk& walk, const Directive& directive);
  std::optional<IncludeRequest> include(const FileWalk& walk, const Directive& directive);
  void warn(const FileWalk& walk, std::uint32_t line, std::string_view message);
  BuiltinContext builtinsAt(const FileWalk& walk, const Directive& directive);

  const Preprocessing& config_;
  const std::size_t configIndex_;
  const std::string baseFile_;
  CompilerAnswers* answers_;
  WarningSink& warnings_;
  MacroTable macros_;
  Language language_;
  Questions questions_;
  TextArena arena_;
  unsigned long counter_ = 0;
  std::unordered_set<std::string> once_;
  std::unordered_set<std::string> read_;  // the files read, by identity
  // The routes (for clang, the files) of the files read to their end.
  std::unordered_set<std::string> readThrough_;
  bool unanswered_ = false;
};

#endif  // CLUDEMAP_SCAN_TRANSLATION_UNIT_H_
