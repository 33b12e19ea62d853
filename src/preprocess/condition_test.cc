#include "preprocess/condition.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <sstream>

#include "preprocess/compiler_oracle_test.h"
#include "preprocess/tokenize.h"

namespace {

struct Row {
  std::string defines;
  std::string expression;
};

// clang-format off
// #if expressions, each with no macro of its own.
const char* const kExpressions[] = {
    // Integer literals: bases, suffixes, separators, overflow, floats.
    "0x7fffffffffffffff + 0 > 0", "18446744073709551615 == -1", "-1 < 0u", "0xFFFFFFFFFFFFFFFF > 0",
    "1'000 == 1000", "1''0", "0b101 == 5", "010 == 8", "08", "0b12", "1.0 || 1", "1e3", "0x1p3",
    "10z == 10", "10uz", "1ull == 1", "1lul", "1lL", "1LL", "99999999999999999999 < 0",
    "0x1FFFFFFFFFFFFFFFF < 0", "1i", "0x", "1u8", "0x1e5 == 480", "0b",
    // Character literals.
    "'a' == 97", "'\\377' < 0", "'\\xff' < 0", "'ab' == 24930", "'abcde' == 1650680933",
    "u'ab' == 98", "L'ab' == 98", "u8'a' == 97", "u8'\\xff' < 0", "U'a' - 98 > 0",
    "L'\\xffffffff' < 0", "u'\\xffff' > 0", "'\\u00e9' == 0xc3a9", "L'\xc3\xa9' == 0xe9",
    "'\xc3\xa9' == 0xc3a9", "u'\\U0001F600' == 0xDE00", "'\\e' == 27", "'\\q' == 'q'", "''",
    "'\\x' == 0", "'\\400' == 0", "'a'_x", "'\\0' == 0 && '\\n' == 10", "U'\\xffffffff' > 0",
    "'\\u0041' == 65", "L'\\U00110000'",
    // Arithmetic as intmax_t and uintmax_t.
    "-5 / 0 == 5", "0 && 1/0", "1 || 1/0", "1 ? 2 : 1/0", "0 ? 1/0 : 2", "(1, 2) == 2",
    "1 << 64 == 0", "1 << -1 == 0", "-1 >> 70 == -1", "-1 >> 1 == -1",
    "(-9223372036854775807-1) / -1 < 0", "(-9223372036854775807-1) % -1 == 0",
    "-7 % 3 == -1 && 7 % -3 == 1", "(1 ? -1 : 0u) > 0", "(0 ? 0u : -1) > 0", "!0u - 1 < 0",
    "~0u > 0 && -1u > 0", "(0u, -1) < 0", "1 == 1 == 1", "1 ? 2 : 3 ? 0 : 0", "1 ? 1, 0 : 1",
    "0 ? 0 : 1, 0", "- - 1 == 1", "!!2 == 1 && ~~5 == 5", "-9223372036854775807 - 2 > 0", "1 << 63 >> 63 == -1",
    "(1u << 63) >> 63 == 1", "2 >> -1 == 4",
    // Syntax errors: the group is not taken.
    "", ")", "1 +", "* 1", "1 2", "(1", "1)", "1 ? 2", "1 : 2", "()", "1 = 1", "\"a\"", "1 <=> 2",
    "1 ? 2 : 3 : 4", "1 && (0 ||)", "@", "1 +/ 2", "a.b",
    // Identifiers, C++'s words, `defined`.
    "undefined_x == 0", "true", "false == 0", "1 and 0 or not 0", "compl 0 == -1", "int", "defined",
    "defined(", "defined(X", "defined(1)", "defined and", "1 || defined(X",
    "defined(__FILE__) && defined _Pragma && defined __has_include", "_Pragma(\"x\")",
    // __has_include.
    "__has_include(<present.h>)", "__has_include(\"local.h\")", "__has_include(<local.h>)",
    "__has_include(\"present.h\")", "__has_include(<sub/deep.h>) && !__has_include(<absent.h>)",
    "__has_include", "__has_include(stdio.h)", "__has_include(<present.h>",
    "__has_include_next(<present.h>)", "0 && __has_include(<present.h>)",
    "__has_include(<present.h) || 1",
    // The operators the compiler answers.
    "__has_attribute(noreturn)", "__has_attribute(__noreturn__) > 1",
    "__has_cpp_attribute(nodiscard)", "__has_cpp_attribute(gnu::always_inline)",
    "__has_attribute(gnu::cold)", "__has_c_attribute(deprecated)",
    "__has_builtin(__builtin_expect) && !__has_builtin(nonexistent_x)", "__has_attribute()",
    "__has_attribute(1)", "__has_attribute", "__has_feature(x)", "0 && __has_attribute(cold)",
    "__has_attribute(gnu::)",
    // Built-in macros and expansion.
    "__INCLUDE_LEVEL__ == 0 && __COUNTER__ == __COUNTER__ - 1",
    "((((((((((((((((((((((((((((((((1))))))))))))))))))))))))))))))))",
    "- - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - 1",
};
// #if expressions and the macros they use.
const Row kMacroRows[] = {
    {"#define X", "defined X && defined(X)"},
    {"#define D defined\n#define X", "D X && D(X) && !D Y"},
    {"#define X\n#define DX(y) defined(y)", "DX(X)"},
    {"#define DV(...) defined __VA_OPT__(X)", "DV(1)"},
    {"#define HDR <present.h>", "__has_include(HDR)"},
    {"#define S(x) #x", "__has_include(S(local.h))"},
    {"#define HI __has_include", "HI(<present.h>)"},
    {"#define ATTR noreturn", "__has_attribute(ATTR)"},
    {"#define CAT(a,b) a##b", "CAT(1,2) == 12 && CAT(0x,1F) == 31"},
    {"#define CAT(a,b) a##b", "CAT(1,.)"}, {"#define CAT(a,b) a##b", "CAT(+,-)"},
    {"#define F(x) x", "F("}, {"#define G(a,b) a", "G(1)"}, {"#define EMPTY", "EMPTY"},
    {"#define EMPTY", "EMPTY 1"}, {"#define ONE 1\n#define TWO ONE + ONE", "TWO == 2"},
    {"#define F(x) x", "F(F)(1)"}, {"#define L (\n#define R )", "L 1 R"},
    {"#define SELF SELF + 1", "SELF"},
    {"#define V(a, ...) a __VA_OPT__(+ __VA_ARGS__)\n#define E",
     "V(1) == 1 && V(1, 2) == 3 && V(2, E) == 2"},
};
// clang-format on

using Question = std::pair<Builtin, std::string>;
using Answers = std::map<Question, std::intmax_t>;

// An #if group a row, with its macros.
std::vector<Block> ifBlocks(const std::vector<Row>& rows) {
  std::vector<Block> blocks(rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    blocks[i] = {rows[i].defines, "#if " + rows[i].expression + "\n@@\n#endif"};
  }
  return blocks;
}

// The compiler's values for `questions`, read bit by bit from the #if
// groups it takes: the way a caller batches them.
Answers askCompiler(const std::string& command, const std::set<Question>& questions) {
  const MacroTable names(Dialect(), Compiler::kClang);
  std::vector<Row> rows;
  for (const Question& q : questions) {
    std::string name = "__has_attribute";
    for (const char* op : {"__has_cpp_attribute", "__has_c_attribute", "__has_builtin"}) {
      if (names.peek(op)->builtin == q.first) name = op;
    }
    for (int bit = 0; bit < 32; ++bit) {
      rows.push_back({"", "((" + name + "(" + q.second + ")) >> " + std::to_string(bit) + ") & 1"});
    }
  }
  const BlockRun run = compileBlocks(command + " -E -P", scratchDirectory(), ifBlocks(rows));
  Answers answers;
  std::size_t row = 0;
  for (const Question& q : questions) {
    for (int bit = 0; bit < 32; ++bit)
      answers[q] |= std::intmax_t{run.output[row++].has_value()} << bit;
  }
  return answers;
}

struct Config {
  const char* command;  // the compiler and its language
  bool cplusplus;
  const char* standard;
};
const Config kConfigs[] = {{"g++ -x c++ -std=gnu++20", true, "gnu++20"},
                           {"g++ -x c++ -std=c++11", true, "c++11"},
                           {"gcc -x c -std=gnu17", false, "gnu17"}};

// Evaluates every row as the compiler of `config` does, starting from its
// predefined macros and with the headers of -I inc, and compares. The
// __has_* questions go to the compiler until there are no more (an answer
// can lead to another: 0 && __has_builtin(y) no longer skips y).
BlockRun compareWithCompiler(const Config& config, const std::vector<Row>& rows) {
  const std::filesystem::path directory = scratchDirectory();
  for (const char* header : {"inc/present.h", "inc/sub/deep.h", "local.h"}) {
    writeText(directory / header, "");
  }
  BlockRun gcc =
      compileBlocks(std::string(config.command) + " -E -P -I inc", directory, ifBlocks(rows));
  if (!gcc.ran) return gcc;
  Unit unit(dialectFor(config.cplusplus, config.standard));
  unit.run(
      runCompiler(std::string(config.command) + " -dM -E", directory, {{"empty.txt", ""}}).out);
  EXPECT_GT(unit.macros.size(), 100u) << "predefined macros from " << config.command;
  unit.language = languageOf(unit.language.dialect, unit.macros);
  unit.questions.hasInclude = [directory](std::string_view name, bool angled, bool) {
    return (!angled && std::filesystem::exists(directory / name)) ||
           std::filesystem::exists(directory / "inc" / name);
  };
  std::set<Question> asked;
  Answers answers;
  unit.questions.compilerValue = [&](Builtin which, std::string_view operand) {
    const auto known = answers.find({which, std::string(operand)});
    if (known != answers.end()) return std::optional<std::intmax_t>(known->second);
    asked.emplace(which, operand);
    return std::optional<std::intmax_t>();
  };
  std::vector<ConditionResult> results(rows.size());
  for (std::size_t round = 0, known = 1; known != asked.size() && round < 4; ++round) {
    known = asked.size();
    if (!asked.empty()) answers = askCompiler(config.command, asked);
    for (std::size_t i = 0; i < rows.size(); ++i) {
      const MacroTable saved = unit.macros;
      EXPECT_EQ(unit.run(rows[i].defines), "");
      unit.builtins.line = gcc.bodyLines[i];
      results[i] =
          evaluateCondition(tokenize(rows[i].expression, false, unit.language.dialect), unit.env);
      unit.macros = saved;
    }
  }
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const std::string where =
        config.standard + (" " + rows[i].defines) + "\n#if " + rows[i].expression;
    EXPECT_FALSE(results[i].unanswered) << where;
    EXPECT_EQ(results[i].value, gcc.output[i].has_value()) << where;
    EXPECT_EQ(!results[i].error.empty(), gcc.failed[i]) << where << ": " << results[i].error;
  }
  return gcc;
}

