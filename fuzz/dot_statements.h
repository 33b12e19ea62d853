// Reads back the statements of a DOT file as cludemap writes them, strictly
// enough to catch any text that Graphviz would reject or read differently.
#ifndef CLUDEMAP_FUZZ_DOT_STATEMENTS_H_
#define CLUDEMAP_FUZZ_DOT_STATEMENTS_H_

#include <string>
#include <string_view>
#include <vector>

struct DotStatement {
  // The statement's text with the contents of every quoted string left out
  // (each string shows as "") and line continuations removed.
  std::string shape;
  // The contents of its quoted strings, in order, with escapes decoded.
  std::vector<std::string> strings;
};

// Appends the statements of `text`, the part of a DOT file between the
// opening text and the closing line, to `statements`. Every statement ends
// in a line end outside any quoted string. Inside quoted strings only the
// escapes \\, \", \r and \n and line continuations (a backslash before a
// line end) may occur, no raw CR, LF or zero byte, and no run of more than
// 16383 bytes without a backslash, the longest Graphviz reads. Outside them
// no backslash, CR or zero byte may occur. Returns an empty string when all
// of that holds, else a description of the first problem.
std::string readDotStatements(std::string_view text, std::vector<DotStatement>& statements);

#endif  // CLUDEMAP_FUZZ_DOT_STATEMENTS_H_
