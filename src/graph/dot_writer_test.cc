#include "graph/dot_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "testing/expected_dot.h"
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

// The whole file as the driver frames it, for Graphviz.
std::string framed(const std::string& statements) {
  return kExpectedOpening + statements + kExpectedClosing;
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
  EXPECT_EQ(text, nodeLine(1, "a.h") + nodeLine(2, "b.h") + blueEdge(2, 1) + nodeLine(3, "d.h") +
                      blueEdge(3, 2) + nodeLine(4, "c.h") + blueEdge(4, 1) + nodeLine(3, "d.h") +
                      orangeEdge(3, 4));
  EXPECT_TRUE(graphvizAccepts(framed(text)));
}

TEST_F(DotWriterTest, PairGetsOneBlueThenOneOrangeEdgeAtMost) {
  const IncludeNode root =
      node("a.h", 1, true, {node("b.h", 2, true), node("b.h", 2, false), node("b.h", 2, false)});
  EXPECT_EQ(write(root), nodeLine(1, "a.h") + nodeLine(2, "b.h") + blueEdge(2, 1) +
                             nodeLine(2, "b.h") + orangeEdge(2, 1) + nodeLine(2, "b.h"));
}

TEST_F(DotWriterTest, OrangeMarksLastAcrossCalls) {
  const IncludeNode root = node("a.h", 1, true, {node("b.h", 2, false)});
  const std::string first = write(root);
  EXPECT_EQ(first, nodeLine(1, "a.h") + nodeLine(2, "b.h") + orangeEdge(2, 1));
  EXPECT_EQ(write(root), nodeLine(1, "a.h") + nodeLine(2, "b.h"));
}

TEST_F(DotWriterTest, EmptyLabelWritesNothingButItsChildrenDo) {
  runState().nodeIdRegistry[""] = 7;
  IncludeNode root;
  root.firstSighting = true;
  root.children.push_back(node("x.h", 8, true));
  EXPECT_EQ(write(root), nodeLine(8, "x.h") + blueEdge(8, 7));
}

TEST_F(DotWriterTest, LabelsAreEscapedSoGraphvizReadsThemBack) {
  const IncludeNode root = node("dir\\a.h", 1, true,
                                {node("q\"uote.h", 2, true), node("cr\r\n", 3, true),
                                 node("end\\", 4, true), node("\xff\xfe.h", 5, true)});
  const std::string text = write(root);
  EXPECT_EQ(text, nodeLine(1, "dir\\\\a.h") + nodeLine(2, "q\\\"uote.h") + blueEdge(2, 1) +
                      nodeLine(3, "cr\\r\\n") + blueEdge(3, 1) + nodeLine(4, "end\\\\") +
                      blueEdge(4, 1) + nodeLine(5, "\xff\xfe.h") + blueEdge(5, 1));
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
  EXPECT_EQ(text.substr(text.size() - blueEdge(kDepth + 1, kDepth).size()),
            blueEdge(kDepth + 1, kDepth));
  EXPECT_EQ(static_cast<int>(std::count(text.begin(), text.end(), '\n')), 2 * kDepth + 1);
}

}  // namespace
