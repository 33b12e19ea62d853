// Random header trees, and the fuzz targets' saved inputs, through the tool
// and the model, compared byte for byte.
#include <gtest/gtest.h>

#include <random>

#include "testing/test_support.h"

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

// A header tree in the fuzz input format, of lines made from pieces that
// reach every rule of the scan.
std::string randomTreeInput(unsigned seed) {
  static const Strings kNames = {
      "a.h",   "b.h",  "c.h", "s.h",    "deep/e.h", "sub/c.h", "../a.h",   "..\\b.h",
      "./a.h", "deep", "",    "none.h", "e.h",      "d.h",     "sub\\d.h", "../sys/s.h"};
  static const Strings kLines = {"#include \"N\"",    "#include <N>",
                                 "#include\"N\" x",   "  #include   <N> // c",
                                 "// #include <N>",   "//\"; #include \"N\"",
                                 "#include \"N",      "#include <N",
                                 "#include\t\"N\"",   "#include_next <N>",
                                 "#include N",        "#include \"N\" #include <a.h>",
                                 "#include \"N\0\""s, "x\0#include \"N\""s,
                                 "#  include \"N\"",  "int N;"};
  static const Strings kEnds = {"\n", "\r\n", "\r", "\n", ""};
  std::mt19937 random(seed);
  const auto pick = [&](const Strings& from) { return from[random() % from.size()]; };
  std::string input = random() % 8 == 0 ? "\xff" : "";
  for (int section = random() % 7; section >= 0; --section) {
    input += static_cast<char>(random() % 255);
    for (int line = random() % 5; line > 0; --line) {
      std::string text = pick(kLines);
      if (text.find('N') != std::string::npos) text.replace(text.find('N'), 1, pick(kNames));
      input += text + pick(kEnds);
    }
    input += '\xff';
  }
  return input;
}

TEST(Differential, RandomTreesInProcess) {
  for (unsigned seed = 0; seed < 1000; ++seed) {
    const fs::path directory = freshDirectory();
    const auto [tool, model] = runTreeBothWays(decodeHeaderTree(randomTreeInput(seed)), directory);
    ASSERT_EQ(outputDifference(tool, model), "") << "seed " << seed;
    if (seed % 100 != 0) continue;
    writeFiles(directory, {{"out.dot", tool.dot}});
    EXPECT_EQ(graphvizErrors(directory / "out.dot"), "");
  }
}

TEST(Differential, RandomTreesThroughTheBinary) {
  for (unsigned seed = 0; seed < 10; ++seed) {
    const HeaderTree tree = decodeHeaderTree(randomTreeInput(seed));
    const fs::path directory = freshDirectory();
    const ToolOutput model = runTreeBothWays(tree, directory).second;
    std::string includePath = "CLUDEMAP_INCLUDE_PATH=";
    for (const std::string& dir : tree.includeDirs)
      includePath += dir + (windowsTarget() ? ";" : ":");
    const CommandResult result = runTool({tree.rootArgument, "out.dot"}, directory, {includePath});
    EXPECT_EQ(textDifference("stdout", result.out, textMode(model.warnings)), "") << seed;
    EXPECT_EQ(textDifference("DOT", readFile(directory / "out.dot"), textMode(model.dot)), "");
    EXPECT_EQ(result.status, 0);
  }
}

// The files of fuzz/corpus/<target> and fuzz/regressions/<target>.
std::vector<fs::path> fuzzInputs(const std::string& target) {
  std::vector<fs::path> inputs;
  for (const char* kind : {"corpus", "regressions"}) {
    const fs::path directory = fs::path(CLUDEMAP_SOURCE_DIR) / "fuzz" / kind / target;
    if (!fs::is_directory(directory)) continue;
    for (const fs::directory_entry& entry : fs::directory_iterator(directory)) {
      inputs.push_back(entry.path());
    }
  }
  return inputs;
}

TEST(FuzzCorpus, LineInputsMatchTheModel) {
  for (const fs::path& input : fuzzInputs("line")) EXPECT_EQ(lineDifference(readFile(input)), "");
}

TEST(FuzzCorpus, WholeToolInputsMatchTheModelAndGraphvizReadsThem) {
  for (const fs::path& input : fuzzInputs("whole_tool")) {
    const fs::path directory = freshDirectory();
    const auto [tool, model] = runTreeBothWays(decodeHeaderTree(readFile(input)), directory);
    EXPECT_EQ(outputDifference(tool, model), "") << input;
    writeFiles(directory, {{"out.dot", tool.dot}});
    EXPECT_EQ(graphvizErrors(directory / "out.dot"), "") << input;
  }
}

}  // namespace
