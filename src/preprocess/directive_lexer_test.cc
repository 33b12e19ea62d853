#include "preprocess/directive_lexer.h"

#include <string>

#include <gtest/gtest.h>

namespace {

// Directives as "line name text", separated by " | ".
std::string render(const LexedFile& file) {
  std::string out;
  for (const Directive& d : file.directives()) {
    if (!out.empty()) out += " | ";
    out += std::to_string(d.line) + " " + std::string(directiveName(d.kind));
    if (d.size != 0) out += " " + std::string(file.text(d));
  }
  return out;
}

TEST(DirectiveLexer, FindsTheDirectivesTheCompilerFinds) {
  struct Row {
    std::string_view text;
    std::string_view directives;
    Dialect dialect = Dialect();
  };
  const Dialect c11 = dialectFor(false, "c11");
  const Row rows[] = {
      // Names, the null directive, line markers, unknown names, digraphs.
      {"#include <a.h>\n  #  define X 1 \n#\n# 12 \"f\"\n#foo bar\n%:undef X\n#!\n",
       "1 include <a.h> | 2 define X 1 | 3  | 4 # number 12 \"f\" | 5 ? foo bar | 6 undef X | 7 ? "
       "!"},
      // "##" and "%:%:" start no directive.
      {"##if 1\n%:%:if 2\n#%:if 3\n%:#if 4\n#\\\n#if 5\n", "3 ? %:if 3 | 4 ? #if 4"},
      // Line ends: LF, CR LF, lone CR; a BOM first; form feeds are blanks.
      {"\xEF\xBB\xBF#if A\r\n#elif B\r#else\n\f\v#endif", "1 if A | 2 elif B | 3 else | 4 endif"},
      // Splices, with blanks before the line end, join lines anywhere.
      {"#def\\\nine X \\ \t\n 1\nx \\  \r\n#undef Y\n\\\n#pragma P\n",
       "1 define X  1 | 7 pragma P"},
      // Comments: one space each, before the name too; a comment that
      // spans lines keeps the line's start, and carries a directive on.
      {"/* a\n b */ # /**/ error a/**/b // c\n#line 3 /* x\n#endif */ 4\n",
       "2 error a b | 3 line 3   4"},
      {"x /* a\n*/ #if 1\n#elifdef A// x\n", "3 elifdef A"},
      {"// #define A \\\n#define B\n/\\\n* c */ #define C\n", "4 define C"},
      // Literals hide directives and comments; an unterminated one ends at
      // its line's end, also in a directive.
      {"'\"' \"/*\" \"\\\" /*\" u8\"/*\"\n#if 1\nx = 'a /* \n#if 2 '\\'' /* */ \"a\n",
       "2 if 1 | 4 if 2 '\\''   \"a"},
      {"s = \"a\\\n#if 1\n#if 2\n", "3 if 2"},
      // Raw strings run over lines, not in a directive; splices stay in
      // them as written.
      {"R\"x(\n#if 1\n)\"x )x\"\n#if 2 R\"(/*)\" LR\"-()-\"\n#define R R\"(/*\n#if 3\n",
       "4 if 2 R\"(/*)\" LR\"-()-\" | 5 define R R\"(/* | 6 if 3"},
      {"#define X R\"(a\\\nb)\" /**/ c\nR\"x(a)x\\\n\"\n#if 1\n)x\"\n#if 2\n",
       "1 define X R\"(a\\\nb)\"   c | 7 if 2"},
      {"R\"a b(\n#if 1\n\" #if 2\n#if 3\nxR\"(\n#if 4\n", "4 if 3 | 6 if 4"},
      // A name right after a literal is its suffix, but not after a raw
      // string with a bad delimiter.
      {"\"a\"R\"(\n#if 1\n)\"\nR\"a b(\"LR\"(\n#if 2\n)\"\n#if 3\n", "2 if 1 | 7 if 3"},
      {"R\"(\n#if 1\n)\"\n#if 2\n", "2 if 1 | 4 if 2", c11},
      // Digit separators, only where the dialect has them.
      {"x = 1'0 /*\n#if 1\n*/\nx = 0x1'f'a'/*\n#if 2\n", "5 if 2"},
      {"x = 1'0 /*\n#if 1\n*/\n", "2 if 1", c11},
      // Header names are read as written where they may stand.
      {"#include <a//b.h> // c\n#import \"a\\\" /* c */\n#include_next <a /* b\nc */ >\n",
       "1 include <a//b.h> | 2 import \"a\\\" | 3 include_next <a   >"},
      {"#if __has_include ( /**/ <a//b.h>) // c\n#elif __has_include(x) <a//b>\n#define H(x) "
       "<a//b>\n",
       "1 if __has_include (   <a//b.h>) | 2 elif __has_include(x) <a | 3 define H(x) <a"},
      // Trigraphs, in the strict modes only.
      {"?\?=define A ?\?/\n?\?(\n// ?\?/\n#if 1\n", "1 define A [", dialectFor(true, "c++14")},
      {"?\?=define A ?\?/\n?\?(\n// ?\?/\n#if 1\n", "4 if 1"},
      {"R\"?\?=(?\?/\n)?\?=\" \"\n#if 1 R\"(?\?)\" /*\n)\" */\n#if 2\n",
       "3 if 1 R\"(?\?)\" | 5 if 2", dialectFor(true, "c++11")},
      // A comment that the file ends in ends all.
      {"#if 1 /* a\n#endif\n", "1 if 1"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(render(lexFile(row.text, row.dialect)), row.directives) << row.text;
  }
}

TEST(DirectiveLexer, CountsLinesAndBytes) {
  const LexedFile file = lexFile("a\r\nb\rc\n\nd");
  EXPECT_EQ(file.lines(), 5u);
  EXPECT_EQ(file.bytes(), 9u);
  EXPECT_EQ(lexFile("#if 1\n").lines(), 1u);
}

TEST(DirectiveLexer, FindsIncludeGuardsAsTheCompilerDoes) {
  struct Row {
    std::string_view text;
    std::string_view guard;
  };
  const Row rows[] = {
      {"// c\n#ifndef A\n#define A\nint a;\n#endif // A\n/* c */\n", "A"},
      {"#\n/**/ #if !defined(B)\n#if 1\n#else\n#endif\n#endif\n# \n", "B"},
      {"#if ! defined C\n#endif C\n", "C"},
      {"#ifndef D junk\n#endif\n", "D"},
      {"#if not defined E\n#endif\n", "E"},
      {"#ifndef A\n#endif\n;\n", ""},
      {"x\n#ifndef A\n#endif\n", ""},
      {"#ifndef A\n#else\n#endif\n", ""},
      {"#ifndef A\n#elifdef B\n#endif\n", ""},
      {"#ifndef A\n#endif\n#ifndef A\n#endif\n", ""},
      {"#pragma once\n#ifndef A\n#endif\n", ""},
      {"#if !(defined A)\n#endif\n", ""},
      {"#if !defined A && 1\n#endif\n", ""},
      {"#ifndef and\n#endif\n", ""},
      {"#ifndef A\n#if 1\n#endif\n", ""},
      {"#ifndef A\n#endif\n#endif\n", ""},
      {"#ifdef A\n#endif\n", ""},
  };
  for (const Row& row : rows) EXPECT_EQ(lexFile(row.text).guard(), row.guard) << row.text;
}

}  // namespace
