#include "metrics/file_metrics.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include <rapidjson/document.h>

#include "metrics/json_writer.h"
#include "testing/graph_rows.h"
#include "testing/metrics_model.h"
#include "testing/test_support.h"

namespace {

using rapidjson::Value;

// A file's figures as the JSON document gives them, and as the model does.
std::string figures(const Value& file) {
  const Value& closure = file["closure"];
  return "includes=" + joinNumbers(jsonIndices(file["includes"])) +
         " closure=" + std::to_string(closure["files"].GetUint64()) + "/" +
         std::to_string(closure["bytes"].GetUint64()) + "/" +
         std::to_string(closure["lines"].GetUint64()) +
         " includedBy=" + std::to_string(file["includedBy"].GetUint64()) +
         " reachedFrom=" + std::to_string(file["reachedFrom"].GetUint64()) +
         " depth=" + numberOrNone(file["depth"]) + " via=" + numberOrNone(file["via"]);
}
std::string figures(const ModelFigures& file) {
  return "includes=" + joinNumbers(file.includes) +
         " closure=" + std::to_string(file.closureFiles) + "/" + std::to_string(file.closureBytes) +
         "/" + std::to_string(file.closureLines) +
         " includedBy=" + std::to_string(file.includedBy) +
         " reachedFrom=" + std::to_string(file.reachedFrom) + " depth=" + numberOrNone(file.depth) +
         " via=" + numberOrNone(file.via);
}

template <typename Cycles, typename Each>
std::string cyclesText(const Cycles& cycles, Each each) {
  std::string text;
  for (const auto& cycle : cycles) text += "[" + joinNumbers(each(cycle)) + "]";
  return text;
}

std::string unhex(std::string_view hex) {
  std::string bytes;
  for (std::size_t at = 0; at + 1 < hex.size(); at += 2) {
    bytes += static_cast<char>(std::stoi(std::string(hex.substr(at, 2)), nullptr, 16));
  }
  return bytes;
}

// The exact bytes of a name field: from "KEYBytes" where the text had to
// be repaired, which must happen exactly when the bytes are not UTF-8.
std::string exactName(const Value& object, const std::string& key) {
  std::string text(object[key.c_str()].GetString(), object[key.c_str()].GetStringLength());
  const Value::ConstMemberIterator bytes = object.FindMember((key + "Bytes").c_str());
  if (bytes == object.MemberEnd()) return text;
  std::string exact = unhex(bytes->value.GetString());
  EXPECT_NE(text, exact);
  return exact;
}

// The JSON writer's document, parsed by a strict reader.
rapidjson::Document jsonOf(const FileGraph& graph, const GraphMetrics& metrics) {
  std::ostringstream out;
  writeJson(out, graph, metrics, "9.8.7");
  rapidjson::Document document;
  document.Parse<rapidjson::kParseValidateEncodingFlag>(out.str().c_str(), out.str().size());
  EXPECT_FALSE(document.HasParseError()) << out.str();
  return document;
}

std::vector<ModelFile> modelInput(const FileGraph& graph) {
  std::vector<ModelFile> files;
  for (const FileRecord& record : graph.files) {
    ModelFile& file = files.emplace_back();
    file.bytes = record.bytes;
    file.lines = record.lines;
    for (const FileDirective& directive : record.directives) file.targets.push_back(directive.file);
  }
  return files;
}

// Paths of pieces that need escaping or are not UTF-8.
std::string randomName(std::mt19937& rng, const std::string& start) {
  static const char* const kPieces[] = {"a",
                                        "/",
                                        "\xc3\xa9",
                                        "\"",
                                        "\\",
                                        "\n",
                                        "\x1f",
                                        "\xff",
                                        "\xe2\x86",
                                        "\xed\xa0\x80",
                                        "\x7f",
                                        "\xf4\x90\x80\x80",
                                        "\xf0\x9f\x98\x80"};
  std::string name = start;
  for (unsigned n = rng() % 4; n > 0; --n) name += kPieces[rng() % std::size(kPieces)];
  return name;
}

// Mostly downward includes, some back, some of a file to itself; missing
// files, leaves and files no root reaches.
FileGraph randomGraph(unsigned seed) {
  std::mt19937 rng(seed);
  FileGraph graph;
  const std::size_t count = 1 + rng() % (seed % 8 == 0 ? 300 : 25);
  for (std::size_t index = 0; index < count; ++index) {
    FileRecord& file = graph.files.emplace_back();
    file.path = randomName(rng, "/p/" + std::to_string(index));
    file.found = rng() % 6 != 0;
    file.system = rng() % 3 == 0;
    file.expanded = file.found && rng() % 5 != 0;
    if (file.found) file.bytes = rng() % 1000, file.lines = rng() % 50;
    for (unsigned n = file.expanded ? rng() % 6 : 0; n > 0; --n) {
      const std::size_t target =
          rng() % 5 == 0 ? rng() % count : std::min(count - 1, index + 1 + rng() % 4);
      file.directives.push_back({target, "n", file.directives.size() + 1});
    }
  }
  for (unsigned n = 1 + rng() % 3; n > 0; --n) graph.roots.push_back(rng() % count);
  for (unsigned n = rng() % 3; n > 0; --n) {
    graph.unresolved.push_back({randomName(rng, "<u"), rng() % count, 1 + rng() % 90});
  }
  graph.warnings = rng() % 10;
  return graph;
}

}  // namespace

