#include "scan/include_directive.h"

#include <gtest/gtest.h>

namespace {

using Kind = IncludeDirective::Kind;

// "kind|text|label" for one line, or "-" when the line is no directive.
std::string classify(std::string_view line) {
  IncludeDirective directive;
  if (!parseIncludeLine(line, directive)) return "-";
  const char* kind = directive.kind == Kind::kQuoted  ? "quoted"
                     : directive.kind == Kind::kAngle ? "angle"
                                                      : "malformed";
  return std::string(kind) + "|" + directive.text + "|" + directive.label;
}

TEST(ParseIncludeLine, QuotedAndAngleNames) {
  EXPECT_EQ(classify("#include \"a.h\"\n"), "quoted|a.h|a.h");
  EXPECT_EQ(classify("#include\"a.h\""), "quoted|a.h|a.h");
  EXPECT_EQ(classify("#include    \"../x/a.h\" trailing"), "quoted|../x/a.h|../x/a.h");
  EXPECT_EQ(classify("#include <vector>\n"), "angle|vector|<vector>");
  EXPECT_EQ(classify("#include <sys/types.h> // c"), "angle|sys/types.h|<sys/types.h>");
  EXPECT_EQ(classify("#include \"\"\n"), "quoted||");
}

TEST(ParseIncludeLine, UnclosedNamesRunToTheEndOfTheLine) {
  EXPECT_EQ(classify("#include \"a.h\n"), "quoted|a.h\n|a.h\n");
  EXPECT_EQ(classify("#include <a.h\r"), "angle|a.h\r|<a.h\r");
  EXPECT_EQ(classify("#include \""), "quoted||");
  EXPECT_EQ(classify("#include <"), "angle||<");
}

TEST(ParseIncludeLine, CommentsOnlyCountBeforeTheKeyword) {
  EXPECT_EQ(classify("// #include \"a.h\"\n"), "-");
  EXPECT_EQ(classify("x = \"//\"; #include \"a.h\"\n"), "-");
  EXPECT_EQ(classify("#include \"a.h\" // note\n"), "quoted|a.h|a.h");
  EXPECT_EQ(classify("/* #include \"a.h\" */\n"), "quoted|a.h|a.h");
  EXPECT_EQ(classify("#  include \"a.h\"\n"), "-");
  EXPECT_EQ(classify("int x;\n"), "-");
}

TEST(ParseIncludeLine, OnlyTheFirstKeywordCounts) {
  EXPECT_EQ(classify("#include #include \"a.h\"\n"), "malformed|#include #include \"a.h\"\n|");
  EXPECT_EQ(classify("#include \"a.h\" #include \"b.h\""), "quoted|a.h|a.h");
}

TEST(ParseIncludeLine, AnythingButSpacesBeforeTheNameIsMalformed) {
  EXPECT_EQ(classify("#include\t\"a.h\"\n"), "malformed|#include\t\"a.h\"\n|");
  EXPECT_EQ(classify("#include_next \"a.h\"\n"), "malformed|#include_next \"a.h\"\n|");
  EXPECT_EQ(classify("#include\n"), "malformed|#include\n|");
  EXPECT_EQ(classify("  #include   "), "malformed|  #include   |");
  EXPECT_EQ(classify("#include MACRO\r"), "malformed|#include MACRO\r|");
}

// Texts of all directives of a file, one per entry.
std::vector<std::string> texts(std::string_view bytes) {
  std::vector<std::string> result;
  for (const IncludeDirective& directive : parseIncludeDirectives(bytes)) {
    result.push_back(directive.text);
  }
  return result;
}

TEST(ParseIncludeDirectives, EveryLineEndStyleSplitsLines) {
  using V = std::vector<std::string>;
  EXPECT_EQ(texts("#include \"a\"\n#include \"b\"\n"), (V{"a", "b"}));
  EXPECT_EQ(texts("#include \"a\"\r\n#include \"b\"\r\n"), (V{"a", "b"}));
  EXPECT_EQ(texts("#include \"a\"\r#include \"b\""), (V{"a", "b"}));
  EXPECT_EQ(texts("#include \"a\n#include \"b"), (V{"a\n", "b"}));
  EXPECT_EQ(texts("#include \"a\r\n"), (V{"a\r"}));
  EXPECT_EQ(texts(""), V{});
}

TEST(ParseIncludeDirectives, ZeroByteHidesTheRestOfItsLineOnly) {
  using namespace std::string_literals;
  using V = std::vector<std::string>;
  EXPECT_EQ(texts("x\0#include \"a\"\n#include \"b\"\n"s), V{"b"});
  EXPECT_EQ(texts("#include \"a\0b\"\n"s), V{"a"});
  EXPECT_EQ(texts("\0\0\0"s), V{});
}

TEST(ParseIncludeDirectives, LongLinesAreKeptWhole) {
  const std::string name(100000, 'n');
  const std::string file = std::string(5000, ' ') + "#include \"" + name + "\"\n#include \"b\"";
  const std::vector<std::string> found = texts(file);
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0], name);
  EXPECT_EQ(found[1], "b");
}

TEST(ParseIncludeDirectives, EachLineIsJudgedFromItsOwnStart) {
  using namespace std::string_literals;
  using V = std::vector<std::string>;
  // A comment or a zero byte hides directives on its own line only.
  EXPECT_EQ(texts("x // #include \"a\"\n#include \"b\""), V{"b"});
  EXPECT_EQ(texts("x\0y\r#include \"a\"\0\n#include \"b\"\0#include \"c\"\n"s), (V{"a", "b"}));
  // Only the first keyword of a line counts, also when the line is long.
  EXPECT_EQ(texts(std::string(10000, ' ') + "#include \"a\" #include \"b\"\r#include <c>"),
            (V{"a", "c"}));
  EXPECT_EQ(texts("#include#include\n#include"), (V{"#include#include\n", "#include"}));
}

}  // namespace
