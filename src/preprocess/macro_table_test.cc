#include "preprocess/macro_table.h"

#include <gtest/gtest.h>

#include "preprocess/compiler_oracle_test.h"
#include "preprocess/tokenize.h"

namespace {

// clang-format off
const char* const kDirectives[] = {
    "#define", "#define 1", "#define defined", "#define and 1", "#define f(a", "#define f(a,",
    "#define f(", "#define f(a b)", "#define f(1)", "#define f(,)", "#define f(a,)", "#define f(a,a)",
    "#define f(...", "#define f(a...", "#define f(a... b)", "#define f(a) #b", "#define f(a) #",
    "#define f ##a", "#define f a##", "#define f(a) # ## a", "#define f(...) __VA_OPT__(",
    "#define f(...) __VA_OPT__(__VA_OPT__())", "#define f(...) __VA_OPT__ x",
    "#define f(...) __VA_OPT__(## a)", "#define f(...) __VA_OPT__(a ##)", "#define f(...) __VA_OPT__",
    "#undef", "#undef 1", "#undef defined", "#undef and",
    "#define f() 1", "#define f(a, ...) a __VA_ARGS__", "#define f(args...) args",
    "#define f(x) # x ## x", "#define f (x) x", "#define f(...) #__VA_OPT__(x)",
    "#define f(a) __VA_OPT__(a)", "#define __FILE__ 1", "#undef __LINE__", "#define f(x) %:x",
    "#define f x %:%: y", "#define f(a) a ## ## a", "#define f(...) __VA_OPT__((a)(b)) c",
    "#define f #", "#define f(x) #x #x", "#define __has_include 1",
};
// clang-format on

TEST(MacroTable, RejectsDefinitionsAsGcc) {
  std::string source;
  for (const char* directive : kDirectives) source += std::string(directive) + "\n";
  const CompilerRun gcc =
      runCompiler("g++ -std=gnu++20 -fsyntax-only", scratchDirectory(), {{"defs.cc", source}});
  if (!gcc.ran) GTEST_SKIP() << "no g++";
  const std::map<int, std::string> errors = errorsByLine(gcc.err, "defs.cc");
  int line = 0;
  for (const char* directive : kDirectives) {
    Unit unit;
    const auto error = errors.find(++line);
    EXPECT_EQ(unit.run(directive), error == errors.end() ? "" : error->second) << directive;
  }
}

// Whether GCC finds a redefinition different ("X redefined") is whether
// the definitions compare unequal.
TEST(MacroTable, ComparesDefinitionsAsGcc) {
  // clang-format off
  const std::pair<const char*, const char*> kPairs[] = {
      {"X 1+2", "X 1+2"}, {"X 1+2", "X 1 + 2"}, {"X 1  +2", "X 1 +2"}, {"X  1", "X 1"},
      {"F(a) a", "F(b) b"}, {"F(a) a", "F(a)  a"}, {"F(a) #a", "F(a) # a"}, {"X", "X "},
      {"F(a) a##a", "F(a) a ## a"}, {"F(a) a", "F (a) a"}, {"X 1", "X 2"},
      {"F(...) __VA_ARGS__", "F(args...) args"}};
  // clang-format on
  std::string source;
  for (const auto& [first, second] : kPairs) {
    source += "#define " + std::string(first) + "\n#define " + second + "\n#undef " +
              std::string(first).substr(0, 1) + "\n";
  }
  const CompilerRun gcc =
      runCompiler("g++ -fsyntax-only", scratchDirectory(), {{"redef.cc", source}});
  if (!gcc.ran) GTEST_SKIP() << "no g++";
  int line = 2;
  for (const auto& [first, second] : kPairs) {
    Unit unit;
    unit.run("#define " + std::string(first));
    const MacroTable::Definition old = unit.macros.peek(std::string_view(first, 1));
    unit.run("#define " + std::string(second));
    const bool redefined =
        gcc.err.find("redef.cc:" + std::to_string(line) + ": warning") != std::string::npos;
    EXPECT_EQ(*old != *unit.macros.peek(std::string_view(first, 1)), redefined)
        << first << " / " << second;
    line += 3;
  }
}

TEST(MacroTable, TakesCommandLineDefinitions) {
  MacroTable table;
  EXPECT_EQ(table.defineOption("X"), "");
  EXPECT_EQ(table.defineOption("Y=2 + 3=4"), "");
  EXPECT_EQ(table.defineOption("F(a)=a*2"), "");
  EXPECT_EQ(table.defineOption("E="), "");
  EXPECT_EQ(table.defineOption("=1"), "macro names must be identifiers");
  EXPECT_EQ(spellings({table.find("X")->body[0].token}), "1");
  ASSERT_EQ(table.find("Y")->body.size(), 5u);
  EXPECT_EQ(table.find("Y")->body[4].token.text, "4");
  EXPECT_TRUE(table.find("F")->functionLike);
  EXPECT_TRUE(table.find("E")->body.empty());
  EXPECT_EQ(table.undefineOption("X"), "");
  EXPECT_EQ(table.find("X"), nullptr);
}

TEST(MacroTable, CopiesShareDefinitionsAndReportLookups) {
  Unit unit;
  unit.run("#define A 1\n#define B(x) x");
  MacroTable copy = unit.macros;
  unit.run("#undef A\n#define B 2");
  EXPECT_EQ(unit.macros.find("A"), nullptr);
  ASSERT_NE(copy.find("A"), nullptr);
  EXPECT_TRUE(copy.find("B")->functionLike);
  EXPECT_EQ(copy.peek("A")->body[0].token.text, "1");

  std::vector<std::pair<std::string, bool>> seen;
  copy.setLookupHook([&seen](std::string_view name, const MacroTable::Definition& found) {
    seen.emplace_back(name, found != nullptr);
  });
  copy.find("A");
  copy.find("NONE");
  copy.peek("B");
  const std::vector<std::pair<std::string, bool>> expected = {{"A", true}, {"NONE", false}};
  EXPECT_EQ(seen, expected);
}

}  // namespace
