// The scan's result must not depend on how many threads read headers ahead
// of it, nor on when they get to a header.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "scan/scan_header.h"
#include "testing/test_support.h"

namespace {

namespace fs = std::filesystem;

// Headers in three directories naming each other quoted (found beside the
// includer, through the include directories, or nowhere), with angle
// brackets and malformed, in cycles: every way a name can resolve, for the
// readers to race the scan on. The same tree every time.
void writeTree(const fs::path& directory) {
  Files files;
  constexpr std::uint32_t kHeaders = 150;
  const std::vector<std::string> directories = {"a/", "inc/", "inc/lib/"};
  std::mt19937 random(12345);
  const auto pick = [&random](std::uint32_t count) { return random() % count; };
  std::string root;
  for (std::uint32_t i = 0; i < kHeaders; ++i) {
    const std::string& subdirectory = directories[i % directories.size()];
    std::string text;
    for (std::uint32_t count = pick(12), n = 0; n < count; ++n) {
      // Some names lie past the last header and so are found nowhere.
      const std::string name = "h" + std::to_string(pick(kHeaders + 8)) + ".h";
      switch (pick(4)) {
        case 0:
          text += "#include \"" + name + "\"\n";
          break;
        case 1:
          text += "#include \"lib/" + name + "\"\n";
          break;
        case 2:
          text += "#include <" + name + ">\n";
          break;
        default:
          text += "#include MACRO\n";
      }
    }
    files.emplace_back(subdirectory + "h" + std::to_string(i) + ".h", text);
    root += "#include \"" + subdirectory + "h" + std::to_string(i) + ".h\"\n";
  }
  files.emplace_back("root.h", root);
  writeFiles(directory, files);
}

// The tree in pre-order, one node a line: label, id, first-sighting flag
// and child count; then the warnings.
std::string scanResult(unsigned readerThreads) {
  resetRunState();
  std::ostringstream warnings;
  runState().warnings = &warnings;
  runState().systemIncludeDirs = {"inc/", "a/"};
  runState().readerThreads = readerThreads;
  IncludeNode root;
  scanHeader("root.h", root, "", "");
  std::string result;
  std::vector<const IncludeNode*> pending{&root};
  while (!pending.empty()) {
    const IncludeNode& node = *pending.back();
    pending.pop_back();
    result += node.label + " " + std::to_string(runState().nodeIdRegistry[node.label]) +
              (node.firstSighting ? "*" : "") + " " + std::to_string(node.children.size()) + "\n";
    for (auto child = node.children.rbegin(); child != node.children.rend(); ++child) {
      pending.push_back(&*child);
    }
  }
  resetRunState();
  return result + warnings.str();
}

TEST(ReadAhead, ResultDoesNotDependOnTheReaderThreads) {
  const fs::path directory = freshDirectory();
  writeTree(directory);
  const fs::path previous = fs::current_path();
  fs::current_path(directory);
  // Without readers the scan reads every header itself.
  const std::string alone = scanResult(0);
  std::vector<std::pair<unsigned, std::string>> results;
  for (const unsigned readers : {1u, 2u, 8u, 8u, 8u})
    results.emplace_back(readers, scanResult(readers));
  fs::current_path(previous);

  ASSERT_GT(alone.size(), 100000u) << "the tree should be large enough to race on";
  for (const auto& [readers, result] : results) {
    EXPECT_EQ(result, alone) << readers << " readers";
  }
}

}  // namespace
