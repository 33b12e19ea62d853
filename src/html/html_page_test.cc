// The page's pieces: data that cannot leave its script element, and a tree
// picture whose boxes Graphviz labels with the names as they are.
#include <gtest/gtest.h>
#include <rapidjson/document.h>

#include <algorithm>
#include <fstream>

#include "graph/render.h"
#include "html/html_page.h"
#include "html/tree_dot.h"
#include "testing/graph_rows.h"
#include "testing/test_support.h"

namespace {

TEST(ScriptSafeJson, NothingEndsTheScriptAndTheValueStays) {
  const struct {
    std::string_view json, safe;
  } kRows[] = {
      {R"(["</script>"])", R"(["\u003c/script\u003e"])"},
      {R"({"<!--":"-->"})", R"({"\u003c!--":"--\u003e"})"},
      {R"(["a&amp;b",1])", R"(["a\u0026amp;b",1])"},
      {"[\"\xe2\x80\xa8|\xe2\x80\xa9|\xe2\x80\xaa\"]", "[\"\\u2028|\\u2029|\xe2\x80\xaa\"]"},
  };
  for (const auto& row : kRows) {
    const std::string safe = scriptSafeJson(row.json);
    EXPECT_EQ(safe, row.safe);
    rapidjson::Document before;
    rapidjson::Document after;
    before.Parse(row.json.data(), row.json.size());
    after.Parse(safe.data(), safe.size());
    ASSERT_FALSE(after.HasParseError()) << safe;
    EXPECT_TRUE(before == after) << safe;
  }
}

TEST(BoxLabel, CutsLongLabelsAtCharacters) {
  const std::string e = "\xc3\xa9";
  std::string many;
  for (int i = 0; i < 81; ++i) many += e;
  std::string cut;
  for (int i = 0; i < 39; ++i) cut += e;
  cut += "\xe2\x80\xa6" + cut;
  const struct {
    std::string label, box;
  } kRows[] = {
      {"short.h", "short.h"},
      {std::string(80, 'x'), std::string(80, 'x')},
      {"a" + std::string(9998, 'b') + "z",
       "a" + std::string(38, 'b') + "\xe2\x80\xa6" + std::string(38, 'b') + "z"},
      {many, cut},
  };
  for (const auto& row : kRows) EXPECT_EQ(boxLabel(row.label), row.box);
}

// The text of each node's <text> element, its entities decoded.
std::vector<std::string> nodeTexts(const std::string& svg) {
  std::vector<std::string> texts;
  for (std::size_t at = svg.find("class=\"node"); at != std::string::npos;
       at = svg.find("class=\"node", at + 1)) {
    const std::size_t start = svg.find('>', svg.find("<text", at)) + 1;
    const std::string_view escaped(&svg[start], svg.find("</text>", start) - start);
    std::string text;
    for (std::size_t i = 0; i < escaped.size(); ++i) {
      if (escaped[i] != '&') {
        text += escaped[i];
        continue;
      }
      const std::size_t end = escaped.find(';', i);
      const std::string_view entity = escaped.substr(i + 1, end - i - 1);
      static const std::pair<std::string_view, char> kNamed[] = {
          {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
      for (const auto& [name, c] : kNamed) {
        if (entity == name) text += c;
      }
      if (entity[0] == '#') text += static_cast<char>(std::stoi(std::string(entity.substr(1))));
      i = end;
    }
    texts.push_back(text);
  }
  return texts;
}

TEST(TreeDot, GraphvizDrawsEveryNameAsText) {
  FileGraph graph = graphOf({"/p/top.h 1 1 > 1 2 3 4", "/p/a.h 1 1 > 2 3", "/p/b.h missing",
                             "/p/c.h 1 1 > 1", "/p/d.h 1 1"},
                            {0});
  graph.files[1].path = "/p/<script>alert(1)</script> \"q\" 'a'.h";
  graph.files[2].path = "/p/\\N \\G \\l \\\"&amp; &#60; &lt;.h";
  graph.files[3].path = "/p/<!-- --> ]]> ${x} `y`.h";
  graph.files[4].path = "/p/" + std::string(10000, 'x') + ".h";
  const GraphMetrics metrics = computeMetrics(graph);
  const std::vector<std::string> labels = fileLabels(graph, "/p");
  const std::string dot = treeDot(graph, metrics, labels);
  const std::filesystem::path file = freshDirectory() / "tree.dot";
  std::ofstream(file) << dot;
  EXPECT_EQ(graphvizErrors(file), "");

  if (!renderingAvailable()) GTEST_SKIP() << "this build has no Graphviz library";
  GraphRenderer renderer;
  RenderRequest request;
  request.format = "svg";
  const Expected<std::string> picture = renderer.render(dot, request);
  ASSERT_TRUE(picture) << picture.error().message;
  const std::string& svg = *picture;
  std::vector<std::string> boxes(labels.size());
  std::transform(labels.begin(), labels.end(), boxes.begin(), boxLabel);
  EXPECT_EQ(nodeTexts(svg), boxes);
  // Tree edges only: c.h reaches a.h, but top.h includes it first.
  for (const std::string_view edge : {"id=\"e1\"", "id=\"e2\"", "id=\"e3\"", "id=\"e4\""}) {
    EXPECT_NE(svg.find(edge), std::string::npos) << edge;
  }
  EXPECT_EQ(svg.find("id=\"e0\""), std::string::npos);
  std::size_t edges = 0;
  for (std::size_t at = svg.find("class=\"edge\""); at != std::string::npos;
       at = svg.find("class=\"edge\"", at + 1)) {
    ++edges;
  }
  EXPECT_EQ(edges, 4U);
  EXPECT_NE(svg.find("<g id=\"f2\" class=\"node missing\""), std::string::npos);
}

}  // namespace
