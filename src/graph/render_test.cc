// Pictures drawn by Graphviz's library, read back by other programs: SVG by
// xmllint, PDF by poppler's pdftoppm, PNG by its header.
#include "graph/render.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <sstream>
#include <utility>

#include "graph/dot_format.h"
#include "graph/include_tree_dot.h"
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

// a.h includes the missing gone.h (Node2) and b.h, in the style of pictures.
static std::string threeHeaders() {
  ScanResult result;
  IncludeNode& root = result.roots.emplace_back();
  root.label = result.labels("a.h");
  root.id = 1;
  for (const auto& [name, id] : {std::pair("gone.h", 2), std::pair("b.h", 3)}) {
    IncludeNode& child = root.children.emplace_back();
    child.label = result.labels(name);
    child.id = id;
    child.firstSighting = child.edgeDrawn = true;
    child.missing = id == 2;
  }
  std::ostringstream dot;
  IncludeTreeDotOptions options;
  options.style = &kPictureStyle;
  writeIncludeTreeDot(dot, result, options);
  return dot.str();
}

class Render : public testing::Test {
 protected:
  // One renderer for every picture of the process, as GraphRenderer asks.
  static void SetUpTestSuite() { renderer_ = std::make_unique<GraphRenderer>(); }
  static void TearDownTestSuite() { renderer_.reset(); }

  // threeHeaders() drawn; Graphviz prints nothing meanwhile.
  static std::string draw(const std::string& format, const std::string& engine = "dot") {
    CaptureStderr();
    const Expected<std::string> bytes = renderer_->render(threeHeaders(), {format, engine});
    EXPECT_EQ(GetCapturedStderr(), "");
    EXPECT_TRUE(bytes) << bytes.error().message;
    return bytes ? *bytes : "";
  }

  // The SVG drawing of threeHeaders() is in dir_/g.svg for each test.
  void SetUp() override { writeFiles(dir_, {{"g.svg", draw("svg")}}); }

  // What xmllint's XPath `query` gives on the SVG drawing.
  std::string svg(const std::string& query) const {
    return output(XMLLINT_EXECUTABLE " --nonet --xpath '" + query + "' " +
                  (dir_ / "g.svg").string());
  }

  static inline std::unique_ptr<GraphRenderer> renderer_;
  const std::filesystem::path dir_ = freshDirectory();
};

TEST_F(Render, SvgHasABoxPerHeaderAndAnArrowPerInclude) {
  EXPECT_EQ(svg("count(//*[local-name()=\"g\"][@class=\"node\"])"), "3");
  EXPECT_EQ(svg("count(//*[local-name()=\"g\"][@class=\"edge\"])"), "2");
}

// The usual white-on-black fill, with a dashed red outline for missing ones.
TEST_F(Render, MissingHeadersAreOutlinedDashedRed) {
  const auto box = [&](int node, const std::string& attribute) {
    return svg("string(//*[@class=\"node\"][*=\"Node" + std::to_string(node) +
               "\"]/*[local-name()=\"polygon\"]/@" + attribute + ")");
  };
  EXPECT_EQ(box(2, "stroke") + box(2, "fill"), "redblack");
  EXPECT_NE(box(2, "stroke-dasharray"), "");
  EXPECT_EQ(box(1, "stroke") + box(1, "fill") + box(1, "stroke-dasharray"), "blackblack");
}

// PNG is drawn at 96 dots per inch, and SVG gives its size in points (1/72
// inch), both rounded from the same layout size.
TEST_F(Render, PngIsWholeAndSizedAsTheSvg) {
  const std::string png = draw("png");
  ASSERT_GT(png.size(), 45U);
  EXPECT_EQ(png.substr(0, 16), std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16));
  EXPECT_EQ(png.substr(png.size() - 8, 4), "IEND");
  for (const auto& [side, at] : {std::pair("width", 16), std::pair("height", 20)}) {
    const int points = std::stoi(svg(std::string("string(/*/@") + side + ")"));
    EXPECT_EQ(pixels(png, at), std::lround(points * 4 / 3.0)) << side;
  }
}

// Wider than cairo draws bitmaps: scaled to fit, quietly.
TEST_F(Render, PngTooWideForCairoIsScaledDown) {
  std::string star = "digraph G {";
  for (int i = 1; i <= 600; ++i) star += "N" + std::to_string(i) + " -> N0;";
  CaptureStderr();
  const Expected<std::string> wide = renderer_->render(star + "}", {"png", "dot"});
  EXPECT_EQ(GetCapturedStderr(), "");
  ASSERT_TRUE(wide);
  EXPECT_TRUE(wide->size() > 24 && pixels(*wide, 16) <= 32767);
}

TEST_F(Render, PdfIsReadable) {
  writeFiles(dir_, {{"g.pdf", draw("pdf")}});
  const std::string page = (dir_ / "page").string();
  EXPECT_EQ(
      output(PDFTOPPM_EXECUTABLE " -png -singlefile " + (dir_ / "g.pdf").string() + " " + page),
      "");
  EXPECT_EQ(readFile(page + ".png").substr(1, 3), "PNG");
}

TEST_F(Render, EachEngineLaysTheGraphOut) {
  for (const char* engine : {"circo", "fdp", "neato", "osage", "patchwork", "sfdp", "twopi"}) {
    EXPECT_TRUE(knownEngine(engine)) << engine;
    EXPECT_NE(draw("svg", engine).find("</svg>"), std::string::npos) << engine;
  }
}

// A one-line reason, no bytes and nothing printed.
TEST_F(Render, RefusesWhatItCannotDraw) {
  const std::vector<std::vector<std::string>> refusals = {
      // format, engine, DOT text, reason
      {"gif", "dot", threeHeaders(), "unknown picture format \"gif\""},
      {"dot", "dot", threeHeaders(), "unknown picture format \"dot\""},
      {"svg", "nop", threeHeaders(), "unknown layout engine \"nop\""},
      {"svg", "dot", "digraph { a -> ", "Graphviz cannot read the graph: syntax error in line 1"}};
  for (const auto& row : refusals) {
    CaptureStderr();
    const Expected<std::string> bytes = renderer_->render(row[2], {row[0], row[1]});
    EXPECT_EQ(GetCapturedStderr(), "");
    ASSERT_FALSE(bytes);
    EXPECT_EQ(bytes.error().message, row[3]);
  }
}
