// Macro expansion of directive lines, done the way GCC does it, down to the
// white space that stringizing and computed includes see.
#ifndef CLUDEMAP_PREPROCESS_MACRO_EXPANDER_H_
#define CLUDEMAP_PREPROCESS_MACRO_EXPANDER_H_

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "preprocess/dialect.h"
#include "preprocess/macro_table.h"
#include "preprocess/token.h"

// What expansion and #if evaluation know of the language beyond its lexing.
struct Language {
  Dialect dialect;
  bool strict = false;           // -std=c.. rather than gnu..: __STRICT_ANSI__
  bool u8Characters = true;      // u8'a' is one literal: C++17, C2X
  bool charIsUnsigned = false;   // __CHAR_UNSIGNED__
  int wcharBits = 32;            // __WCHAR_WIDTH__
  bool wcharIsUnsigned = false;  // __WCHAR_UNSIGNED__
};

// The language the compiler's predefined macros describe, lexed as
// `dialect` says.
Language languageOf(const Dialect& dialect, const MacroTable& predefined);

// The values of the built-in macros at the directive being evaluated.
struct BuiltinContext {
  std::string_view file;      // __FILE__, as #line leaves it
  std::string_view baseFile;  // __BASE_FILE__: the main file
  long line = 1;              // __LINE__: the directive's line
  int includeLevel = 0;       // __INCLUDE_LEVEL__
  unsigned long counter = 0;  // __COUNTER__'s next value; each use advances it
};

// Answers only the caller has.
struct Questions {
  // __has_include and __has_include_next: whether the header `name` is
  // found. Unset: never.
  std::function<bool(std::string_view name, bool angled, bool next)> hasInclude;
  // __has_attribute, __has_builtin and the other operators only the
  // compiler answers (`which`): its value for `operand`, spelled "noreturn",
  // "gnu::cold" or "\"-Wall\"". nullopt while not known: the evaluation then
  // says so, for the caller to ask the compiler and evaluate again. Unset: 0.
  std::function<std::optional<std::intmax_t>(Builtin which, std::string_view operand)>
      compilerValue;
};

// Everything expanding one line reads, and the __COUNTER__ it advances.
struct Environment {
  const MacroTable& macros;
  const Language& language;
  BuiltinContext& builtins;
  const Questions& questions;
};

// Keeps the spellings expansion makes (pasted, stringized, built-in
// values); tokens may view them while the arena lives.
class TextArena {
 public:
  std::string_view keep(std::string text) { return texts_.emplace_back(std::move(text)); }

 private:
  std::deque<std::string> texts_;
};

// Where a line is expanded. The compiler pads expansions differently in
// each, which shows in stringizing and in what `defined` reads.
enum class ExpansionMode : std::uint8_t {
  kCondition,  // #if and #elif
  kInclude,    // #include, #include_next, #import
  kText,       // ordinary text, as the compiler's -E shows it
};

// The expansion of one line, read a token at a time: #if evaluation reads
// lazily, as the compiler does, because what it has read so far decides
// how the rest expands (`defined`, skipped operands of && || ?:).
//
// Never crashes or runs away: a line may produce a million tokens (more
// with larger macros) and nest expansions 200 deep; beyond that, or after a
// problem, error() says why. Expansion stops at "macro expansion too large" or
// "... nests too deeply"; other problems (an unterminated call, a bad paste)
// leave the tokens as the compiler leaves them.
class MacroExpander {
 public:
  enum class Read : std::uint8_t { kToken, kPadding, kEnd };

  // `line` and `env` must outlive the expander; new spellings go to `arena`.
  MacroExpander(const Tokens& line, Environment& env, ExpansionMode mode, TextArena& arena);
  ~MacroExpander();
  MacroExpander(const MacroExpander&) = delete;
  MacroExpander& operator=(const MacroExpander&) = delete;

  // The next token. kPadding marks where the compiler has a padding token
  // (`token` unchanged): only `defined` looks at it. With `expand` false, a
  // macro name is read as it is (the operand of `defined`).
  Read read(Token& token, bool expand = true);
  // The next token that is no padding; false at the end.
  bool next(Token& token);

  // Within an operand that && || ?: skip: __has_include asks nothing then.
  void setSkipEvaluation(bool skip);
  // The first problem met, or "". setError() records one of the reader's
  // own, unless one came first.
  const std::string& error() const;
  void setError(std::string message);
  // A __has_* question went unanswered (Questions::compilerValue).
  bool unanswered() const;
  // Expansion gave up (too large, too deep): what was read is incomplete.
  bool stopped() const;

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

// A whole line expanded; `error` as MacroExpander::error().
struct Expansion {
  Tokens tokens;
  std::string error;
};
Expansion expandLine(const Tokens& line, Environment& env, ExpansionMode mode, TextArena& arena);

// The header an #include (or `directive`: "include_next", "import") names,
// from the tokens after the directive name: a header name or string as
// written, else their macro expansion, which must be a string or a
// '<' ... '>' sequence whose spellings GCC joins, one space where white
// space stood.
struct IncludeTarget {
  std::string name;  // without quotes or brackets
  bool angled = false;
  // The compiler's error; with a name, the compiler still looks for it
  // (as after a missing '>').
  std::string error;
};
IncludeTarget expandInclude(const Tokens& operands, Environment& env,
                            std::string_view directive = "include");

#endif  // CLUDEMAP_PREPROCESS_MACRO_EXPANDER_H_
