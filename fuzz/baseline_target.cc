// The libFuzzer target of --compare's baseline: the bytes are the JSON
// document of an earlier run, read from a scratch directory. A baseline
// that reads is compared with a small graph whose paths the seeds use; one
// that does not must say why in one line.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "metrics/compare.h"
#include "testing/graph_rows.h"
#include "testing/test_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::filesystem::path directory = freshDirectory();
  writeFiles(directory, {{"base.json", std::string(reinterpret_cast<const char*>(data), size)}});
  const Expected<Baseline> baseline = readBaseline((directory / "base.json").string());
  std::filesystem::remove_all(directory);
  if (!baseline) {
    const std::string& message = baseline.error().message;
    if (message.find('\n') == std::string::npos) return 0;
    std::fprintf(stderr, "a message of more than one line: %s\n", message.c_str());
    std::abort();
  }
  const FileGraph graph =
      graphOf({"/p/a.h 33 2 > 1 2", "/p/b.h 15 1 > 0 3", "gone.h missing", "/p/n.h 5 1"}, {0});
  std::ostringstream out;
  writeComparison(out, *baseline, graph, computeMetrics(graph), "/p");
  return 0;
}