TEST(Condition, EvaluatesAsGcc) {
  for (const Config& config : kConfigs) {
    std::vector<Row> rows(std::begin(kMacroRows), std::end(kMacroRows));
    for (const char* expression : kExpressions) rows.push_back({"", expression});
    compareWithCompiler(config, rows);
  }
}

// Deep nesting would overflow the stack of a recursive parser.
TEST(Condition, StaysBounded) {
  Unit unit;
  for (const std::string& deep : {std::string(100000, '(') + "1" + std::string(100000, ')'),
                                  repeat("- ", 100000) + "1", repeat("1 ? 1 : ", 100000) + "1"}) {
    const ConditionResult result = evaluateCondition(tokenize(deep), unit.env);
    EXPECT_FALSE(result.value);
    EXPECT_EQ(result.error, "#if expression nests too deeply");
  }
}

// Random macro nests and expressions, each row's macros its own.
class RandomRows {
 public:
  explicit RandomRows(unsigned seed) : random_(seed) {}

  // Macros A, B, F, G, P, V, S and D, named with suffix `_row`.
  Row next(std::size_t row) {
    suffix_ = "_" + std::to_string(row);
    std::string defines =
        "#define A@ " + expression(2) + "\n#define B@ " + expression(2) + "\n#define F@(x) " +
        binary("(x)", expression(1)) + "\n#define G@(x, y) " + binary("(x)", "(y)") +
        "\n#define P@(a, b) a ## b\n#define V@(...) (0 __VA_OPT__(+ (__VA_ARGS__)))"
        "\n#define S@ (S@ + 1)\n#define D@ defined";
    for (std::size_t at; (at = defines.find('@')) != std::string::npos;)
      defines.replace(at, 1, suffix_);
    std::string expression = this->expression(4);
    if (pick(20) == 0) expression += pick(2) == 0 ? " +" : " )";
    return {defines, expression};
  }

