// Runs the built cludemap binary on header trees in temporary directories and
// compares standard output, standard error, exit status and the DOT file
// byte for byte. Every DOT file written is also read by Graphviz.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "testing/expected_dot.h"
#include "testing/test_support.h"

namespace {

using namespace std::string_literals;

const std::string kUsage = "Usage: cludemap (.h file) (.png file)\n";

CommandResult cludemap(const TempDir& dir, const std::vector<std::string>& args,
                       const std::vector<std::string>& environment = {}) {
  std::vector<std::string> argv = toolCommand(CLUDEMAP_BINARY);
  argv.insert(argv.end(), args.begin(), args.end());
  return runCommand(argv, dir.path(), environment);
}

// Runs the tool on `root` writing out.dot, expects success with `warnings`,
// checks the file with Graphviz and returns it.
std::string graphOf(const TempDir& dir, const std::string& root, const std::string& warnings,
                    const std::vector<std::string>& environment = {}) {
  const CommandResult result = cludemap(dir, {root, "out.dot"}, environment);
  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(result.out, textMode(warnings));
  EXPECT_EQ(result.err, "");
  EXPECT_TRUE(graphvizAcceptsFile(dir.path() / "out.dot"));
  return dir.read("out.dot");
}

TEST(EndToEnd, WrongArgumentCountPrintsUsage) {
  TempDir dir;
  dir.write("a.h", "");
  for (const auto& args :
       std::vector<std::vector<std::string>>{{}, {"a.h"}, {"a.h", "out.dot", "extra"}}) {
    const CommandResult result = cludemap(dir, args);
    EXPECT_EQ(result.exitStatus, 255);
    EXPECT_EQ(result.out, textMode(kUsage));
    EXPECT_EQ(result.err, "");
  }
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "out.dot"));
}

TEST(EndToEnd, RoadOfOneHeader) {
  TempDir dir;
  dir.write("src/app.h", "#include \"util/str.h\"\n");
  dir.write("src/util/str.h", "#include \"../cfg.h\"\n");
  dir.write("src/cfg.h", "");
  EXPECT_EQ(graphOf(dir, "src/app.h", ""), ExpectedDot()
                                               .node(1, "src/app.h")
                                               .node(2, "util/str.h")
                                               .blue(2, 1)
                                               .node(3, "../cfg.h")
                                               .blue(3, 2)
                                               .str());
}

TEST(EndToEnd, MissingRootStillWritesTheRootNode) {
  TempDir dir;
  EXPECT_EQ(graphOf(dir, "gone/x.h", "WARNING: Cannot find file gone/x.h\n"),
            ExpectedDot().node(1, "gone/x.h").str());
}

TEST(EndToEnd, QuotesThatReachTheProgramAreStripped) {
  TempDir dir;
  dir.write("dir/a.h", "#include \"b.h\"\n");
  dir.write("dir/b.h", "");
  const std::string expected = ExpectedDot().node(1, "dir\\\\a.h").node(2, "b.h").blue(2, 1).str();
  EXPECT_EQ(graphOf(dir, "\"dir\\a.h\"", ""), expected);
  // Without a closing quote the last character goes all the same.
  EXPECT_EQ(graphOf(dir, "\"dir\\a.hx", ""), expected);
}

TEST(EndToEnd, EmptyStartPathGivesAnEmptyGraph) {
  for (const std::string argument : {"", "\"", "\"\""}) {
    TempDir dir;
    EXPECT_EQ(graphOf(dir, argument, "WARNING: Cannot find file \n"), ExpectedDot().str());
  }
}

TEST(EndToEnd, ExistingOutputIsOverwritten) {
  TempDir dir;
  dir.write("a.h", "");
  dir.write("out.dot", std::string(100000, 'x'));
  EXPECT_EQ(graphOf(dir, "a.h", ""), ExpectedDot().node(1, "a.h").str());
}

