// The compiler's answers to the questions of #if that only it can answer:
// __has_builtin(X), __has_attribute(X) and the like, and whether it counts
// such a name as defined. Questions are gathered and answered in batches,
// one compiler run a batch, and every answer is kept.
#ifndef CLUDEMAP_COMPDB_FEATURE_ORACLE_H_
#define CLUDEMAP_COMPDB_FEATURE_ORACLE_H_

#include <cstddef>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "compdb/compiler_configuration.h"
#include "compdb/compiler_macros.h"
#include "util/error.h"

enum class FeatureKind {
  kDefined,  // defined(NAME): for names the compiler treats as defined without listing them
  kBuiltin,  // __has_builtin
  kAttribute,
  kCppAttribute,
  kCAttribute,
  kFeature,
  kExtension,
  kWarning,
  kDeclspecAttribute,
};

// "defined", "__has_builtin", "__has_attribute", "__has_cpp_attribute",
// "__has_c_attribute", "__has_feature", "__has_extension", "__has_warning",
// "__has_declspec_attribute".
std::string_view featureKindName(FeatureKind kind);
// The kind of one of those names; nothing for other names.
std::optional<FeatureKind> featureKindNamed(std::string_view name);

struct FeatureQuestion {
  FeatureKind kind;
  // The tokens between the parentheses, spelled as in the source after any
  // expansion the compiler does there, on one line: "__builtin_expect",
  // "gnu::unused", "\"-Wall\"". The compiler sees it with its predefined
  // macros only (no -D of the command).
  std::string argument;

  bool operator<(const FeatureQuestion& other) const {
    return std::tie(kind, argument) < std::tie(other.kind, other.argument);
  }
};

struct FeatureAnswer {
  // False where the compiler reports an error for `#if KIND(ARGUMENT)`: an
  // argument it rejects, or a kind it does not know at all (GCC 12 has no
  // __has_feature: there the name is an ordinary identifier, 0, and the
  // parenthesis after it a syntax error). An argument holding a line break
  // or a comment is never sent, and rejected.
  bool accepted = false;
  long long value = 0;  // the value of KIND(ARGUMENT) in #if; 0 where not accepted

  bool operator==(const FeatureAnswer& other) const {
    return accepted == other.accepted && value == other.value;
  }
};

// One configuration's answers. An evaluator reads a file in two passes: the
// first asks every question it meets that cached() cannot answer, then
// resolvePending() answers them all in one run, and the second pass finds
// them cached. Questions that only a taken branch reveals need a further
// round, one run each.
class FeatureOracle {
 public:
  // Asks `configuration`'s compiler, with its options and language; a
  // compiler whose `macros` define __clang__ is also told -ferror-limit=0,
  // since it stops after 20 errors and a batch may hold rejected questions.
  FeatureOracle(const CompilerConfiguration& configuration, const CompilerMacros& macros);

  // The answer, when a run has given it.
  std::optional<FeatureAnswer> cached(const FeatureQuestion& question) const;
  // Adds `question` to the next batch unless it is answered or waiting.
  void ask(const FeatureQuestion& question);
  std::size_t pendingCount() const { return pending_.size(); }
  // Answers every waiting question with one run of the compiler on a
  // temporary file (none when nothing waits), in the C locale. Fails
  // (kUnusableInput), the questions staying in wait, with "cannot run the
  // compiler COMPILER: reason", "the compiler COMPILER stopped before
  // answering (exit status N): its first line of output", or a temporary
  // file's error.
  std::optional<Error> resolvePending();
  // cached(), else a batch of this one question and any waiting; fails as
  // resolvePending() does.
  Expected<FeatureAnswer> answer(const FeatureQuestion& question);

  // How many times the compiler has been started, or tried.
  int runs() const { return runs_; }

 private:
  std::string compiler_;
  std::vector<std::string> options_;  // before the batch file's name
  std::map<FeatureQuestion, FeatureAnswer> answers_;
  std::set<FeatureQuestion> pending_;
  int runs_ = 0;
};

#endif  // CLUDEMAP_COMPDB_FEATURE_ORACLE_H_
