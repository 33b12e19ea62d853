#include "preprocess/tokenize.h"

#include <string>

#include <gtest/gtest.h>

namespace {

// Tokens as "K:text", space separated, with '~' before a token that has
// white space before it. K: I identifier, N number, C character, S string,
// H header name, P punctuator, O other.
std::string render(const Tokens& tokens) {
  std::string out;
  for (const Token& token : tokens) {
    if (!out.empty()) out += ' ';
    if (token.spaceBefore) out += '~';
    out += "INCSHPO"[static_cast<int>(token.kind)];
    out += ':';
    out += token.text;
  }
  return out;
}

Dialect c17() { return dialectFor(false, "c17"); }
Dialect cxx20() { return dialectFor(true, "c++20"); }
Dialect cxx98() { return dialectFor(true, "c++98"); }

TEST(Tokenize, SplitsAsTheCompilerDoes) {
  struct Row {
    std::string_view text;
    std::string_view tokens;
    Dialect dialect = Dialect();
    bool headerName = false;
  };
  const Row rows[] = {
      // Identifiers: '$', UTF-8 and UCNs belong to them.
      {" a_1 $x \xc3\xa9t\xc3\xa9 \\u00e9z \\u00e",
       "~I:a_1 ~I:$x ~I:\xc3\xa9t\xc3\xa9 ~I:\\u00e9z ~O:\\ I:u00e"},
      {"a$b", "I:a$b"},
      {"a$b", "I:a O:$ I:b",
       [] {
         Dialect d;
         d.dollarsInIdentifiers = false;
         return d;
       }()},
      // pp-numbers: separators between digits, signs after exponents only.
      {"1'000 0x1p-3 1e+5+2 .5.e- 1.2.3 1'a 1'.5'",
       "N:1'000 ~N:0x1p-3 ~N:1e+5 P:+ N:2 ~N:.5.e- ~N:1.2.3 ~N:1'a ~N:1 C:'.5'"},
      {"1''2 1'$ 1$'2 0x1f'", "N:1''2 ~N:1 C:'$ 1$' N:2 ~N:0x1f O:'"},
      {"1'000'", "N:1 C:'000'", c17()},
      {"1'0 x", "N:1 O:'0 x", c17()},
      {"R\"(a)\" 1'0 x", "I:R S:\"(a)\" ~N:1 O:'0 x", cxx98()},
      // Literals with prefixes, raw strings, suffixes.
      {"L'a' u8'b' u\"c\" U\"\\\"\" u8\"d\"_s \"e\"sv",
       "C:L'a' ~C:u8'b' ~S:u\"c\" ~S:U\"\\\"\" ~S:u8\"d\"_s ~S:\"e\" I:sv"},
      {"R\"x(a)\"b)x\" LR\"(\")\" u8R\"()\" R'a' Ru\"a\"",
       "S:R\"x(a)\"b)x\" ~S:LR\"(\")\" ~S:u8R\"()\" ~I:R C:'a' ~I:Ru S:\"a\""},
      {"R\"(a)\"", "I:R S:\"(a)\"", c17()},
      {"R\"x y(z)x y\" q R\"a\\(\"", "O:R\"x y(z)x y\" ~I:q ~O:R\"a\\(\""},
      {"R\"(a  b", "O:R\"(a  b"},
      {"R\"abcdefghijklmnopq(a)abcdefghijklmnopq\" b\"",
       "O:R\"abcdefghijklmnopq(a)abcdefghijklmnopq\" ~I:b O:\""},
      {"x 'a  b", "I:x ~O:'a  b"},
      {"\"a\\\" b", "O:\"a\\\" b"},
      // Punctuators: the longest match, digraphs, the C++-only ones.
      {"<<= >>= ... .. ->* -> ## # %:%: %:% <% %> <: :> :: .* a<=>b",
       "P:<<= ~P:>>= ~P:... ~P:. P:. ~P:->* ~P:-> ~P:## ~P:# ~P:%:%: ~P:%: P:% ~P:<% ~P:%> ~P:<: "
       "~P::> ~P::: ~P:.* ~I:a P:<= P:> I:b"},
      {"a<=>b <::x <::: <::>", "I:a P:<=> I:b ~P:< P::: I:x ~P:<: P::: ~P:<: P::>", cxx20()},
      {"->* :: .* <::x", "P:-> P:* ~P:: P:: ~P:. P:* ~P:<: P:: I:x", c17()},
      {"@ ` \\", "O:@ ~O:` ~O:\\"},
      // Header names only when asked, and only first; quotes then escape nothing.
      {" <a//b'.h> <c>", "~H:<a//b'.h> ~P:< I:c P:>", Dialect(), true},
      {"<a.h", "P:< I:a P:. I:h", Dialect(), true},
      {"\"a\\\" b", "S:\"a\\\" ~I:b", Dialect(), true},
      {"<a.h>", "P:< I:a P:. I:h P:>"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(render(tokenize(row.text, row.headerName, row.dialect)), row.tokens) << row.text;
  }
}

TEST(Tokenize, DigraphMeanings) {
  EXPECT_EQ(digraphMeaning("%:%:"), "##");
  EXPECT_EQ(digraphMeaning("<:"), "[");
  EXPECT_EQ(digraphMeaning("%>"), "}");
  EXPECT_EQ(digraphMeaning("<"), "<");
}

TEST(Tokenize, DialectOfStandard) {
  // The dialect's options as letters: C++, Raw strings, digit Separators,
  // literal sUffixes, spaceship (X), Digraphs, Trigraphs.
  const auto render = [](const Dialect& d) {
    std::string out;
    for (const auto& [on, letter] : {std::pair{d.cplusplus, 'c'},
                                     {d.rawStrings, 'r'},
                                     {d.digitSeparators, 's'},
                                     {d.literalSuffixes, 'u'},
                                     {d.spaceship, 'x'},
                                     {d.digraphs, 'd'},
                                     {d.trigraphs, 't'}}) {
      if (on) out += letter;
    }
    return out;
  };
  struct Row {
    bool cplusplus;
    std::string_view standard, options;
  };
  const Row rows[] = {
      {true, "", "crsud"},
      {true, "c++98", "cdt"},
      {true, "gnu++11", "crud"},
      {true, "c++1y", "crsudt"},
      {true, "c++2a", "crsuxd"},
      {true, "gnu++23", "crsuxd"},
      {false, "", "rd"},
      {false, "c99", "dt"},
      {false, "gnu99", "rd"},
      {false, "c2x", "sdt"},
      {false, "c89", "t"},
      {false, "gnu89", "d"},
      {false, "iso9899:199409", "dt"},
      {false, "c++17", "rd"},
      {true, "c17", "crsud"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(render(dialectFor(row.cplusplus, row.standard)), row.options) << row.standard;
  }
}

}  // namespace
