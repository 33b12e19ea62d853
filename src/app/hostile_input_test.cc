// Runs the built cludemap binary on headers that no one writes by hand: huge
// lines, endless empty lines, zero bytes, executables, self-inclusion under
// many spellings, devices and broken links. Each run must end normally with
// the exact warnings and DOT file, and Graphviz must read every DOT file.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "testing/expected_dot.h"
#include "testing/test_support.h"

namespace {

namespace fs = std::filesystem;

CommandResult cludemap(const TempDir& dir, const std::vector<std::string>& args) {
  std::vector<std::string> argv{CLUDEMAP_BINARY};
  argv.insert(argv.end(), args.begin(), args.end());
  return runCommand(argv, dir.path());
}

// Compares texts that may be many megabytes long without printing them
// whole: a failure shows the first difference and a little context.
::testing::AssertionResult sameBytes(const std::string& actual, const std::string& expected) {
  if (actual == expected) return ::testing::AssertionSuccess();
  const auto mismatch =
      std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end());
  const std::size_t at = static_cast<std::size_t>(mismatch.first - actual.begin());
  const std::size_t from = at < 40 ? 0 : at - 40;
  return ::testing::AssertionFailure()
         << "sizes " << actual.size() << " and " << expected.size() << ", first difference at "
         << at << "\n  actual:   ..." << ::testing::PrintToString(actual.substr(from, 80))
         << "\n  expected: ..." << ::testing::PrintToString(expected.substr(from, 80));
}

// Runs the tool on `root` in `dir` and checks a normal end: exit status 0,
// `warnings` on standard output, nothing on standard error, the DOT file
// `statements` framed by the opening and closing text, read by Graphviz.
void expectGraph(const TempDir& dir, const std::string& root, const std::string& warnings,
                 const std::string& statements) {
  const CommandResult result = cludemap(dir, {root, "out.dot"});
  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_TRUE(sameBytes(result.out, warnings));
  EXPECT_EQ(result.err, "");
  EXPECT_TRUE(sameBytes(dir.read("out.dot"), kExpectedOpening + statements + kExpectedClosing));
  EXPECT_TRUE(graphvizAcceptsFile(dir.path() / "out.dot"));
}

constexpr std::size_t kFiftyMegabytes = 50 << 20;

TEST(HostileInput, FiftyMegabyteLineWithoutDirective) {
  TempDir dir;
  // Near misses of both the keyword and the comment, all on one line.
  std::string line;
  while (line.size() < kFiftyMegabytes) line += "#includ/#Include";
  dir.write("big.h", line + "\n#include \"after.h\"\n");
  expectGraph(dir, "big.h", "WARNING: Cannot find file after.h\n",
              nodeLine(1, "big.h") + nodeLine(2, "after.h") + blueEdge(2, 1));
}

TEST(HostileInput, FiftyMegabyteUnclosedQuotedName) {
  TempDir dir;
  // 64-byte blocks ending in a backslash, so every 4096-byte break of the
  // label falls right after an escaped backslash.
  const std::string block = "abcdefghijklmnopqrstuvwxyz0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-\\";
  const std::string escapedBlock = block + "\\";
  std::string name;
  std::string escapedPiece;
  for (int i = 0; i < 4096 / 64; ++i) escapedPiece += escapedBlock;
  while (name.size() < kFiftyMegabytes) name += block;
  dir.write("h.h", "#include \"" + name + "\n");

  // The label is the name and the line's LF: 12800 pieces of 4096 bytes and
  // one more holding the LF, each break a backslash and a line end.
  std::string escapedLabel;
  for (std::size_t piece = 0; piece < kFiftyMegabytes / 4096; ++piece) {
    escapedLabel += escapedPiece + "\\\n";
  }
  escapedLabel += "\\n";
  // A path far beyond any file-name limit cannot be opened.
  expectGraph(dir, "h.h", "WARNING: Cannot find file " + name + "\n\n",
              nodeLine(1, "h.h") + nodeLine(2, escapedLabel) + blueEdge(2, 1));
}

TEST(HostileInput, MillionEmptyLines) {
  TempDir dir;
  dir.write("lf.h", std::string(1000000, '\n') + "#include \"b.h\"");
  dir.write("crlf.h", [] {
    std::string text;
    for (int i = 0; i < 1000000; ++i) text += "\r\n";
    return text + "#include \"b.h\"\r\n";
  }());
  dir.write("b.h", "");
  expectGraph(dir, "lf.h", "", nodeLine(1, "lf.h") + nodeLine(2, "b.h") + blueEdge(2, 1));
  expectGraph(dir, "crlf.h", "", nodeLine(1, "crlf.h") + nodeLine(2, "b.h") + blueEdge(2, 1));
}

TEST(HostileInput, ZeroBytes) {
  TempDir dir;
  const std::string zeros(1 << 20, '\0');
  dir.write("zeros.h", zeros);
  expectGraph(dir, "zeros.h", "", nodeLine(1, "zeros.h"));

  // A zero byte hides only the rest of its own line: the name is cut at it.
  dir.write("mixed.h", zeros + "\n#include \"b" + zeros + ".h\"\n" + zeros + "#include \"c.h\"");
  expectGraph(dir, "mixed.h", "WARNING: Cannot find file b\n",
              nodeLine(1, "mixed.h") + nodeLine(2, "b") + blueEdge(2, 1));
}

