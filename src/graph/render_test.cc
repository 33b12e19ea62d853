// Pictures drawn by Graphviz's library, read back by other programs: SVG by
// xmllint, PDF by poppler's pdftoppm, PNG by its header.
#include "graph/render.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "testing/test_support.h"

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

// The standard output of `command` without its last line end, or "failed".
static std::string output(const std::string& command) {
  std::FILE* pipe = popen(command.c_str(), "r");
  std::string text;
  for (int c; (c = std::fgetc(pipe)) != EOF;) text += static_cast<char>(c);
  if (!text.empty() && text.back() == '\n') text.pop_back();
  return pclose(pipe) == 0 ? text : "failed";
}

// A PNG side in pixels, from its header: width at 16, height at 20.
static long pixels(const std::string& png, int at) {
  long value = 0;
  for (int i = at; i < at + 4; ++i) value = value << 8 | static_cast<unsigned char>(png[i]);
  return value;
}

// One renderer for every picture, as GraphRenderer asks. a.h includes b.h
// and the missing gone.h. PNG is drawn at 96 dots per inch, and SVG gives
// its size in points (1/72 inch), both rounded from the same layout size.
TEST(Render, DrawsEachFormatReadablyOrSaysWhyNot) {
  const std::string graph =
      modelDotFile(modelNode(1, "a.h") + modelNode(2, "gone.h") + modelEdge(2, 1, true) +
                   modelNode(3, "b.h") + modelEdge(3, 1, true));
  GraphRenderer renderer;
  const auto render = [&](const std::string& format, const std::string& engine = "dot") {
    const Expected<std::string> bytes =
        renderer.render(graph, {format, engine, {"Node2", "Node99"}});
    EXPECT_TRUE(bytes) << bytes.error().message;
    return bytes ? *bytes : "";
  };
  const std::filesystem::path dir = freshDirectory();
  CaptureStderr();
  writeFiles(dir, {{"g.svg", render("svg")}, {"g.pdf", render("pdf")}});
  const std::string png = render("png");
  EXPECT_EQ(GetCapturedStderr(), "");
  const auto svg = [&](const std::string& query) {
    return output(XMLLINT_EXECUTABLE " --nonet --xpath '" + query + "' " +
                  (dir / "g.svg").string());
  };
  const auto box = [&](int node, const std::string& attribute) {
    return svg("string(//*[@class=\"node\"][*=\"Node" + std::to_string(node) +
               "\"]/*[local-name()=\"polygon\"]/@" + attribute + ")");
  };
  EXPECT_EQ(svg("count(//*[local-name()=\"g\"][@class=\"node\"])"), "3");
  EXPECT_EQ(box(2, "stroke") + box(2, "fill"), "redblack");
  EXPECT_NE(box(2, "stroke-dasharray"), "");
  EXPECT_EQ(box(1, "stroke") + box(1, "fill") + box(1, "stroke-dasharray"), "blackblack");
  ASSERT_GT(png.size(), 45U);
  EXPECT_EQ(png.substr(0, 16), std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16));
  EXPECT_EQ(png.substr(png.size() - 8, 4), "IEND");
  for (const auto& [side, at] : {std::pair("width", 16), std::pair("height", 20)}) {
    const int points = std::stoi(svg(std::string("string(/*/@") + side + ")"));
    EXPECT_EQ(pixels(png, at), std::lround(points * 4 / 3.0));
  }
  // Wider than cairo draws bitmaps: scaled to fit, quietly.
  std::string star = "digraph G {";
  for (int i = 1; i <= 600; ++i) star += "N" + std::to_string(i) + " -> N0;";
  CaptureStderr();
  const Expected<std::string> wide = renderer.render(star + "}", {"png", "dot", {}});
  EXPECT_EQ(GetCapturedStderr(), "");
  EXPECT_TRUE(wide && wide->size() > 24 && pixels(*wide, 16) <= 32767);
  const std::string page = (dir / "page").string();
  EXPECT_EQ(
      output(PDFTOPPM_EXECUTABLE " -png -singlefile " + (dir / "g.pdf").string() + " " + page), "");
  EXPECT_EQ(readFile(page + ".png").substr(1, 3), "PNG");
  for (const char* engine : {"circo", "fdp", "neato", "osage", "patchwork", "sfdp", "twopi"}) {
    EXPECT_TRUE(knownEngine(engine) && render("svg", engine).find("</svg>") != std::string::npos);
  }
  const std::vector<std::vector<std::string>> refusals = {
      // format, engine, DOT text, reason; the category: usage, or output
      // where Graphviz fails
      {"gif", "dot", graph, "unknown picture format \"gif\""},
      {"dot", "dot", graph, "unknown picture format \"dot\""},
      {"svg", "nop", graph, "unknown layout engine \"nop\""},
      {"svg", "dot", "digraph { a -> ", "Graphviz cannot read the graph: syntax error in line 1"}};
  for (const auto& row : refusals) {
    CaptureStderr();
    const Expected<std::string> bytes = renderer.render(row[2], {row[0], row[1], {}});
    EXPECT_EQ(GetCapturedStderr(), "");
    ASSERT_FALSE(bytes);
    EXPECT_EQ(bytes.error().message, row[3]);
    EXPECT_EQ(bytes.error().category,
              row[2] == graph ? ErrorCategory::kUsage : ErrorCategory::kOutput);
  }
}
