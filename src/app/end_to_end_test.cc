// Runs the built cludemap binary on header trees in temporary directories and
// compares standard output, standard error, exit status and the DOT file
// byte for byte. Every DOT file written is also read by Graphviz.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "testing/test_support.h"

namespace {

const std::string kOpening =
    "digraph G\n{\n"
    "edge [fontname=\"Helvetica\",fontsize=10,labelfontname=\"Helvetica\",labelfontsize=10];\n"
    "node [fontname=\"Helvetica\",fontsize=10,shape=record];\n";
const std::string kClosing = "}\n";
const std::string kUsage = "Usage: cludemap (.h file) (.png file)\n";

std::string nodeLine(int id, const std::string& label) {
  return "   Node" + std::to_string(id) + " [shape=\"box\",label=\"" + label +
         "\",fontsize=10,height=0.2,width=0.4,fontname=\"Helvetica\",color=\"black\","
         "style=\"filled\" fontcolor=\"white\"];\n";
}

std::string blueEdge(int child, int parent) {
  return "   Node" + std::to_string(child) + " -> Node" + std::to_string(parent) +
         " [dir=back,color=\"midnightblue\",fontsize=10,style=\"solid\",fontname=\"Helvetica\"];\n";
}

std::string orangeEdge(int child, int parent) {
  return "   Node" + std::to_string(child) + " -> Node" + std::to_string(parent) +
         " [dir=back,color=\"orange\",fontsize=10,style=\"solid\",fontname=\"Helvetica\"];\n";
}

CommandResult cludemap(const TempDir& dir, const std::vector<std::string>& args,
                       const std::vector<std::string>& environment = {}) {
  std::vector<std::string> argv{CLUDEMAP_BINARY};
  argv.insert(argv.end(), args.begin(), args.end());
  return runCommand(argv, dir.path(), environment);
}

// Runs the tool on `root` writing out.dot, expects success with `warnings`,
// checks the file with Graphviz and returns it.
std::string graphOf(const TempDir& dir, const std::string& root, const std::string& warnings,
                    const std::vector<std::string>& environment = {}) {
  const CommandResult result = cludemap(dir, {root, "out.dot"}, environment);
  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(result.out, warnings);
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
    EXPECT_EQ(result.out, kUsage);
    EXPECT_EQ(result.err, "");
  }
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "out.dot"));
}

TEST(EndToEnd, RoadOfOneHeader) {
  TempDir dir;
  dir.write("src/app.h", "#include \"util/str.h\"\n");
  dir.write("src/util/str.h", "#include \"../cfg.h\"\n");
  dir.write("src/cfg.h", "");
  EXPECT_EQ(graphOf(dir, "src/app.h", ""), kOpening + nodeLine(1, "src/app.h") +
                                               nodeLine(2, "util/str.h") + blueEdge(2, 1) +
                                               nodeLine(3, "../cfg.h") + blueEdge(3, 2) + kClosing);
}

TEST(EndToEnd, HeaderIncludedThriceByOneParentGetsOneEdgeOfEachColour) {
  TempDir dir;
  dir.write("a.h", "#include \"b.h\"\n#include \"b.h\"\n#include \"b.h\"\n");
  dir.write("b.h", "#include \"c.h\"\n");
  dir.write("c.h", "");
  EXPECT_EQ(graphOf(dir, "a.h", ""), kOpening + nodeLine(1, "a.h") + nodeLine(2, "b.h") +
                                         blueEdge(2, 1) + nodeLine(3, "c.h") + blueEdge(3, 2) +
                                         nodeLine(2, "b.h") + orangeEdge(2, 1) +
                                         nodeLine(2, "b.h") + kClosing);
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
  EXPECT_EQ(graph, readFile(source / "docs" / "example.dot"))
      << "run `cmake --workflow --preset demo` to refresh docs/";
}

}  // namespace