 private:
  std::size_t pick(std::size_t n) {
    return std::uniform_int_distribution<std::size_t>(0, n - 1)(random_);
  }
  template <std::size_t N>
  std::string pick(const char* const (&choices)[N]) {
    return choices[pick(N)];
  }

  std::string binary(const std::string& a, const std::string& b) {
    constexpr const char* kOperators[] = {"+",  "-",  "*",  "/",  "%", "<<", ">>", "<",  ">",
                                          "<=", ">=", "==", "!=", "&", "^",  "|",  "&&", "||"};
    return a + " " + pick(kOperators) + " " + b;
  }

  std::string expression(int depth) {
    // clang-format off
    constexpr const char* kNumbers[] = {
        "0", "1", "2", "3", "7", "10", "63", "64", "65", "255", "0x7fffffffffffffff", "0u",
        "0x8000000000000000", "18446744073709551615", "9223372036854775807", "0xffffffffffffffffu",
        "077", "0b1011", "1u", "3ull", "2LL", "100000000000000000000", "'a'", "'\\xff'", "'ab'",
        "L'x'", "u'\\xffff'", "U'a'", "'\\377'", "4294967296"};
    constexpr const char* kNames[] = {"A", "B", "S", "U"};
    constexpr const char* kUnary[] = {"-", "+", "~", "!"};
    constexpr const char* kLeft[] = {"1", "0x", "12", "0"};
    constexpr const char* kRight[] = {"2", "F", "0", "u"};
    // clang-format on
    const std::size_t kind = depth <= 0 ? pick(3) : pick(13);
    const auto sub = [&] { return expression(depth - 1); };
    if (kind < 2) return pick(kNumbers);
    if (kind == 2) return pick(kNames) + suffix_;
    if (kind == 3) return pick(kUnary) + sub();
    if (kind < 6) return "(" + binary(sub(), sub()) + ")";
    if (kind == 6) return binary(sub(), sub());
    if (kind == 7) return "(" + sub() + " ? " + sub() + " : " + sub() + ")";
    if (kind == 8) return "(" + sub() + ", " + sub() + ")";
    if (kind == 9 && pick(2) == 0) return "defined " + pick(kNames) + suffix_;
    if (kind == 9) return "D" + suffix_ + "(" + pick(kNames) + suffix_ + ")";
    if (kind == 10) return "F" + suffix_ + "(" + sub() + ")";
    if (kind == 11 && pick(2) == 0)
      return "P" + suffix_ + "(" + pick(kLeft) + ", " + pick(kRight) + ")";
    if (kind == 11) return "G" + suffix_ + "(" + sub() + ", " + sub() + ")";
    return "V" + suffix_ + "(" + (pick(2) == 0 ? "" : sub()) + ")";
  }

  std::mt19937 random_;
  std::string suffix_;
};

TEST(Condition, EvaluatesRandomExpressionsAsGcc) {
  RandomRows random(20240601);
  std::vector<Row> rows;
  for (std::size_t i = 0; i < 300; ++i) rows.push_back(random.next(i));
  for (const Config& config : {kConfigs[0], kConfigs[2]}) {
    const BlockRun gcc = compareWithCompiler(config, rows);
    // Enough of each outcome for the comparison to mean something.
    const auto taken = std::count_if(gcc.output.begin(), gcc.output.end(),
                                     [](const auto& output) { return output.has_value(); });
    const auto failed = std::count(gcc.failed.begin(), gcc.failed.end(), true);
    EXPECT_GT(taken, 60) << config.standard;
    EXPECT_GT(300 - taken, 60) << config.standard;
    EXPECT_GT(failed, 20) << config.standard;
  }
}

}  // namespace
