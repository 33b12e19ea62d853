// Random header trees, and the fuzz targets' saved inputs, through the tool
// in-process and through the model: warnings and DOT text byte for byte, the
// -T json document and the file graph's directives fact by fact.
#include <gtest/gtest.h>

#include "testing/test_support.h"

namespace {

namespace fs = std::filesystem;

// The result must not depend on how many threads read headers ahead of the
// scan (none: the scan reads them itself), nor on when they get to one, nor
// on whether the scan records the file graph. Every other tree is cut,
// viewed as a tree or scanned from several start headers.
TEST(Differential, RandomTreesMatchTheModel) {
  const unsigned readers[] = {0, 1, 2, 8};
  for (unsigned seed = 0; seed < 1000; ++seed) {
    const fs::path directory = freshDirectory();
    HeaderTree tree = decodeHeaderTree(randomTreeInput(seed));
    if (seed % 2 == 1) addRandomOptions(tree, seed);
    std::string dot;
    const bool facts = seed % 8 < 4;
    ASSERT_EQ(compareWithModel(tree, directory, &dot, readers[seed % 4], facts), "")
        << "seed " << seed;
    if (seed % 100 != 0) continue;
    writeFiles(directory, {{"out.dot", dot}});
    EXPECT_EQ(graphvizErrors(directory / "out.dot"), "");
  }
}

// The files of fuzz/corpus/<target> and fuzz/regressions/<target>.
std::vector<std::string> fuzzInputs(const std::string& target) {
  std::vector<std::string> inputs;
  for (const char* kind : {"corpus", "regressions"}) {
    const fs::path directory = fs::path(CLUDEMAP_SOURCE_DIR) / "fuzz" / kind / target;
    if (!fs::is_directory(directory)) continue;
    for (const auto& entry : fs::directory_iterator(directory)) inputs.push_back(readFile(entry));
  }
  EXPECT_GE(inputs.size(), 9u);
  return inputs;
}

TEST(FuzzCorpus, InputsMatchTheModelAndGraphvizReadsThem) {
  for (const char* target : {"line", "whole_tool"}) {
    for (const std::string& input : fuzzInputs(target)) {
      const fs::path directory = freshDirectory();
      const HeaderTree tree =
          target == std::string("line") ? singleHeaderTree(input) : decodeHeaderTree(input);
      std::string dot;
      EXPECT_EQ(compareWithModel(tree, directory, &dot), "");
      writeFiles(directory, {{"out.dot", dot}});
      EXPECT_EQ(graphvizErrors(directory / "out.dot"), "");
    }
  }
}

}  // namespace