TEST(EndToEnd, CyclesEndAtTheFirstRepeatedPair) {
  TempDir dir;
  dir.write("a.h", "#include \"b.h\"\n");
  dir.write("b.h", "#include \"a.h\"\n");
  dir.write("x.h", "#include \"x.h\"\n");
  EXPECT_EQ(graphOf(dir, "a.h", ""), ExpectedDot()
                                         .node(1, "a.h")
                                         .node(2, "b.h")
                                         .blue(2, 1)
                                         .node(1, "a.h")
                                         .orange(1, 2)
                                         .node(2, "b.h")
                                         .orange(2, 1)
                                         .str());
  EXPECT_EQ(graphOf(dir, "x.h", ""),
            ExpectedDot().node(1, "x.h").node(1, "x.h").orange(1, 1).node(1, "x.h").str());
}

TEST(EndToEnd, LabelFromTwoParentsIsExpandedUnderEach) {
  TempDir dir;
  dir.write("a.h", "#include \"b.h\"\n#include \"c.h\"\n");
  dir.write("b.h", "#include \"d.h\"\n");
  dir.write("c.h", "#include \"d.h\"\n");
  dir.write("d.h", "#include \"e.h\"\n");
  dir.write("e.h", "");
  EXPECT_EQ(graphOf(dir, "a.h", ""), ExpectedDot()
                                         .node(1, "a.h")
                                         .node(2, "b.h")
                                         .blue(2, 1)
                                         .node(3, "d.h")
                                         .blue(3, 2)
                                         .node(4, "e.h")
                                         .blue(4, 3)
                                         .node(5, "c.h")
                                         .blue(5, 1)
                                         .node(3, "d.h")
                                         .orange(3, 5)
                                         .node(4, "e.h")
                                         .orange(4, 3)
                                         .str());
}

TEST(EndToEnd, HeaderIncludedTwiceByOneParent) {
  TempDir dir;
  dir.write("a.h", "#include \"b.h\"\n#include \"b.h\"\n#include \"b.h\"\n");
  dir.write("b.h", "#include \"c.h\"\n");
  dir.write("c.h", "");
  EXPECT_EQ(graphOf(dir, "a.h", ""), ExpectedDot()
                                         .node(1, "a.h")
                                         .node(2, "b.h")
                                         .blue(2, 1)
                                         .node(3, "c.h")
                                         .blue(3, 2)
                                         .node(2, "b.h")
                                         .orange(2, 1)
                                         .node(2, "b.h")
                                         .str());
}

TEST(EndToEnd, CommentsLineEndsAndZeroBytes) {
  TempDir dir;
  dir.write("a.h",
            "// #include \"no1.h\"\n"
            "#include \"b.h\" // note\r\n"
            "/* #include \"c.h\" */\r"
            "x = \"//\"; #include \"no2.h\"\n"
            "#  include \"no3.h\"\n"
            "int x;\0 #include \"no4.h\"\n"
            "#include \"d.h\""s);
  for (const char* name : {"b.h", "c.h", "d.h"}) dir.write(name, "");
  EXPECT_EQ(graphOf(dir, "a.h", ""), ExpectedDot()
                                         .node(1, "a.h")
                                         .node(2, "b.h")
                                         .blue(2, 1)
                                         .node(3, "c.h")
                                         .blue(3, 1)
                                         .node(4, "d.h")
                                         .blue(4, 1)
                                         .str());
}

TEST(EndToEnd, MalformedDirectivesAndUnclosedQuotes) {
  TempDir dir;
  dir.write(
      "a.h",
      "#include\t\"tab.h\"\n#include_next \"next.h\"\r\n#include\"b.h\"\n#include \"open.h\n");
  dir.write("b.h", "");
  dir.write("open.h", "");
  EXPECT_EQ(
      graphOf(dir, "a.h",
              "Warning: In file: a.h, line #include\t\"tab.h\"\n is malformatted.\n"
              "Warning: In file: a.h, line #include_next \"next.h\"\r is malformatted.\n"
              "WARNING: Cannot find file open.h\n\n"),
      ExpectedDot().node(1, "a.h").node(2, "b.h").blue(2, 1).node(3, "open.h\\n").blue(3, 1).str());
}

