// The fuzz targets' seed corpus and saved regressions run through the same
// checks as ordinary tests, and every DOT text the whole-tool inputs produce
// is read by Graphviz, which the fuzzers themselves cannot afford to run.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz/line_checks.h"
#include "fuzz/whole_tool_checks.h"
#include "testing/test_support.h"

namespace {

namespace fs = std::filesystem;

// The files of fuzz/corpus/<target> and fuzz/regressions/<target>, sorted.
std::vector<fs::path> inputsOf(const std::string& target) {
  std::vector<fs::path> inputs;
  for (const char* kind : {"corpus", "regressions"}) {
    const fs::path directory = fs::path(CLUDEMAP_FUZZ_DIR) / kind / target;
    if (!fs::is_directory(directory)) continue;
    for (const fs::directory_entry& entry : fs::directory_iterator(directory)) {
      if (entry.is_regular_file()) inputs.push_back(entry.path());
    }
  }
  std::sort(inputs.begin(), inputs.end());
  return inputs;
}

TEST(FuzzCorpus, LineInputsPassTheLineChecks) {
  const std::vector<fs::path> inputs = inputsOf("line");
  EXPECT_GE(inputs.size(), 5u);
  for (const fs::path& input : inputs) {
    EXPECT_EQ(checkLineHandling(readFile(input)), "") << input;
  }
}

TEST(FuzzCorpus, WholeToolInputsPassTheChecksAndGraphviz) {
  const std::vector<fs::path> inputs = inputsOf("whole_tool");
  EXPECT_GE(inputs.size(), 10u);
  TempDir scratch;
  for (const fs::path& input : inputs) {
    const WholeToolRun run = runWholeTool(readFile(input), scratch.path() / "tree");
    EXPECT_EQ(run.failure, "") << input;
    EXPECT_TRUE(graphvizAccepts(run.dot)) << input;
  }
}

}  // namespace
