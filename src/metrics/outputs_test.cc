// The outputs for a person: --why, --compare and the report.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "metrics/compare.h"
#include "metrics/json_writer.h"
#include "metrics/report_writer.h"
#include "metrics/why.h"
#include "testing/graph_rows.h"
#include "testing/test_support.h"

namespace {

const std::vector<std::string> kProject = {
    "/p/src/app.h 100 10 > 1=util/str.h@3 3=x.h@5 1@9",
    "/p/src/util/str.h 50 5 > 2=<vector>@12",
    "/usr/include/c++/12/vector 2000 80 > 2=<vector>@1",
    "/p/src/x.h missing",
    "/q/lone.h 7 1 > 2=<vector>@2",
};

}  // namespace

TEST(Why, ShortestChainsWithTheLineOfEachDirective) {
  FileGraph graph = graphOf(kProject, {0});
  graph.unresolved.push_back({"<lone>", 1, 7});
  std::ostringstream out;
  const NameMatcher matches = [](std::string_view name) {
    return name == "<vector>" || name == "x.h" || name.find("lone") != std::string_view::npos ||
           name.find("app.h") != std::string_view::npos;
  };
  EXPECT_EQ(writeWhy(out, graph, computeMetrics(graph), matches, "/p"), 5U);
  EXPECT_EQ(out.str(),
            "src/app.h\n"
            "src/app.h:3 \xe2\x86\x92 util/str.h:12 \xe2\x86\x92 <vector>\n"
            "src/app.h:5 \xe2\x86\x92 x.h\n"
            "/q/lone.h: no root reaches it\n"
            "src/app.h:3 \xe2\x86\x92 util/str.h:7 \xe2\x86\x92 <lone> (not found)\n");
}

TEST(Report, RanksFilesAndAlignsColumns) {
  FileGraph graph = graphOf(kProject, {0});
  graph.unresolved.push_back({"<lone>", 1, 7});
  std::ostringstream out;
  writeReport(out, graph, computeMetrics(graph), "/p/src");
  EXPECT_EQ(out.str(),
            "Reached from 1 root: 4 files, 2150 bytes, 95 lines; 1 missing file, 1 cycle\n\n"
            "  root   files  bytes  lines\n"
            "  app.h      4   2150     95\n\n"
            "Heaviest closures (the file and all it includes)\n"
            "  files  bytes  lines  file, and how a root reaches it\n"
            "      4   2150     95  app.h\n"
            "      2   2050     85  util/str.h\n"
            "                         app.h:3 \xe2\x86\x92 util/str.h\n"
            "      2   2007     81  /q/lone.h\n"
            "                         no root reaches it\n"
            "      1   2000     80  /usr/include/c++/12/vector\n"
            "                         app.h:3 \xe2\x86\x92 util/str.h:12 \xe2\x86\x92 <vector>\n"
            "      1      0      0  x.h\n"
            "                         app.h:5 \xe2\x86\x92 x.h\n\n"
            "Most reached (files whose closure holds it, files that include it)\n"
            "  reached from  included by  file\n"
            "             3            3  /usr/include/c++/12/vector\n"
            "             1            1  util/str.h\n"
            "             1            1  x.h\n"
            "             0            0  app.h\n"
            "             0            0  /q/lone.h\n\n"
            "Cycles (files that reach each other): 1\n"
            "  1. 1 file\n"
            "     /usr/include/c++/12/vector\n\n"
            "Unresolved names: 1\n"
            "  <lone>  in util/str.h:7\n");
}

// The root's path is not UTF-8: it is matched by its exact bytes.
TEST(Compare, FindsAGrownRootAndTheFileItNowReaches) {
  const std::filesystem::path directory = freshDirectory();
  const std::string base = (directory / "base.json").string();
  const FileGraph before = graphOf({"/p/r\xff.h 10 1 > 1", "/p/a.h 20 1", "/p/n.h 5 1"}, {0});
  std::ofstream(base) << [&] {
    std::ostringstream json;
    writeJson(json, before, computeMetrics(before), "1.0");
    return json.str();
  }();
  const Expected<Baseline> read = readBaseline(base);
  ASSERT_TRUE(read) << read.error().message;
  const Baseline& baseline = *read;
  std::ostringstream same;
  EXPECT_FALSE(writeComparison(same, baseline, before, computeMetrics(before), "/p"));
  EXPECT_NE(same.str().find("Newly reached: 0\n"), std::string::npos) << same.str();

  const FileGraph after = graphOf({"/p/r\xff.h 10 1 > 1 2", "/p/a.h 20 1", "/p/n.h 5 1"}, {0});
  std::ostringstream out;
  EXPECT_TRUE(writeComparison(out, baseline, after, computeMetrics(after), "/p"));
  EXPECT_NE(out.str().find("Newly reached: 1\n  r\xff.h:2 \xe2\x86\x92 /p/n.h\n"),
            std::string::npos)
      << out.str();
  // The same files, a.h one byte more or less: a root grows in bytes alone.
  for (const auto& [aBytes, grew] : {std::pair("21", true), std::pair("19", false)}) {
    const FileGraph now =
        graphOf({"/p/r\xff.h 10 1 > 1", "/p/a.h " + std::string(aBytes) + " 1", "/p/n.h 5 1"}, {0});
    std::ostringstream text;
    EXPECT_EQ(writeComparison(text, baseline, now, computeMetrics(now), "/p"), grew) << aBytes;
  }
}

TEST(Compare, RejectsWhatIsNotABaseline) {
  const std::filesystem::path directory = freshDirectory();
  const std::pair<std::string, std::string> rows[] = {
      {"{\"tool\": \"cludemap\",\n  \"files\": [}", ":2:13: not JSON: "},
      {"{\"tool\":\"cludemap\",\"files\":[\"\xff\"]}", ":1:30: not JSON: "},
      {"{\"tool\":\"other\",\"roots\":[],\"files\":[]}", ": \"tool\" is not \"cludemap\""},
      {"{\"tool\":\"cludemap\",\"roots\":[0],\"files\":[{\"path\":\"a\"}]}",
       ": files[0]: no \"depth\""},
      {"{\"tool\":\"cludemap\",\"roots\":[1],\"files\":[]}", ": a bad root index"},
  };
  for (const auto& [content, error] : rows) {
    const std::string path = (directory / "base.json").string();
    std::ofstream(path, std::ios::binary) << content;
    const Expected<Baseline> read = readBaseline(path);
    ASSERT_FALSE(read);
    const std::string& message = read.error().message;
    EXPECT_EQ(message.substr(0, path.size()), path);
    EXPECT_NE(message.find(error), std::string::npos) << message;
  }
  const Expected<Baseline> absent = readBaseline((directory / "absent.json").string());
  ASSERT_FALSE(absent);
  EXPECT_EQ(absent.error().message.rfind("cannot read ", 0), 0U);
}
