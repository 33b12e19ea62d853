// The libFuzzer targets: the bytes are one header (the line target) or
// describe a small header tree (whole_tool, see decodeHeaderTree), which the
// tool scans and writes in-process and the model judges. With
// CLUDEMAP_FUZZ_DOT_DIR set, each input's DOT text is kept there for
// Graphviz to read after the run.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "testing/test_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  // A header reached under n spellings is expanded under each pair of them,
  // so the tree grows with the cube of the number of directives.
  std::size_t directives = 0;
  for (std::size_t at = input.find("#include"); at != std::string_view::npos;
       at = input.find("#include", at + 1)) {
    if (++directives > 32) return 0;
  }
  const std::filesystem::path directory = freshDirectory();
  std::string dot;
#if defined(CLUDEMAP_LINE_TARGET)
  const HeaderTree tree = singleHeaderTree(input);
#else
  const HeaderTree tree = decodeHeaderTree(input);
#endif
  // Two readers keep the reading ahead in play on any machine; the
  // default, up to sixteen on a large one, would be started again for
  // every input.
  const std::string difference = compareWithModel(tree, directory, &dot, 2);
  std::filesystem::remove_all(directory);
  if (!difference.empty()) {
    std::fprintf(stderr, "tool and model differ: %s\n", difference.c_str());
    std::abort();
  }
  static int count = 0;
  if (const char* keep = std::getenv("CLUDEMAP_FUZZ_DOT_DIR")) {
    std::ofstream(std::string(keep) + "/" + std::to_string(getpid()) + "-" +
                  std::to_string(count++) + ".dot")
        << dot;
  }
  return 0;
}