// Every field of the JSON document, read back strictly, against the model
// and the graph; closures are worked out in slices of every width.
TEST(FileMetrics, MatchTheModelThroughJson) {
  for (unsigned seed = 0; seed < 400; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    const FileGraph graph = randomGraph(seed);
    const GraphMetrics metrics = computeMetrics(graph, seed % 3 == 0 ? kClosureWords : seed % 7);
    const ModelMetrics model = modelMetrics(modelInput(graph), graph.roots);
    const rapidjson::Document json = jsonOf(graph, metrics);
    ASSERT_FALSE(json.HasParseError());
    ASSERT_EQ(json["files"].Size(), graph.files.size());
    for (std::size_t index = 0; index < graph.files.size(); ++index) {
      const Value& file = json["files"][static_cast<rapidjson::SizeType>(index)];
      const FileRecord& record = graph.files[index];
      ASSERT_EQ(figures(file), figures(model.files[index])) << "file " << index;
      EXPECT_EQ(exactName(file, "path"), record.path);
      EXPECT_EQ(file["found"].GetBool(), record.found);
      EXPECT_EQ(file["system"].GetBool(), record.system);
      EXPECT_EQ(file["expanded"].GetBool(), record.expanded);
      EXPECT_EQ(file["bytes"].GetUint64(), record.bytes);
      EXPECT_EQ(file["lines"].GetUint64(), record.lines);
      EXPECT_EQ(numberOrNone(metrics.files[index].viaDirective == kNoIndex
                                 ? std::nullopt
                                 : std::optional(metrics.files[index].viaDirective)),
                numberOrNone(model.files[index].viaDirective));
    }
    EXPECT_EQ(cyclesText(json["cycles"].GetArray(), jsonIndices),
              cyclesText(model.cycles, [](const auto& cycle) { return cycle; }));
    EXPECT_EQ(jsonIndices(json["roots"]), graph.roots);
    EXPECT_EQ(json["warnings"].GetUint64(), graph.warnings);
    EXPECT_EQ(std::string(json["tool"].GetString()) + json["version"].GetString(), "cludemap9.8.7");
    ASSERT_EQ(json["unresolved"].Size(), graph.unresolved.size());
    for (std::size_t index = 0; index < graph.unresolved.size(); ++index) {
      const Value& name = json["unresolved"][static_cast<rapidjson::SizeType>(index)];
      EXPECT_EQ(exactName(name, "name"), graph.unresolved[index].name);
      EXPECT_EQ(name["includer"].GetUint64(), graph.unresolved[index].includer);
      EXPECT_EQ(name["line"].GetUint64(), graph.unresolved[index].line);
    }
  }
}

struct Case {
  std::vector<std::string> files;
  std::vector<std::size_t> roots;
  std::size_t file;  // kNoIndex: `expected` lists the cycles
  std::string expected;
};

