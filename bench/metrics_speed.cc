// The metrics' share of a run: computing every file's figures and writing
// the JSON document and the report, timed in-process.
//
//   cludemap_metrics_speed OUTPUT [GRAPH]
//
// Without GRAPH: a generated graph of 15,000 files and 120,000 directives,
// mostly downward with popular low-level headers, a strongly connected set
// of 1,000 files, and a root that includes every file. GRAPH is a graph as
// bench/file_graph.py writes it: a line of root indices, then a line per
// file, "BYTES LINES TARGET...". The JSON goes to OUTPUT. Also times countLines over 145 MB of
// generated code. Prints the best of five runs of each step.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <functional>
#include <iostream>
#include <random>
#include <sstream>
#include <string>

#include "metrics/file_metrics.h"
#include "metrics/json_writer.h"
#include "metrics/report_writer.h"
#include "scan/file_graph.h"

namespace {

constexpr std::size_t kFiles = 15000;
constexpr std::size_t kDirectives = 120000;
constexpr std::size_t kCycleStart = 7000, kCycleFiles = 1000;

void addDirective(FileGraph& graph, std::size_t from, std::size_t to) {
  FileRecord& file = graph.files[from];
  file.directives.push_back({to, "h" + std::to_string(to) + ".hpp", file.directives.size() + 1});
}

FileGraph generatedGraph() {
  std::mt19937 rng(7);
  FileGraph graph;
  graph.files.resize(kFiles);
  for (std::size_t file = 0; file < kFiles; ++file) {
    FileRecord& record = graph.files[file];
    record.path = "/usr/include/lib/h" + std::to_string(file) + ".hpp";
    record.found = record.expanded = true;
    record.bytes = 2000 + rng() % 20000;
    record.lines = record.bytes / 35;
  }
  graph.roots = {0};
  for (std::size_t file = 1; file < kFiles; ++file) addDirective(graph, 0, file);
  std::size_t directives = kFiles - 1;
  for (std::size_t file = kCycleStart; file < kCycleStart + kCycleFiles; ++file) {
    addDirective(graph, file, file + 1 == kCycleStart + kCycleFiles ? kCycleStart : file + 1);
    ++directives;
  }
  // Downward: a third to the 300 most popular headers at the bottom, a third
  // to a near neighbour, a third anywhere below.
  for (std::size_t file = 1; directives < kDirectives; file = file % (kFiles - 2) + 1) {
    const std::size_t below = kFiles - 1 - file;
    const unsigned kind = rng() % 3;
    const std::size_t step = kind == 0   ? below - std::min<std::size_t>(below - 1, rng() % 300)
                             : kind == 1 ? 1 + rng() % std::min<std::size_t>(below, 50)
                                         : 1 + rng() % below;
    addDirective(graph, file, file + step);
    ++directives;
  }
  return graph;
}

FileGraph readGraph(const char* path) {
  std::ifstream in(path);
  FileGraph graph;
  std::string line;
  std::getline(in, line);
  std::istringstream roots(line);
  for (std::size_t root = 0; roots >> root;) graph.roots.push_back(root);
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    FileRecord& file = graph.files.emplace_back();
    file.path = "/file/" + std::to_string(graph.files.size());
    file.found = file.expanded = true;
    fields >> file.bytes >> file.lines;
    for (std::size_t target = 0; fields >> target;) {
      file.directives.push_back({target, "t.hpp", file.directives.size() + 1});
    }
  }
  return graph;
}

struct Times {
  double wall = 1e30, cpu = 1e30;  // milliseconds
};

// The best wall and processor times of ten runs: the processor time tells
// less of other work on the machine.
Times bestOfTen(const std::function<void()>& step) {
  Times best;
  for (int run = 0; run < 10; ++run) {
    const auto start = std::chrono::steady_clock::now();
    const std::clock_t cpuStart = std::clock();
    step();
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    best.wall = std::min(best.wall, took.count());
    best.cpu =
        std::min(best.cpu, 1000.0 * static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC);
  }
  return best;
}

// Discards what is written: the JSON writer's own share, without the file
// system's.
class NullBuffer : public std::streambuf {
 protected:
  std::streamsize xsputn(const char*, std::streamsize count) override { return count; }
  int_type overflow(int_type c) override { return traits_type::not_eof(c); }
};

std::string generatedCode(std::size_t bytes) {
  const std::string lines =
      "  template <typename T> struct value { int count; };\n"
      "\n"
      "  return next(data) + 1;   // comment\n"
      "#include <boost/config.hpp>\r\n";
  std::string code;
  code.reserve(bytes + lines.size());
  while (code.size() < bytes) code += lines;
  return code;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << "usage: cludemap_metrics_speed OUTPUT [GRAPH]\n";
    return 2;
  }
  const std::string outputPath = argv[1];
  const FileGraph graph = argc > 2 ? readGraph(argv[2]) : generatedGraph();
  std::size_t directives = 0;
  for (const FileRecord& file : graph.files) directives += file.directives.size();
  GraphMetrics metrics;
  const Times compute = bestOfTen([&] { metrics = computeMetrics(graph); });
  std::size_t biggest = 0;
  for (const auto& cycle : metrics.cycles) biggest = std::max(biggest, cycle.size());
  NullBuffer discard;
  const Times format = bestOfTen([&] {
    std::ostream out(&discard);
    writeJson(out, graph, metrics, "0");
  });
  const Times file = bestOfTen([&] {
    std::ofstream out(outputPath, std::ios::binary | std::ios::trunc);
    writeJson(out, graph, metrics, "0");
  });
  const auto jsonBytes = static_cast<double>(std::ifstream(outputPath, std::ios::ate).tellg());
  const Times report = bestOfTen([&] {
    std::ostream out(&discard);
    writeReport(out, graph, metrics, "/usr/include");
  });
  const std::string code = generatedCode(145000000);
  std::uint64_t lines = 0;
  const Times count = bestOfTen([&] { lines = countLines(code); });
  std::printf("%zu files, %zu directives, %zu cycles (largest %zu files)\n", graph.files.size(),
              directives, metrics.cycles.size(), biggest);
  std::printf("best of ten, wall / processor ms:\n");
  std::printf("  metrics            %7.1f / %7.1f\n", compute.wall, compute.cpu);
  std::printf("  JSON, formatted    %7.1f / %7.1f  (%.1f MB)\n", format.wall, format.cpu,
              jsonBytes / 1e6);
  std::printf("  JSON, to the file  %7.1f / %7.1f\n", file.wall, file.cpu);
  std::printf("  report             %7.1f / %7.1f\n", report.wall, report.cpu);
  std::printf("  countLines         %7.1f / %7.1f  (%.0f MB, %llu lines)\n", count.wall, count.cpu,
              static_cast<double>(code.size()) / 1e6, static_cast<unsigned long long>(lines));
}
