#include "preprocess/macro_expander.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "preprocess/compiler_oracle_test.h"
#include "preprocess/tokenize.h"

namespace {

struct Row {
  const char* defines;
  const char* line;
};

// clang-format off
const Row kTextRows[] = {
    // The C standard's examples: rescanning, painting, '#', '##', placemarkers.
    {"#define x 3\n#define f(a) f(x * (a))\n#undef x\n#define x 2\n#define g f\n#define z z[0]\n"
     "#define h g(~\n#define m(a) a(w)\n#define w 0,1\n#define t(a) a\n#define p() int\n"
     "#define q(x) x\n#define r(x,y) x ## y\n#define str(x) # x",
     "f(y+1) + f(f(z)) % t(t(g)(0) + t)(1); g(x+(3,4)-w) | h 5) & m(f)^m(m); "
     "p() i[q()] = { q(1), r(2,3), r(4,), r(,5), r(,) }; char c[2][6] = { str(hello), str() };"},
    {"#define str(s) # s\n#define xstr(s) str(s)\n"
     "#define debug(s, t) printf(\"x\" # s \"= %d, x\" # t \"= %s\", x ## s, x ## t)\n"
     "#define INCFILE(n) vers ## n\n#define glue(a, b) a ## b\n#define xglue(a, b) glue(a, b)\n"
     "#define HIGHLOW \"hello\"\n#define LOW LOW \", world\"",
     "debug(1, 2); fputs(str(strncmp(\"abc\\0d\", \"abc\", '\\4') == 0) str(: @\\n), s); "
     "xstr(INCFILE(2).h) glue(HIGH, LOW); xglue(HIGH, LOW)"},
    {"#define t(x,y,z) x ## y ## z",
     "{ t(1,2,3), t(,4,5), t(6,,7), t(8,9,), t(10,,), t(,11,), t(,,12), t(,,) }"},
    {"#define debug(...) fprintf(stderr, __VA_ARGS__)\n#define showlist(...) puts(#__VA_ARGS__)\n"
     "#define report(test, ...) ((test)?puts(#test): printf(__VA_ARGS__))",
     "debug(\"Flag\"); debug(\"X = %d\\n\", x); showlist(The first, second, and third items.); "
     "report(x>y, \"x is %d but y is %d\", x, y);"},
    {"#define f(a) a*g\n#define g(a) f(a)", "f(2)(9)"},
    {"#define A B\n#define B A\n#define f(x) g x\n#define g f", "A B f(1)(2) (3)"},
    {"#define f(x) x f\n#define a(x) x\n#define b a", "f(1)(2) b(b)(1) a(a)(1)"},
    {"#define lparen (\n#define F(x) [x]\n#define G F lparen 1)\n#define H F", "G H (2) H"},
    {"#define F(x) x\n#define E", "F(F(F(1))) F() F(E) F((a,b)) F( ( a , ( b ) ) )"},
    {"#define F(a,b) a+b\n#define G() g", "F(1) x G(x) y G() z"},
    // __VA_OPT__, GNU's comma elision and named variadic parameters.
    {"#define F(...) f(0 __VA_OPT__(,) __VA_ARGS__)\n#define G(X, ...) f(0, X __VA_OPT__(,) __VA_ARGS__)\n"
     "#define SDEF(sname, ...) S sname __VA_OPT__(= { __VA_ARGS__ })\n#define EMP",
     "F(a,b,c) F() F(EMP) G(a,b,c) G(a,) G(a) SDEF(foo); SDEF(bar, 1, 2);"},
    {"#define H2(X, Y, ...) __VA_OPT__(X ## Y,) __VA_ARGS__\n#define H3(X, ...) #__VA_OPT__(X##X X##X)\n"
     "#define H4(X, ...) __VA_OPT__(a X ## X) ## b\n#define H5A(...) __VA_OPT__()__VA_OPT__()\n"
     "#define H5B(X) a ## X ## b\n#define H5C(X) H5B(X)",
     "H2(a, b, c, d) H3(, 0) H4(, 1) H5C(H5A())"},
    {"#define S(...) #__VA_OPT__(x y)\n#define P(x, ...) x ## __VA_OPT__(y z) ## w\n"
     "#define Q(x, ...) __VA_OPT__(x ## x) ## x\n#define R(x,...) a ## __VA_OPT__() ## b\n"
     "#define V(a, ...) v(a __VA_OPT__(,) __VA_ARGS__)\n#define E",
     "S() S(1) P(a) P(a,1) P(,1) P(,) Q(a) Q(a,1) Q(,1) R(1) R(1,2) V(1,E) V(1,E E)"},
    {"#define H(...) h(0, ## __VA_ARGS__)\n#define K(a, ...) k(a, ## __VA_ARGS__)\n"
     "#define N(fmt, args...) n(fmt, ## args)\n#define M(args...) m(args)\n#define w x",
     "H() H(1) H(,) K(1) K(1,) K(1,2) K(1,2,3) K(1, w) N(1) N(1, 2, 3) M() M(w, w)"},
    // Stringizing and pasting.
    {"#define ST(x) #x\n#define XS(x) ST(x)\n#define E e\n#define Q(x) ST(x)\n#define P(a,b) Q(b(a -))",
     "ST( a  \"b\\n\" 'c' L\"\\\\\" + - ) ST() ST(   ) ST(@) ST(\\) ST(\\\\) ST(and <: %:) "
     "XS(a E) P(,B) XS(ST(ST(\"x\")))"},
    {"#define PASTE(a,b) a ## b\n#define AB ok\n#define CAT(a,b) PASTE(a,b)",
     "PASTE(+,+) PASTE(-,>) PASTE(a,1) PASTE(1,a) PASTE(.,5) PASTE(<,<=) PASTE(%:,%:) PASTE(1,e+) "
     "PASTE(L, \"x\") PASTE(x,)PASTE(,y) PASTE(,) PASTE(A,B) CAT(A, B) PASTE(0x,1p-2)"},
    {"#define PASTE(a,b) a ## b\n#define O(a) a ## ## a", "PASTE(+,-) PASTE(/,/) PASTE(\"a\",b) O(+)"},
    {"#define foo foo\n#define bar(x) x\n#define baz bar(baz) foo", "bar(foo) baz bar(bar)(1)"},
};

// #include operands and the macros they use; each name is unique, so that
// the compiler's dependency list says which row gave which.
const Row kIncludeRows[] = {
    {"#define H <nosuch/a.h>", "H"}, {"#define H < a  b . h >", "H"},
    {"#define F(x) x\n#define H F(<) c F(>)", "H"}, {"#define H(x) <h #x>", "H(y)"},
    {"#define STR(x) #x\n#define XSTR(x) STR(x)\n#define PLATFORM plat", "XSTR(PLATFORM/config.h)"},
    {"#define D dir\n#define H <D/D.h>", "H"}, {"#define N \"name.h\"", "N"},
    {"#define H <unclosed.h", "H"}, {"", "NOTHING"}, {"#define L(x) L ## x", "L(\"w.h\")"},
    {"#define CAT(a,b) a##b", "CAT(<st,dio.hh>)"}, {"#define VA(...) <__VA_ARGS__>", "VA(x, y.h)"},
    {"#define OPT(...) <i __VA_OPT__(j) k.h>", "OPT(1)"}, {"", "<>"},
    {"#define F(x) x", "F(\"j.h\""}, {"", "\"plain\\x.h\" extra"},
    {"#define S(x) #x\n#define X(x) S(x)", "X(__LINE__/__FILE__ __INCLUDE_LEVEL__ __FILE_NAME__)"},
};
// clang-format on

TEST(MacroExpander, ExpandsTextAsGcc) {
  std::vector<Block> blocks;
  for (const Row& row : kTextRows) blocks.push_back({row.defines, std::string("@@ ") + row.line});
  for (const bool strict : {false, true}) {
    const BlockRun gcc =
        compileBlocks(strict ? "g++ -x c++ -std=c++20 -E -P" : "g++ -x c++ -std=gnu++20 -E -P",
                      scratchDirectory(), blocks);
    if (!gcc.ran) GTEST_SKIP() << "no g++";
    for (std::size_t i = 0; i < std::size(kTextRows); ++i) {
      Unit unit;
      unit.language.strict = strict;
      EXPECT_EQ(unit.run(kTextRows[i].defines), "");
      TextArena arena;
      const Expansion ours =
          expandLine(tokenize(kTextRows[i].line), unit.env, ExpansionMode::kText, arena);
      const std::string row = kTextRows[i].line + std::string(strict ? " (strict)" : "");
      EXPECT_EQ(spellings(ours.tokens), spellings(tokenize(gcc.output[i].value_or("?")))) << row;
      EXPECT_EQ(ours.error.empty(), !gcc.failed[i]) << row << ": " << ours.error;
    }
  }
}

TEST(MacroExpander, ComputesIncludesAsGcc) {
  // The compiler names the header it does not find: one file a row.
  std::vector<std::pair<std::string, std::string>> files;
  for (std::size_t i = 0; i < std::size(kIncludeRows); ++i) {
    files.emplace_back("row" + std::to_string(i) + ".cc",
                       std::string(kIncludeRows[i].defines) + "\n#include " + kIncludeRows[i].line);
  }
  const CompilerRun gcc =
      runCompiler("g++ -std=gnu++20 -nostdinc -I. -E", scratchDirectory(), files);
  if (!gcc.ran) GTEST_SKIP() << "no g++";
  std::map<std::string, std::string> names;  // file, the header it includes
  std::istringstream lines(gcc.err);
  for (std::string line; std::getline(lines, line);) {
    const std::size_t at = line.find(": fatal error: ");
    const std::size_t end = line.rfind(": No such file");
    if (end != std::string::npos)
      names[line.substr(0, line.find(':'))] = line.substr(at + 15, end - at - 15);
  }
  for (std::size_t i = 0; i < std::size(kIncludeRows); ++i) {
    const std::string& file = files[i].first;
    const std::string name = names.count(file) != 0 ? names[file] : "";
    Unit unit;
    EXPECT_EQ(unit.run(kIncludeRows[i].defines), "");
    unit.builtins.file = file;
    unit.builtins.line =
        static_cast<long>(std::count(files[i].second.begin(), files[i].second.end(), '\n')) + 1;
    const IncludeTarget ours = expandInclude(tokenize(kIncludeRows[i].line, true), unit.env);
    EXPECT_EQ(ours.name, name) << file;
    EXPECT_EQ(ours.error.empty(), errorsByLine(gcc.err, file).empty())
        << file << ": " << ours.error;
  }
}

// Hostile lines end, with the error they deserve rather than a crash, a
// hang or all memory.
TEST(MacroExpander, StaysBounded) {
  std::string doubling = "#define A0 x x\n";
  std::string chain;
  std::string calls;
  for (int k = 1; k <= 1000; ++k) {
    const std::string n = std::to_string(k);
    const std::string m = std::to_string(k - 1);
    if (k <= 40) {
      doubling.append("#define A").append(n).append(" A").append(m).append(" A").append(m) += '\n';
    }
    chain.append("#define M").append(m).append(" M").append(n + "\n");
    calls.append("#define F").append(m).append("(x) F").append(n + "(x)\n");
  }
  struct Case {
    std::string defines, line, tokens, error;
  };
  const Case cases[] = {
      {"#define A B\n#define B C\n#define C A", "A C", "A C", ""},
      {doubling, "A40", "", "macro expansion too large"},
      {chain + "#define M1000 1", "M0", "1", ""},
      {calls + "#define F1000(x) <x>", "F0(1)", "< 1 >", ""},
      {"#define BIG " + repeat("1 + ", 2'500'000) + "1", "BIG", "", ""},
      {"#define F(x) x", repeat("F(", 300) + repeat(")", 300), "",
       "macro expansion nests too deeply"},
      {"#define F(x) x", repeat("F(", 5000) + repeat(")", 5000), "", "macro expansion too large"},
      {"#define F(x) x", "F(1", "F", "unterminated argument list invoking macro \"F\""},
      {"#define P a" + repeat(" ## a", 200'000), "P", "", "macro expansion too large"},
      {"#define L(x) x x", repeat("L(", 40) + "1" + repeat(")", 40), "",
       "macro expansion too large"},
  };
  for (const Case& c : cases) {
    Unit unit;
    EXPECT_EQ(unit.run(c.defines), "");
    TextArena arena;
    const Expansion ours = expandLine(tokenize(c.line), unit.env, ExpansionMode::kCondition, arena);
    EXPECT_EQ(ours.error, c.error) << c.line.substr(0, 40);
    if (!c.tokens.empty()) {
      EXPECT_EQ(spellings(ours.tokens), c.tokens);
    }
  }
}

}  // namespace