TEST(EndToEnd, AngleBracketsNeedTheIncludePath) {
  TempDir dir;
  dir.write("a.h", "#include <lib.h>\n#include <none.h>\n#include <open.h\n");
  dir.write("sys/lib.h", "#include \"detail.h\"\n");
  dir.write("sys/detail.h", "");
  EXPECT_EQ(graphOf(dir, "a.h",
                    "WARNING: Cannot open file: <lib.h>\n"
                    "WARNING: Cannot open file: <none.h>\n"
                    "WARNING: Cannot open file: <open.h\n>\n"),
            ExpectedDot().node(1, "a.h").str());
  EXPECT_EQ(graphOf(dir, "a.h",
                    "WARNING: Cannot open file: <none.h>\n"
                    "WARNING: Cannot open file: <open.h\n>\n",
                    {windowsTarget() ? "CLUDEMAP_INCLUDE_PATH=;missing;sys"
                                     : "CLUDEMAP_INCLUDE_PATH=:missing:sys"}),
            ExpectedDot()
                .node(1, "a.h")
                .node(2, "<lib.h>")
                .blue(2, 1)
                .node(3, "detail.h")
                .blue(3, 2)
                .str());
}

TEST(EndToEnd, LabelsAreEscapedAndBackslashesOpenAsSeparators) {
  TempDir dir;
  dir.write("a.h", "#include \"sub\\b.h\"\n#include \"q\"uote.h\"\n");
  dir.write("sub/b.h", "#include \"c.h\"\n");
  dir.write("sub/c.h", "");
  dir.write("q", "");
  EXPECT_EQ(graphOf(dir, "a.h", ""), ExpectedDot()
                                         .node(1, "a.h")
                                         .node(2, "sub\\\\b.h")
                                         .blue(2, 1)
                                         .node(3, "c.h")
                                         .blue(3, 2)
                                         .node(4, "q")
                                         .blue(4, 1)
                                         .str());
}

TEST(EndToEnd, OnlyRegularFilesAreRead) {
  TempDir dir;
  dir.write("sub/x.h", "#include \"\"\n#include \"../fifo\"\n#include \"../sub\"\n");
  dir.write("top.h", "#include \"sub/x.h\"\n#include \"/dev/zero\"\n");
  ASSERT_EQ(runCommand({"mkfifo", "fifo"}, dir.path()).exitStatus, 0);
  EXPECT_EQ(graphOf(dir, "top.h",
                    "WARNING: Cannot find file sub/\n"
                    "WARNING: Cannot find file sub/../fifo\n"
                    "WARNING: Cannot find file sub/../sub\n"
                    "WARNING: Cannot find file /dev/zero\n"),
            ExpectedDot()
                .node(1, "top.h")
                .node(2, "sub/x.h")
                .blue(2, 1)
                .node(3, "sub/")
                .orange(3, 2)
                .node(4, "../fifo")
                .blue(4, 2)
                .node(5, "../sub")
                .blue(5, 2)
                .node(6, "/dev/zero")
                .blue(6, 1)
                .str());
}

TEST(EndToEnd, LongLinesAreReadWhole) {
  TempDir dir;
  const std::string name = std::string(9000, 'n') + ".h";
  dir.write("a.h", std::string(5000, ' ') + "#include \"" + name + "\"\n#include \"b.h\"\n");
  dir.write(name.substr(0, 200), "");
  dir.write("b.h", "");
  // The name is too long for the file system, so it is missing; the label
  // is broken by line continuations Graphviz drops again.
  const std::string escaped =
      name.substr(0, 4096) + "\\\n" + name.substr(4096, 4096) + "\\\n" + name.substr(8192);
  const std::string graph = graphOf(dir, "a.h", "WARNING: Cannot find file " + name + "\n");
  EXPECT_EQ(
      graph,
      ExpectedDot().node(1, "a.h").node(2, escaped).blue(2, 1).node(3, "b.h").blue(3, 1).str());
  EXPECT_NE(graphvizReadBack(graph).find("label=\"" + name + "\""), std::string::npos);
}