TEST(FileMetrics, LiteralCases) {
  const std::vector<std::string> diamond = {"r.h 10 1 > 1 2", "a.h 20 2 > 3", "b.h 30 3 > 3",
                                            "c.h 40 4 > 3"};
  const std::vector<std::string> cycles = {"r.h 1 1 > 1 4", "a.h 2 1 > 2 2", "b.h 4 1 > 3",
                                           "c.h 8 1 > 1 0", "d.h 16 1 > 4",  "e.h 0 0"};
  const Case cases[] = {
      {diamond,
       {0},
       0,
       "includes=1,2 closure=4/100/10 includedBy=0 reachedFrom=0 depth=0 via=none"},
      // c.h includes itself: it counts as its own includer, not as reaching itself.
      {diamond, {0}, 3, "includes=3 closure=1/40/4 includedBy=3 reachedFrom=3 depth=2 via=1"},
      // The lower-numbered includer one step nearer, though b.h is met first.
      {{"r.h 0 0 > 2 1", "a.h 0 0 > 3", "b.h 0 0 > 3", "c.h 0 0"},
       {0},
       3,
       "includes= closure=1/0/0 includedBy=2 reachedFrom=3 depth=2 via=1"},
      {cycles, {0}, 1, "includes=2 closure=5/31/5 includedBy=2 reachedFrom=3 depth=1 via=0"},
      {cycles, {0}, 4, "includes=4 closure=1/16/1 includedBy=2 reachedFrom=4 depth=1 via=0"},
      {cycles, {0}, 5, "includes= closure=1/0/0 includedBy=0 reachedFrom=0 depth=none via=none"},
      {cycles, {0}, kNoIndex, "[0,1,2,3][4]"},
      // Two roots, one reached from the other.
      {{"r.h 1 1 > 1", "s.h 2 1 > 2", "t.h 4 1"},
       {1, 0},
       2,
       "includes= closure=1/4/1 includedBy=1 reachedFrom=2 depth=1 via=1"},
  };
  for (const Case& test : cases) {
    const FileGraph graph = graphOf(test.files, test.roots);
    const rapidjson::Document json = jsonOf(graph, computeMetrics(graph));
    if (test.file == kNoIndex) {
      EXPECT_EQ(cyclesText(json["cycles"].GetArray(), jsonIndices), test.expected);
    } else {
      EXPECT_EQ(figures(json["files"][static_cast<rapidjson::SizeType>(test.file)]), test.expected);
    }
  }
}

// 100,000 files in a chain: no recursion, and closures in many slices.
TEST(FileMetrics, LongChains) {
  for (bool closed : {false, true}) {
    FileGraph graph;
    const std::size_t count = 100000;
    graph.files.resize(count, FileRecord{"f", true, false, true, 2, 1, {}});
    for (std::size_t file = 0; file + 1 < count; ++file)
      graph.files[file].directives = {{file + 1, "f", 1}};
    if (closed) graph.files.back().directives = {{0, "f", 1}};
    graph.roots = {0};
    const GraphMetrics metrics = computeMetrics(graph);
    EXPECT_EQ(metrics.files[1].closure.bytes, closed ? 2 * count : 2 * count - 2);
    EXPECT_EQ(metrics.files.back().reachedFrom, count - 1);
    EXPECT_EQ(metrics.files.back().depth, count - 1);
    EXPECT_EQ(metrics.cycles.size(), closed ? 1U : 0U);
  }
}

TEST(CountLines, EachLineEndOnceAndAnUnendedLastLine) {
  const std::pair<std::string_view, std::uint64_t> rows[] = {
      {"", 0},       {"a", 1},          {"\n", 1},     {"a\nb", 2}, {"a\r\nb\r\n", 2},
      {"a\rb\r", 2}, {"\r\r\n\n\r", 4}, {"x\n\ny", 3}, {"\r", 1}};
  for (const auto& [bytes, lines] : rows) EXPECT_EQ(countLines(bytes), lines) << bytes;
  // Line ends at every place in and across the words counted at once.
  for (std::size_t shift = 0; shift < 64; ++shift) {
    const std::string bytes =
        std::string(shift, 'x') + "\r\n\r\r\n\n" + std::string(70, 'y') + "\r";
    EXPECT_EQ(countLines(bytes), 5U) << shift;
  }
}
