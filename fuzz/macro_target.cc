// The macro fuzz target: the bytes are lines, each but the last the
// operands of a #define ("#undef " ones of an #undef), the last one an
// expression expanded and evaluated as an #if, an #include and text. The
// first byte picks the language and the compiler. Nothing may crash, hang
// or grow without bound, and a copy of the table must evaluate alike.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "preprocess/condition.h"
#include "preprocess/tokenize.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const unsigned options = data[0];
  const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
  constexpr const char* kStandards[] = {"gnu++20", "c++11", "gnu17", "c2x"};
  Language language;
  language.dialect = dialectFor((options & 3) < 2, kStandards[options & 3]);
  language.strict = (options & 4) != 0;
  language.u8Characters = (options & 8) != 0;
  language.charIsUnsigned = (options & 16) != 0;
  language.wcharBits = (options & 32) != 0 ? 16 : 32;
  MacroTable macros(language.dialect, (options & 64) != 0 ? Compiler::kClang : Compiler::kGcc);
  BuiltinContext builtins{"dir/a.h", "main.c", 7, 1, 0};
  Questions questions;
  questions.hasInclude = [](std::string_view name, bool, bool) { return name.size() % 2 == 0; };
  questions.compilerValue = [](Builtin, std::string_view operand) {
    return operand.size() % 3 == 0 ? std::nullopt : std::optional<std::intmax_t>(operand.size());
  };
  Environment env{macros, language, builtins, questions};

  std::vector<std::string_view> lines;
  for (std::size_t start = 0;;) {
    const std::size_t end = input.find('\n', start);
    lines.push_back(input.substr(start, end - start));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
    // The table keeps its own copies: the line's storage goes now.
    const std::string line(lines[i]);
    const bool undefine = line.compare(0, 7, "#undef ") == 0;
    const Tokens tokens =
        tokenize(std::string_view(line).substr(undefine ? 7 : 0), false, language.dialect);
    undefine ? macros.undefine(tokens) : macros.define(tokens);
  }
  const Tokens expression = tokenize(lines.back(), false, language.dialect);
  const MacroTable copy = macros;
  BuiltinContext copyBuiltins = builtins;
  Environment copyEnv{copy, language, copyBuiltins, questions};
  const ConditionResult result = evaluateCondition(expression, env);
  const ConditionResult again = evaluateCondition(expression, copyEnv);
  if (result.value != again.value || result.error != again.error) std::abort();
  expandInclude(tokenize(lines.back(), true, language.dialect), env);
  TextArena arena;
  expandLine(expression, env, ExpansionMode::kText, arena);
  return 0;
}
