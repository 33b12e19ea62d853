#include "graph/dot_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "testing/test_support.h"

namespace {

class DotWriterTest : public ::testing::Test {
 protected:
  DotWriterTest() { resetRunState(); }
  ~DotWriterTest() override { resetRunState(); }

  // A node as the scan leaves it: labelled, flagged, registered under `id`.
  static IncludeNode node(const std::string& label, std::int32_t id, bool firstSighting,
                          std::vector<IncludeNode> children = {}) {
    runState().nodeIdRegistry[label] = id;
    IncludeNode result;
    result.label = label;
    result.firstSighting = firstSighting;
    result.children = std::move(children);
    return result;
  }

  static std::string write(const IncludeNode& root) {
    std::ostringstream out;
    writeNodeGraph(out, root, -1);
    return out.str();
  }
};

std::string nodeLine(int id, const std::string& label) {
  return "   Node" + std::to_string(id) + " [shape=\"box\",label=\"" + label +
         "\",fontsize=10,height=0.2,width=0.4,fontname=\"Helvetica\",color=\"black\","
         "style=\"filled\" fontcolor=\"white\"];\n";
}

std::string edgeLine(int child, int parent, const std::string& color) {
  return "   Node" + std::to_string(child) + " -> Node" + std::to_string(parent) +
         " [dir=back,color=\"" + color +
         "\",fontsize=10,style=\"solid\",fontname=\"Helvetica\"];\n";
}

// The whole file as the driver frames it, for Graphviz.
std::string framed(const std::string& statements) {
  return "digraph G\n{\n"
         "edge [fontname=\"Helvetica\",fontsize=10,labelfontname=\"Helvetica\",labelfontsize=10];\n"
         "node [fontname=\"Helvetica\",fontsize=10,shape=record];\n" +
         statements + "}\n";
}

TEST_F(DotWriterTest, RootAloneIsOneNodeStatement) {
  const std::string text = write(node("dir/a.h", 1, true));
  EXPECT_EQ(text, nodeLine(1, "dir/a.h"));
  EXPECT_TRUE(graphvizAccepts(framed(text)));
}

TEST_F(DotWriterTest, DiamondDrawsTheSecondVisitOrange) {
  const IncludeNode root = node("a.h", 1, true,
                                {node("b.h", 2, true, {node("d.h", 3, true)}),
                                 node("c.h", 4, true, {node("d.h", 3, false)})});
  const std::string text = write(root);
  EXPECT_EQ(text, nodeLine(1, "a.h") + nodeLine(2, "b.h") + edgeLine(2, 1, "midnightblue") +
                      nodeLine(3, "d.h") + edgeLine(3, 2, "midnightblue") + nodeLine(4, "c.h") +
                      edgeLine(4, 1, "midnightblue") + nodeLine(3, "d.h") +
                      edgeLine(3, 4, "orange"));
  EXPECT_TRUE(graphvizAccepts(framed(text)));
}

TEST_F(DotWriterTest, PairGetsOneBlueThenOneOrangeEdgeAtMost) {
  const IncludeNode root =
      node("a.h", 1, true, {node("b.h", 2, true), node("b.h", 2, false), node("b.h", 2, false)});
  EXPECT_EQ(write(root), nodeLine(1, "a.h") + nodeLine(2, "b.h") + edgeLine(2, 1, "midnightblue") +
                             nodeLine(2, "b.h") + edgeLine(2, 1, "orange") + nodeLine(2, "b.h"));
}

TEST_F(DotWriterTest, OrangeMarksLastAcrossCalls) {
  const IncludeNode root = node("a.h", 1, true, {node("b.h", 2, false)});
  const std::string first = write(root);
  EXPECT_EQ(first, nodeLine(1, "a.h") + nodeLine(2, "b.h") + edgeLine(2, 1, "orange"));
  EXPECT_EQ(write(root), nodeLine(1, "a.h") + nodeLine(2, "b.h"));
}

TEST_F(DotWriterTest, EmptyLabelWritesNothingButItsChildrenDo) {
  runState().nodeIdRegistry[""] = 7;
  IncludeNode root;
  root.firstSighting = true;
  root.children.push_back(node("x.h", 8, true));
  EXPECT_EQ(write(root), nodeLine(8, "x.h") + edgeLine(8, 7, "midnightblue"));
}

TEST_F(DotWriterTest, LabelsAreEscapedSoGraphvizReadsThemBack) {
  const IncludeNode root = node("dir\\a.h", 1, true,
                                {node("q\"uote.h", 2, true), node("cr\r\n", 3, true),
                                 node("end\\", 4, true), node("\xff\xfe.h", 5, true)});
  const std::string text = write(root);
  EXPECT_EQ(text, nodeLine(1, "dir\\\\a.h") + nodeLine(2, "q\\\"uote.h") +
                      edgeLine(2, 1, "midnightblue") + nodeLine(3, "cr\\r\\n") +
                      edgeLine(3, 1, "midnightblue") + nodeLine(4, "end\\\\") +
                      edgeLine(4, 1, "midnightblue") + nodeLine(5, "\xff\xfe.h") +
                      edgeLine(5, 1, "midnightblue"));
  EXPECT_TRUE(graphvizAccepts(framed(text)));
}

TEST(AppendEscapedLabel, LongLabelsAreBrokenByLineContinuations) {
  std::string escapedQuotes;
  for (int i = 0; i < 4096; ++i) escapedQuotes += "\\\"";
  std::string out;
  appendEscapedLabel(out, std::string(4096, 'a') + std::string(4096, '"') + "z");
  EXPECT_EQ(out, std::string(4096, 'a') + "\\\n" + escapedQuotes + "\\\nz");
  out.clear();
  appendEscapedLabel(out, std::string(4096, 'b'));
  EXPECT_EQ(out, std::string(4096, 'b'));
}

TEST_F(DotWriterTest, LongLabelsReadBackWhole) {
  // Escapes on both sides of every break, where a misplaced continuation
  // would change the label or end the string.
  std::string label;
  for (int piece = 0; piece < 4; ++piece) {
    label += "\"" + std::string(4094, 'x') + "\\";
  }
  label += std::string(20000, 'y') + "\r\n";
  const std::string text = write(node(label, 1, true));
  std::string escaped;
  for (int piece = 0; piece < 4; ++piece) {
    escaped += "\\\"" + std::string(4094, 'x') + "\\\\";
  }
  escaped += std::string(20000, 'y') + "\\r\\n";
  const std::string readBack = graphvizReadBack(framed(text));
  EXPECT_NE(readBack.find("label=\"" + escaped + "\""), std::string::npos)
      << readBack.substr(0, 200);
}

TEST_F(DotWriterTest, HugeLabelStaysReadableByGraphviz) {
  const std::string label = std::string(50000, 'x') + "\\\"\n";
  const std::string text = write(node(label, 1, true));
  EXPECT_TRUE(graphvizAccepts(framed(text)));
}

TEST_F(DotWriterTest, DeepChainNeedsNoDeepStack) {
  constexpr int kDepth = 100000;
  IncludeNode root = node("h0.h", 1, true);
  IncludeNode* last = &root;
  for (int i = 1; i <= kDepth; ++i) {
    last->children.push_back(node("h" + std::to_string(i) + ".h", i + 1, true));
    last = &last->children.back();
  }
  const std::string text = write(root);
  EXPECT_EQ(text.substr(text.size() - edgeLine(kDepth + 1, kDepth, "midnightblue").size()),
            edgeLine(kDepth + 1, kDepth, "midnightblue"));
  EXPECT_EQ(static_cast<int>(std::count(text.begin(), text.end(), '\n')), 2 * kDepth + 1);
}

}  // namespace
