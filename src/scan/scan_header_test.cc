#include "scan/scan_header.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "testing/test_support.h"

namespace {

namespace fs = std::filesystem;

// Each test scans a tree written into its own temporary directory, which is
// the working directory meanwhile, with a fresh run state.
class ScanHeaderTest : public ::testing::Test {
 protected:
  ScanHeaderTest() : previous_(fs::current_path()) {
    fs::current_path(dir_.path());
    resetRunState();
    runState().warnings = &warnings_;
  }
  ~ScanHeaderTest() override {
    fs::current_path(previous_);
    resetRunState();
  }

  void write(const std::string& name, const std::string& bytes) { dir_.write(name, bytes); }

  static IncludeNode scan(const std::string& path) {
    IncludeNode root;
    scanHeader(path, root, "", "");
    return root;
  }

  std::string warnings() const { return warnings_.str(); }

 private:
  fs::path previous_;
  TempDir dir_;
  std::ostringstream warnings_;
};

// The tree as "label#id" with '*' for a first sighting and children in
// parentheses.
std::string describe(const IncludeNode& node) {
  std::string text = node.label + "#" + std::to_string(runState().nodeIdRegistry[node.label]);
  if (node.firstSighting) text += "*";
  if (node.children.empty()) return text;
  text += "(";
  for (std::size_t i = 0; i < node.children.size(); ++i) {
    if (i != 0) text += ",";
    text += describe(node.children[i]);
  }
  return text + ")";
}

TEST(DirectoryList, SplitsAtEitherSeparatorAndDropsTheFileName) {
  EXPECT_EQ(directoryList("a\\b/c.h"), (DirectoryList{"a", "b"}));
  EXPECT_EQ(directoryList("/x/y.h"), (DirectoryList{"", "x"}));
  EXPECT_EQ(directoryList("c.h"), DirectoryList{});
  EXPECT_EQ(directoryList("a//b/"), (DirectoryList{"a", "", "b"}));
}

TEST_F(ScanHeaderTest, DifferentSpellingsAreDifferentNodes) {
  write("a.h", "#include \"b.h\"\n");
  write("b.h", "#include \"a.h\"\n");
  EXPECT_EQ(describe(scan("./a.h")), "./a.h#1*(b.h#2*(a.h#3*(b.h#2(a.h#3))))");
}

TEST_F(ScanHeaderTest, SameLabelInDifferentDirectoriesSharesOneId) {
  write("top.h", "#include \"p/m.h\"\n#include \"q/n.h\"\n");
  write("p/m.h", "#include \"x.h\"\n");
  write("q/n.h", "#include \"x.h\"\n");
  write("p/x.h", "#include \"only_p.h\"\n");
  write("p/only_p.h", "");
  write("q/x.h", "#include \"only_q.h\"\n");
  write("q/only_q.h", "");
  EXPECT_EQ(describe(scan("top.h")),
            "top.h#1*(p/m.h#2*(x.h#3*(only_p.h#4*)),q/n.h#5*(x.h#3(only_q.h#6*)))");
}

TEST_F(ScanHeaderTest, RepeatedIncludeFromOneParentIsALeafAndNotReopened) {
  write("a.h", "#include \"b.h\"\n#include \"b.h\"\n#include \"gone.h\"\n#include \"gone.h\"\n");
  write("b.h", "#include \"c.h\"\n");
  write("c.h", "");
  EXPECT_EQ(describe(scan("a.h")), "a.h#1*(b.h#2*(c.h#3*),b.h#2,gone.h#4*,gone.h#4)");
  EXPECT_EQ(warnings(), "WARNING: Cannot find file gone.h\n");
}

TEST_F(ScanHeaderTest, MissingHeaderUnderTwoParentsWarnsTwice) {
  write("a.h", "#include \"b.h\"\n#include \"c.h\"\n");
  write("b.h", "#include \"gone.h\"\n");
  write("c.h", "#include \"gone.h\"\n");
  scan("a.h");
  EXPECT_EQ(warnings(), "WARNING: Cannot find file gone.h\nWARNING: Cannot find file gone.h\n");
}

TEST_F(ScanHeaderTest, WarningsComeInDepthFirstLineOrder) {
  write("a.h", "#include <vector>\n#include \"b.h\"\n#include\t\"x\"\r\n#include \"c.h");
  write("b.h", "#include MACRO\n#include <map>");
  const IncludeNode root = scan("a.h");
  EXPECT_EQ(warnings(),
            "WARNING: Cannot open file: <vector>\n"
            "Warning: In file: b.h, line #include MACRO\n is malformatted.\n"
            "WARNING: Cannot open file: <map>\n"
            "Warning: In file: a.h, line #include\t\"x\"\r is malformatted.\n"
            "WARNING: Cannot find file c.h\n");
  EXPECT_EQ(describe(root), "a.h#1*(b.h#2*,c.h#3*)");
}

TEST_F(ScanHeaderTest, AngleNamesResolveThroughTheSystemDirectoriesInOrder) {
  write("sys1/only1.h", "");
  write("sys2/both.h", "#include \"near.h\"\n");
  write("sys2/near.h", "");
  write("sys1/both.h", "#include \"first.h\"\n");
  write("sys1/first.h", "");
  write("sys1/dir.h/keep", "");
  write("a.h", "#include <both.h>\n#include <only1.h>\n#include <dir.h>\n#include <none.h\n");
  runState().systemIncludeDirs = {"sys2/", "sys1/"};
  EXPECT_EQ(describe(scan("a.h")), "a.h#1*(<both.h>#2*(near.h#3*),<only1.h>#4*)");
  EXPECT_EQ(warnings(),
            "WARNING: Cannot open file: <dir.h>\n"
            "WARNING: Cannot open file: <none.h\n>\n");
}

TEST_F(ScanHeaderTest, AbsoluteNamesAreStillPrefixed) {
  const std::string absolute = (fs::current_path() / "abs.h").string();
  write("abs.h", "");
  write("x.h", "#include \"" + absolute + "\"\n");
  write("sub/y.h", "#include \"" + absolute + "\"\n");
  scan("x.h");
  EXPECT_EQ(warnings(), "");
  resetRunState();
  std::ostringstream more;
  runState().warnings = &more;
  scan("sub/y.h");
  EXPECT_EQ(more.str(), "WARNING: Cannot find file sub/" + absolute + "\n");
}

// A header reached under several includers is read once, but each expansion
// still yields its own children and repeats the warnings of its lines.
TEST_F(ScanHeaderTest, ReexpandedHeaderGivesTheSameChildrenAndWarnings) {
  write("root.h", "#include \"p.h\"\n#include \"q.h\"\n#include \"r.h\"\n");
  write("p.h", "#include \"shared.h\"\n");
  write("q.h", "#include \"shared.h\"\n");
  write("r.h", "#include \"shared.h\"\n#include \"shared.h\"\n");
  write("shared.h",
        "#include \"leaf.h\"\n#include <nowhere.h>\n#include MACRO\n#include \"missing.h\"\n");
  write("leaf.h", "#include \"shared.h\"\n");
  const IncludeNode root = scan("root.h");
  EXPECT_EQ(
      describe(root),
      "root.h#1*(p.h#2*(shared.h#3*(leaf.h#4*(shared.h#3(leaf.h#4,missing.h#5*)),missing.h#5)),"
      "q.h#6*(shared.h#3(leaf.h#4,missing.h#5)),"
      "r.h#7*(shared.h#3(leaf.h#4,missing.h#5),shared.h#3))");
  const std::string shared =
      "WARNING: Cannot open file: <nowhere.h>\n"
      "Warning: In file: shared.h, line #include MACRO\n is malformatted.\n";
  // The missing header warns once, first reached inside the nested
  // expansion; the (shared.h, missing.h) pair was expanded before at every
  // later reach.
  EXPECT_EQ(warnings(),
            shared + "WARNING: Cannot find file missing.h\n" + shared + shared + shared);
}

TEST_F(ScanHeaderTest, OneFileUnderSeveralSpellingsIsOneNodePerSpelling) {
  write("a.h", "#include \"sub/b.h\"\n#include \"sub/../sub/b.h\"\n#include \"sub/b.h\"\n");
  write("sub/b.h", "#include \"c.h\"\n#include \"gone.h\"\n");
  write("sub/c.h", "");
  EXPECT_EQ(describe(scan("a.h")),
            "a.h#1*(sub/b.h#2*(c.h#3*,gone.h#4*),sub/../sub/b.h#5*(c.h#3,gone.h#4),sub/b.h#2)");
  EXPECT_EQ(warnings(),
            "WARNING: Cannot find file sub/gone.h\nWARNING: Cannot find file sub/../sub/gone.h\n");
}

TEST_F(ScanHeaderTest, AngleNamesSkipSystemDirectoriesWithoutTheirSubdirectory) {
  write("sys1/lib", "a file, not a directory");
  write("sys2/lib/other.h", "");
  write("sys3/lib/x.h", "#include <lib/x.h>\n");
  write("sys3/top.h", "");
  write("a.h", "#include <lib/x.h>\n#include <lib/../top.h>\n#include <lib/none.h>\n");
  write("b.h", "#include <lib/x.h>\n");
  write("root.h", "#include \"a.h\"\n#include \"b.h\"\n");
  runState().systemIncludeDirs = {"sys1/", "sys2/", "sys3/"};
  EXPECT_EQ(describe(scan("root.h")),
            "root.h#1*(a.h#2*(<lib/x.h>#3*(<lib/x.h>#3(<lib/x.h>#3)),<lib/../top.h>#4*),"
            "b.h#5*(<lib/x.h>#3(<lib/x.h>#3)))");
  EXPECT_EQ(warnings(), "WARNING: Cannot open file: <lib/none.h>\n");
}

}  // namespace
