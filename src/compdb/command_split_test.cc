#include "compdb/command_split.h"

#include <gtest/gtest.h>

#include "compdb/include_options.h"
#include "compdb/lexical_path.h"

using Words = std::vector<std::string>;

TEST(CommandSplit, PosixShellQuoting) {
  const std::pair<const char*, Words> rows[] = {
      {"  cc  -c\ta.cc \n", {"cc", "-c", "a.cc"}},
      {R"(cc '-DX=a b' 'it'\''s' '')", {"cc", "-DX=a b", "it's", ""}},
      {R"(cc "-DS=\"x y\"" "a\b" "\$\`\\")", {"cc", "-DS=\"x y\"", "a\\b", "$`\\"}},
      {"cc a\\ b\\\"c \\\\ -I\\\nd \\\n e", {"cc", "a b\"c", "\\", "-Id", "e"}},
      {"cc \"x\\\ny\" 'open", {"cc", "xy", "open"}},
  };
  for (const auto& [command, words] : rows) EXPECT_EQ(splitPosixCommand(command), words) << command;
}

TEST(CommandSplit, WindowsCommandLine) {
  const std::pair<const char*, Words> rows[] = {
      {R"("C:\Program Files\cl.exe" /c  a.cc)", {R"(C:\Program Files\cl.exe)", "/c", "a.cc"}},
      {R"(C:\x\cl.exe "/Ia b\" c)", {R"(C:\x\cl.exe)", "/Ia b\" c"}},
      {R"(cl a\\\"b "c\\" d\\e "x""y" "p""q"r)",
       {"cl", R"(a\"b)", "c\\", R"(d\\e)", "x\"y", "p\"qr"}},
      {"cl \"\" -I\"dir\"ect", {"cl", "", "-Idirect"}},
  };
  for (const auto& [command, words] : rows)
    EXPECT_EQ(splitWindowsCommand(command), words) << command;
  const Words hard = {"cl", "", "a b", "q\"", "tail\\", "\\\\\"", "x\\y", " \\"};
  std::string line = hard[0];
  for (std::size_t i = 1; i < hard.size(); ++i) line += " " + quoteWindowsArgument(hard[i]);
  EXPECT_EQ(splitWindowsCommand(line), hard) << line;
}

TEST(LexicalPath, ResolvesAndCompares) {
  EXPECT_EQ(absolutePath("/b/c", "x/./y//../z/"), "/b/c/x/z");
  EXPECT_EQ(absolutePath("/b/c", "../../../x"), "/x");
  EXPECT_EQ(absolutePath("/b/c", "//x/../y"), "/y");
  EXPECT_EQ(parentPath("/a"), "/");
  EXPECT_EQ(sharedComponents("/a/bc/d", "/a/b"), 1U);
  EXPECT_EQ(sharedComponents("/a/b", "/a/b/c"), 2U);
  EXPECT_EQ(sharedComponents("/x", "/a"), 0U);
}

TEST(IncludeOptions, EveryKindBothFormsResolved) {
  struct Row {
    Words arguments;
    IncludeOptions expected;
  };
  const Row rows[] = {
      {{"cc", "-Iinc", "-I", "/abs", "-iquote", "q", "-iquoteq2", "-isystem", "../s", "-isystem/s2",
        "-idirafter", "a", "-idirafter/a2", "-DI=1", "-include", "x.h", "-c", "-I"},
       {{"/w/b/q", "/w/b/q2"}, {"/w/b/inc", "/abs"}, {"/w/s", "/s2"}, {"/w/b/a", "/a2"}}},
      {{"/tools/clang-cl-14.EXE", "/Iinc", "/I", "i2", "-external:Ie", "/external:I", "/e2", "-Ic"},
       {{}, {"/w/b/inc", "/w/b/i2", "/w/b/c"}, {"/w/b/e", "/e2"}, {}}},
      {{"g++", "/Ifoo/a.cc", "/I", "-external:I", "x", "-Ifoo/../bar"},
       {{}, {"/w/b/bar"}, {"/w/b/x"}, {}}},
      {{"-I/compiler", "-I."}, {{}, {"/w/b"}, {}, {}}},
  };
  for (const Row& row : rows) {
    const IncludeOptions options = includeOptions(row.arguments, "/w/b");
    EXPECT_EQ(options.quote, row.expected.quote) << row.arguments[0];
    EXPECT_EQ(options.include, row.expected.include) << row.arguments[0];
    EXPECT_EQ(options.system, row.expected.system) << row.arguments[0];
    EXPECT_EQ(options.after, row.expected.after) << row.arguments[0];
  }
}
