#include "fuzz/dot_statements.h"

#include <gtest/gtest.h>

namespace {

// The problem found in `text`, or its statements as "shape|string|string..."
// lines.
std::string read(std::string_view text) {
  std::vector<DotStatement> statements;
  const std::string problem = readDotStatements(text, statements);
  if (!problem.empty()) return "problem: " + problem;
  std::string result;
  for (const DotStatement& statement : statements) {
    result += statement.shape;
    for (const std::string& string : statement.strings) result += "|" + string;
    result += "\n";
  }
  return result;
}

TEST(ReadDotStatements, DecodesStringsAndJoinsContinuations) {
  EXPECT_EQ(read("   A [label=\"x\\\\y\\\"z\\r\\n\"];\n   B -> A;\n"),
            "   A [label=\"\"];|x\\y\"z\r\n\n   B -> A;\n");
  EXPECT_EQ(read("   A [label=\"ab\\\ncd\",x=\"\"];\n"), "   A [label=\"\",x=\"\"];|abcd|\n");
  EXPECT_EQ(read(""), "");
}

TEST(ReadDotStatements, RejectsWhatGraphvizWouldMisread) {
  EXPECT_EQ(read("   A [label=\"x];\n"), "problem: raw CR, LF or zero byte in a string at byte 16");
  EXPECT_EQ(read("   A [label=\"x"), "problem: unterminated string at byte 14");
  EXPECT_EQ(read("   A [label=\"\\N\"];\n"), "problem: unknown escape at byte 14");
  EXPECT_EQ(read("   A [label=\"a\rb\"];\n"),
            "problem: raw CR, LF or zero byte in a string at byte 14");
  EXPECT_EQ(read("   A [label=x\\];\n"),
            "problem: backslash, CR or zero byte outside a string at byte 13");
  EXPECT_EQ(read("   A;"), "problem: last statement has no line end");
}

TEST(ReadDotStatements, RejectsRunsLongerThanGraphvizReads) {
  const std::string longest(16383, 'x');
  EXPECT_EQ(read("A=\"" + longest + "\\\\" + longest + "\";\n"),
            "A=\"\";|" + longest + "\\" + longest + "\n");
  EXPECT_EQ(read("A=\"" + longest + "x\";\n"), "problem: run too long for Graphviz at byte 16386");
}

}  // namespace