TEST(EndToEnd, DeepChainOfHeaders) {
  constexpr int kDepth = 100000;
  TempDir dir;
  ExpectedDot expected;
  expected.node(1, "h0.h");
  for (int i = 0; i < kDepth; ++i) {
    dir.write("h" + std::to_string(i) + ".h", "#include \"h" + std::to_string(i + 1) + ".h\"\n");
    expected.node(i + 2, "h" + std::to_string(i + 1) + ".h").blue(i + 2, i + 1);
  }
  dir.write("h" + std::to_string(kDepth) + ".h", "");
  EXPECT_EQ(graphOf(dir, "h0.h", ""), expected.str());
}

// With ids packed into 16-bit halves the pair (1, 65537) would share its key
// with (2, 1), which b.h expands first, and z.h would never be scanned.
TEST(EndToEnd, MoreThan65536LabelsKeepTheirPairsApart) {
  constexpr int kLast = 65537;
  TempDir dir;
  std::string root = "#include \"b.h\"\n";
  for (int id = 3; id <= kLast; ++id) {
    const std::string name = std::to_string(id) + ".h";
    root += "#include \"" + name + "\"\n";
    dir.write(name, id == kLast ? "#include \"z.h\"\n" : "");
  }
  dir.write("a.h", root);
  dir.write("b.h", "#include \"a.h\"\n");
  dir.write("z.h", "");

  // b.h includes the root again, which expands every header under it; the
  // root's own includes of them are leaves afterwards.
  ExpectedDot expected;
  expected.node(1, "a.h").node(2, "b.h").blue(2, 1).node(1, "a.h").orange(1, 2);
  expected.node(2, "b.h").orange(2, 1);
  for (int id = 3; id <= kLast; ++id) expected.node(id, std::to_string(id) + ".h").blue(id, 1);
  expected.node(kLast + 1, "z.h").blue(kLast + 1, kLast);
  for (int id = 3; id <= kLast; ++id) expected.node(id, std::to_string(id) + ".h").orange(id, 1);
  EXPECT_EQ(graphOf(dir, "a.h", ""), expected.str());
}

TEST(EndToEnd, UnwritableOutputFailsWithStatusOne) {
  TempDir dir;
  dir.write("a.h", "#include \"gone.h\"\n");
  CommandResult result = cludemap(dir, {"a.h", "nodir/out.dot"});
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_EQ(result.out, textMode("WARNING: Cannot find file gone.h\n"));
  EXPECT_EQ(result.err,
            textMode("cludemap: cannot write nodir/out.dot: No such file or directory\n"));

  result = cludemap(dir, {"a.h", "/dev/full"});
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_EQ(result.err, textMode("cludemap: cannot write /dev/full: No space left on device\n"));

  result = cludemap(dir, {"a.h", "."});
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_EQ(result.err, textMode(windowsTarget() ? "cludemap: cannot write .: Permission denied\n"
                                                 : "cludemap: cannot write .: Is a directory\n"));
}

// Enough warnings that the first refused write comes in the middle of the
// scan, whose failed opens then replace errno.
TEST(EndToEnd, UnwritableStandardOutputFailsWithStatusOneAfterWritingTheGraph) {
  constexpr int kMissing = 2000;
  TempDir dir;
  std::string header;
  ExpectedDot expected;
  expected.node(1, "a.h");
  for (int i = 0; i < kMissing; ++i) {
    const std::string name = "gone" + std::to_string(i) + ".h";
    header += "#include \"" + name + "\"\n";
    expected.node(i + 2, name).blue(i + 2, 1);
  }
  dir.write("a.h", header);
  std::vector<std::string> argv{"sh", "-c", "exec \"$@\" >/dev/full", "sh"};
  for (const std::string& word : toolCommand(CLUDEMAP_BINARY)) argv.push_back(word);
  argv.insert(argv.end(), {"a.h", "out.dot"});
  const CommandResult result = runCommand(argv, dir.path());
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_EQ(result.err,
            textMode("cludemap: cannot write standard output: No space left on device\n"));
  EXPECT_EQ(dir.read("out.dot"), expected.str());
}

