// The macros of one translation unit as #define, #undef, -D and -U leave
// them, with the compiler's own built-in macros.
#ifndef CLUDEMAP_PREPROCESS_MACRO_TABLE_H_
#define CLUDEMAP_PREPROCESS_MACRO_TABLE_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "preprocess/dialect.h"
#include "preprocess/token.h"

// Which compiler's built-in macros a table starts with: they differ in the
// __has_* operators.
enum class Compiler : std::uint8_t { kGcc, kClang };

// The macros whose expansion the compiler computes itself.
enum class Builtin : std::uint8_t {
  kNone,  // an ordinary macro
  kFile,
  kFileName,
  kBaseFile,
  kLine,
  kCounter,
  kIncludeLevel,
  kDate,
  kTime,
  kTimestamp,
  kPragma,  // _Pragma: defined, but never expanded in a directive
  kHasInclude,
  kHasIncludeNext,
  // The operators only the compiler can answer (see Questions).
  kHasAttribute,
  kHasCppAttribute,
  kHasCAttribute,
  kHasBuiltin,
  kHasFeature,
  kHasExtension,
  kHasWarning,
};

// One token of a replacement list, with what the # and ## operators around
// it said; the operators themselves are gone.
struct MacroToken {
  static constexpr std::uint32_t kNoParameter = ~std::uint32_t{0};
  static constexpr std::uint32_t kVaOpt = kNoParameter - 1;

  Token token;
  // The parameter this token names; kVaOpt for the __VA_OPT__ of a variadic
  // macro, whose '(' follows and whose ')' is at `vaOptEnd`.
  std::uint32_t parameter = kNoParameter;
  std::uint32_t vaOptEnd = 0;
  bool stringize = false;       // "#" stood before it (a parameter or __VA_OPT__)
  bool spacedFromHash = false;  // and white space between them: redefinitions tell
  bool pasteLeft = false;       // "##" follows it
};

// One definition. Its spellings live in the definition itself, which is
// never copied or moved: tables share it.
struct Macro {
  Macro() = default;
  Macro(const Macro&) = delete;
  Macro& operator=(const Macro&) = delete;

  std::string_view name;
  Builtin builtin = Builtin::kNone;
  bool functionLike = false;
  bool variadic = false;  // the last parameter takes the rest: "..." (__VA_ARGS__) or "name..."
  std::vector<std::string_view> parameters;
  std::vector<MacroToken> body;
  std::string spellings;  // what `name`, `parameters` and `body` view

  // The same definition, as the compiler judges a redefinition: the same
  // kind, parameters, tokens and white space between them.
  bool operator==(const Macro& other) const;
  bool operator!=(const Macro& other) const { return !(*this == other); }
};

// Copies share definitions: a copy costs one map entry per macro, so a scan
// may snapshot the table.
class MacroTable {
 public:
  using Definition = std::shared_ptr<const Macro>;
  // Called with every name looked up, defined or not, and what it names
  // (null when nothing): a file's result depends on these alone.
  using LookupHook = std::function<void(std::string_view name, const Definition& found)>;

  // A table with the built-in macros of `compiler`. `dialect` is how -D
  // values lex and whether C++ reserves the operator names ("and", ...).
  explicit MacroTable(const Dialect& dialect = Dialect(), Compiler compiler = Compiler::kGcc);

  // #define and #undef, `operands` being the tokens after the directive
  // name. Return the compiler's error for a malformed directive, which then
  // changes nothing; else "". A redefinition replaces the old one.
  std::string define(const Tokens& operands);
  std::string undefine(const Tokens& operands);
  // The command line's -D NAME (defined as 1), -D NAME=VALUE and -U NAME.
  std::string defineOption(std::string_view option);
  std::string undefineOption(std::string_view name);

  // The definition of `name`, or null (#ifdef asks this); tells the lookup
  // hook.
  const Macro* find(std::string_view name) const { return lookup(name).get(); }
  const Definition& lookup(std::string_view name) const;
  // As lookup(), without telling the hook: for the tool's own questions.
  const Definition& peek(std::string_view name) const;

  // Copies of the table keep the hook; set another (or none) on them.
  void setLookupHook(LookupHook hook) { hook_ = std::move(hook); }
  const Dialect& dialect() const { return dialect_; }
  std::size_t size() const { return macros_.size(); }
  // The tokens of all replacement lists: what expansion may fairly spend
  // grows with it.
  std::size_t bodyTokens() const { return bodyTokens_; }

 private:
  std::string checkName(const Tokens& operands, std::string_view directive) const;
  void remove(std::string_view name);

  std::unordered_map<std::string_view, Definition> macros_;  // keys view the definitions' names
  Dialect dialect_;
  LookupHook hook_;
  Definition none_;  // what lookup() finds for an undefined name
  std::size_t bodyTokens_ = 0;
};

#endif  // CLUDEMAP_PREPROCESS_MACRO_TABLE_H_
