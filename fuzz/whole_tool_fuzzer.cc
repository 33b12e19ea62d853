// libFuzzer target: the bytes describe a small header tree (see
// decodeHeaderTree), which is written to a fresh directory and run through
// the scan and the DOT writer in-process.
//
// When CLUDEMAP_FUZZ_DOT_DIR names a directory, each input's DOT text is
// also written there as <process id>-<n>.dot, so that runs over a corpus
// leave files for Graphviz to read.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "fuzz/whole_tool_checks.h"

namespace fs = std::filesystem;

namespace {

// Inputs with more directives are skipped: a header reached under n
// spellings is expanded under each pair of them, so the tree, and with it
// the time per input, grows with the cube of the number of directives.
constexpr std::size_t kMaxDirectives = 32;

std::size_t directiveCount(std::string_view input) {
  std::size_t count = 0;
  for (std::size_t at = input.find("#include"); at != std::string_view::npos;
       at = input.find("#include", at + 1)) {
    ++count;
  }
  return count;
}

// Each input creates and removes a few files and directories. On a disk
// file system that costs more than the rest of the run, so memory-backed
// /dev/shm is used where it exists.
fs::path scratchBase() {
  std::error_code error;
  if (fs::is_directory("/dev/shm", error)) return "/dev/shm";
  return fs::temp_directory_path();
}

// A directory of this process's own, removed at exit.
class ScratchDirectory {
 public:
  ScratchDirectory()
      : path_(scratchBase() / ("cludemap-fuzz-" + std::to_string(static_cast<long>(getpid())))) {
    fs::remove_all(path_);
    fs::create_directories(path_);
  }
  ~ScratchDirectory() {
    std::error_code error;
    fs::remove_all(path_, error);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

void keepDot(const std::string& dot) {
  static const char* const directory = std::getenv("CLUDEMAP_FUZZ_DOT_DIR");
  static unsigned long count = 0;
  if (directory == nullptr) return;
  const std::string name =
      std::to_string(static_cast<long>(getpid())) + "-" + std::to_string(count++) + ".dot";
  std::ofstream out(fs::path(directory) / name, std::ios::binary);
  out << dot;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const ScratchDirectory scratch;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  if (directiveCount(input) > kMaxDirectives) return 0;
  const WholeToolRun run = runWholeTool(input, scratch.path() / "tree");
  if (!run.failure.empty()) {
    std::fprintf(stderr, "whole tool check failed: %s\n", run.failure.c_str());
    std::abort();
  }
  keepDot(run.dot);
  return 0;
}