// Windows paths: a drive letter and backslashes in the start path, in names,
// in -I and in CLUDEMAP_INCLUDE_PATH, whose entries ';' separates there.
TEST(EndToEnd, DriveLettersAndBackslashesOnWindows) {
  if (!windowsTarget()) GTEST_SKIP() << "Windows paths";
  TempDir dir;
  dir.write("sub/a.h", "#include \"..\\b.h\"\r\n#include <lib.h>\r\n#include \"found.h\"\r\n");
  dir.write("b.h", "");
  dir.write("sys/lib.h", "");
  dir.write("inc/found.h", "#include \"beside.h\"\r\n");
  dir.write("inc/beside.h", "");
  // Wine shows the Unix root as drive Z:.
  const auto windowsPath = [&dir](const std::string& relative) {
    std::string path = "Z:" + (dir.path() / relative).string();
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
  };
  const std::string root = windowsPath("sub/a.h");
  std::string escapedRoot;
  for (const char c : root) escapedRoot += c == '\\' ? "\\\\" : std::string(1, c);
  const CommandResult result =
      cludemap(dir, {"-I", windowsPath("inc"), root, "out.dot"},
               {"CLUDEMAP_INCLUDE_PATH=C:\\nowhere;;" + windowsPath("sys")});
  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(dir.read("out.dot"), ExpectedDot()
                                     .node(1, escapedRoot)
                                     .node(2, "..\\\\b.h")
                                     .blue(2, 1)
                                     .node(3, "<lib.h>")
                                     .blue(3, 1)
                                     .node(4, "found.h")
                                     .blue(4, 1)
                                     .node(5, "beside.h")
                                     .blue(5, 4)
                                     .str());
}

// Which file a quoted name resolves to shows in the warnings: every
// candidate includes the missing "mark", which is warned about under the
// directory the candidate was read from.
TEST(EndToEnd, QuotedNamesFallBackToTheIncludeDirectories) {
  TempDir dir;
  dir.write("top/a.h",
            "#include \"x.h\"\n#include \"y.h\"\n#include \"z.h\"\n"
            "#include \"w.h\"\n#include \"d.h\"\n#include \"v.h\"\n#include <v.h>\n");
  for (const char* file : {"top/x.h", "inc1/x.h", "inc2/q.h", "inc1/q.h", "env/y.h", "env/z.h",
                           "env/d.h", "inc1/v.h", "inc2/v.h"}) {
    dir.write(file, "#include \"mark\"\n");
  }
  dir.write("inc2/y.h", "#include \"q.h\"\n");  // beside itself before the list
  std::filesystem::create_directories(dir.path() / "inc1/d.h");
  ASSERT_EQ(runCommand({"mkfifo", "inc2/d.h"}, dir.path()).exitStatus, 0);
  const std::string expected = ExpectedDot()
                                   .node(1, "top/a.h")
                                   .node(2, "x.h")
                                   .blue(2, 1)
                                   .node(3, "mark")
                                   .blue(3, 2)
                                   .node(4, "y.h")
                                   .blue(4, 1)
                                   .node(5, "q.h")
                                   .blue(5, 4)
                                   .node(3, "mark")
                                   .orange(3, 5)
                                   .node(6, "z.h")
                                   .blue(6, 1)
                                   .node(3, "mark")
                                   .orange(3, 6)
                                   .node(7, "w.h")
                                   .blue(7, 1)
                                   .node(8, "d.h")
                                   .blue(8, 1)
                                   .node(3, "mark")
                                   .orange(3, 8)
                                   .node(9, "v.h")
                                   .blue(9, 1)
                                   .node(3, "mark")
                                   .orange(3, 9)
                                   .node(10, "<v.h>")
                                   .blue(10, 1)
                                   .node(3, "mark")
                                   .orange(3, 10)
                                   .str();
  const CommandResult result =
      cludemap(dir, {"-I", "inc1", "top/a.h", "-Iinc2/", "out.dot"}, {"CLUDEMAP_INCLUDE_PATH=env"});
  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(result.out,
            textMode("WARNING: Cannot find file top/mark\nWARNING: Cannot find file inc2/mark\n"
                     "WARNING: Cannot find file env/mark\nWARNING: Cannot find file top/w.h\n"
                     "WARNING: Cannot find file env/mark\nWARNING: Cannot find file inc1/mark\n"
                     "WARNING: Cannot find file inc1/mark\n"));
  EXPECT_EQ(dir.read("out.dot"), expected);
  EXPECT_TRUE(graphvizAcceptsFile(dir.path() / "out.dot"));
}