// True when no line of `bytes` shows "#include" before its first zero byte,
// as holds for compiled code, whose string constants end in a zero byte.
bool showsNoDirective(std::string_view bytes) {
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find_first_of(std::string_view("\r\n", 2), start);
    end = end == std::string_view::npos ? bytes.size() : end + 1;
    const std::string_view line = bytes.substr(start, end - start);
    if (line.substr(0, line.find('\0')).find("#include") != std::string_view::npos) return false;
    start = end;
  }
  return true;
}

TEST(HostileInput, ExecutableAsHeader) {
  TempDir dir;
  const std::string executable = readFile(CLUDEMAP_BINARY);
  ASSERT_GT(executable.size(), 10000u);
  ASSERT_TRUE(showsNoDirective(executable));
  // The line after the executable's bytes is still found.
  dir.write("bin.h", executable + "\n#include \"tail.h\"\n");
  dir.write("tail.h", "");
  expectGraph(dir, "bin.h", "", nodeLine(1, "bin.h") + nodeLine(2, "tail.h") + blueEdge(2, 1));
}

// The statements for x.h including itself through `spellings`, worked out
// from the rules of the scan and the writer: a label keeps the id of its
// first registration; a (parent id, id) pair is expanded once, and then
// lists every spelling again; a node is a first sighting when its label was
// never met before and then gets a midnightblue edge unless the pair already
// has its one orange edge; other nodes get that orange edge once.
class SelfInclusionModel {
 public:
  explicit SelfInclusionModel(std::vector<std::string> spellings)
      : spellings_(std::move(spellings)) {}

  std::string statements() {
    visit(spellings_.front(), 0);
    return statements_;
  }

 private:
  void visit(const std::string& label, int parentId) {
    const bool firstSighting = ids_.count(label) == 0;
    int& id = ids_[label];
    if (id == 0) id = nextId_++;
    const int nodeId = id;
    statements_ += nodeLine(nodeId, label);
    if (parentId != 0) {
      if (firstSighting) {
        if (orangeEdges_.count({nodeId, parentId}) == 0) statements_ += blueEdge(nodeId, parentId);
      } else if (orangeEdges_.insert({nodeId, parentId}).second) {
        statements_ += orangeEdge(nodeId, parentId);
      }
    }
    if (!expandedPairs_.insert({parentId, nodeId}).second) return;
    for (const std::string& spelling : spellings_) visit(spelling, nodeId);
  }

  std::vector<std::string> spellings_;
  std::map<std::string, int> ids_;
  int nextId_ = 1;
  std::set<std::pair<int, int>> expandedPairs_;
  std::set<std::pair<int, int>> orangeEdges_;
  std::string statements_;
};

TEST(HostileInput, SelfInclusionThroughTenSpellings) {
  TempDir dir;
  std::vector<std::string> spellings;
  std::string header;
  for (int dots = 0; dots < 10; ++dots) {
    std::string spelling;
    for (int i = 0; i < dots; ++i) spelling += "./";
    spelling += "x.h";
    header += "#include \"" + spelling + "\"\n";
    spellings.push_back(spelling);
  }
  dir.write("x.h", header);
  const std::string statements = SelfInclusionModel(spellings).statements();
  // Every one of the 10 * 10 pairs of spellings is expanded once, each
  // expansion lists all ten, and the root adds itself: 1011 nodes.
  std::size_t nodes = 0;
  for (std::size_t at = statements.find("[shape="); at != std::string::npos;
       at = statements.find("[shape=", at + 1)) {
    ++nodes;
  }
  EXPECT_EQ(nodes, 1011u);
  expectGraph(dir, "x.h", "", statements);
}

#if !defined(_WIN32)

TEST(HostileInput, DevNullAndBrokenLinksAreMissingFiles) {
  TempDir dir;
  dir.write("x.h",
            "#include \"/dev/null\"\n#include \"dangling.h\"\n#include \"loop.h\"\n"
            "#include \"linked.h\"\n");
  fs::create_symlink("nowhere.h", dir.path() / "dangling.h");
  fs::create_symlink("loop.h", dir.path() / "loop.h");
  // A link to a regular file is read; its names resolve from the link's own
  // directory, not from the target's.
  fs::create_symlink("real/r.h", dir.path() / "linked.h");
  dir.write("real/r.h", "#include \"inner.h\"\n");
  dir.write("inner.h", "");
  expectGraph(dir, "x.h",
              "WARNING: Cannot find file /dev/null\n"
              "WARNING: Cannot find file dangling.h\n"
              "WARNING: Cannot find file loop.h\n",
              nodeLine(1, "x.h") + nodeLine(2, "/dev/null") + blueEdge(2, 1) +
                  nodeLine(3, "dangling.h") + blueEdge(3, 1) + nodeLine(4, "loop.h") +
                  blueEdge(4, 1) + nodeLine(5, "linked.h") + blueEdge(5, 1) +
                  nodeLine(6, "inner.h") + blueEdge(6, 5));

  expectGraph(dir, "/dev/null", "WARNING: Cannot find file /dev/null\n", nodeLine(1, "/dev/null"));
  expectGraph(dir, "dangling.h", "WARNING: Cannot find file dangling.h\n",
              nodeLine(1, "dangling.h"));
}

#endif

}  // namespace