TEST(EndToEnd, CommandLineOptions) {
  struct Row {
    std::vector<std::string> args;
    int status;
    std::string out, err, rootLabel;  // no root label: no graph is written
  };
  const std::string angleWarning = "WARNING: Cannot open file: <b.h>\n";
  const std::vector<Row> rows = {
      {{"-I", "inc", "a.h", "out.dot"}, 0, "", "", "a.h"},
      {{"-Iinc", "a.h", "out.dot"}, 0, "", "", "a.h"},
      {{"a.h", "out.dot", "-I", "inc"}, 0, "", "", "a.h"},
      {{"-I", "", "a.h", "out.dot"}, 0, angleWarning, "", "a.h"},
      {{"-Iinc", "--", "-a.h", "out.dot"}, 0, "", "", "-a.h"},
      {{"-Iinc", "-", "out.dot"}, 0, "WARNING: Cannot find file -\n", "", "-"},
      {{"-x", "a.h", "out.dot"}, 255, kUsage, "cludemap: unknown option -x\n", ""},
      {{"a.h", "out.dot", "--", "-I"}, 255, kUsage, "", ""},
      {{"a.h", "out.dot", "-I"}, 255, kUsage, "cludemap: option -I needs a directory\n", ""},
      {{"--version", "-x"}, 0, "cludemap " CLUDEMAP_VERSION "\n", "", ""},
  };
  for (const Row& row : rows) {
    TempDir dir;
    dir.write("a.h", "#include <b.h>\n");
    dir.write("-a.h", "#include <b.h>\n");
    dir.write("inc/b.h", "");
    const CommandResult result = cludemap(dir, row.args);
    const std::string context = ::testing::PrintToString(row.args);
    EXPECT_EQ(result.exitStatus, row.status) << context;
    EXPECT_EQ(result.out, textMode(row.out)) << context;
    EXPECT_EQ(result.err, textMode(row.err)) << context;
    ExpectedDot expected;
    expected.node(1, row.rootLabel);
    if (row.out.empty()) expected.node(2, "<b.h>").blue(2, 1);
    EXPECT_EQ(dir.read("out.dot"), row.rootLabel.empty() ? "" : expected.str()) << context;
  }
  const CommandResult help = cludemap(TempDir(), {"a.h", "--help", "-x"});
  EXPECT_EQ(help.exitStatus, 0);
  EXPECT_EQ(help.out.rfind(textMode("Usage: cludemap [-I DIR]... HEADER OUTPUT\n"), 0), 0u)
      << help.out;
}

// The README shows the graph of the bundled example, rendered from the
// committed docs/example.dot that the demo writes. This keeps that copy true
// to what the tool prints today.
TEST(EndToEnd, BundledExampleGivesTheCommittedGraph) {
  const std::filesystem::path source = CLUDEMAP_SOURCE_DIR;
  TempDir dir;
  std::filesystem::copy(source / "example", dir.path(), std::filesystem::copy_options::recursive);
  const std::string graph = graphOf(dir, "station.h",
                                    "WARNING: Cannot open file: <math.h>\n"
                                    "WARNING: Cannot find file net/tls_session.h\n"
                                    "WARNING: Cannot find file net/tls_session.h\n"
                                    "WARNING: Cannot open file: <stdio.h>\n");
  EXPECT_EQ(graph, dotLineEnds(readFile(source / "docs" / "example.dot")))
      << "run `cmake --workflow --preset demo` to refresh docs/";
}

}  // namespace
