#include "testing/test_support.h"

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <sstream>

#if !defined(_WIN32)
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

std::string shellQuote(const std::string& text) {
  std::string quoted = "'";
  for (const char c : text) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

int decodeExitStatus(int status) {
#if defined(_WIN32)
  return status;
#else
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

}  // namespace

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  const fs::path base = fs::temp_directory_path();
  for (;;) {
    std::ostringstream name;
#if defined(_WIN32)
    name << "cludemap-test-" << counter++;
#else
    name << "cludemap-test-" << getpid() << "-" << counter++;
#endif
    path_ = base / name.str();
    if (fs::create_directory(path_)) break;
  }
}

TempDir::~TempDir() {
  std::error_code error;
  fs::remove_all(path_, error);
}

void TempDir::write(const std::string& relative, const std::string& bytes) const {
  const fs::path file = path_ / relative;
  fs::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) ADD_FAILURE() << "cannot write " << file;
}

std::string TempDir::read(const std::string& relative) const { return readFile(path_ / relative); }

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

CommandResult runCommand(const std::vector<std::string>& argv, const fs::path& directory,
                         const std::vector<std::string>& environment) {
  TempDir capture;
  std::string command = "cd " + shellQuote(directory.string()) + " && env";
  for (const std::string& entry : environment) command += " " + shellQuote(entry);
  for (const std::string& arg : argv) command += " " + shellQuote(arg);
  command += " >" + shellQuote((capture.path() / "out").string());
  command += " 2>" + shellQuote((capture.path() / "err").string());
  CommandResult result;
  result.exitStatus = decodeExitStatus(std::system(command.c_str()));
  result.out = capture.read("out");
  result.err = capture.read("err");
  return result;
}

std::vector<std::string> toolCommand(const std::string& binary) {
  const char* command = std::getenv("CLUDEMAP_TEST_COMMAND");
  if (command == nullptr || *command == '\0') return {binary};
  std::vector<std::string> words;
  std::istringstream in(command);
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

bool windowsTarget() {
  const char* target = std::getenv("CLUDEMAP_TEST_TARGET");
  return target != nullptr && std::string(target) == "windows";
}

namespace {

std::string withCrLf(const std::string& text, bool keepContinuations) {
  std::string result;
  std::size_t backslashes = 0;
  for (const char c : text) {
    if (c == '\n' && !(keepContinuations && backslashes % 2 == 1)) result += '\r';
    result += c;
    backslashes = c == '\\' ? backslashes + 1 : 0;
  }
  return result;
}

}  // namespace

std::string textMode(const std::string& text) {
  return windowsTarget() ? withCrLf(text, false) : text;
}

std::string dotLineEnds(const std::string& text) {
  return windowsTarget() ? withCrLf(text, true) : text;
}

::testing::AssertionResult graphvizAcceptsFile(const fs::path& file) {
  // Laying out a graph of many thousands of nodes takes dot minutes, so
  // large files are only parsed, by Graphviz's own reader (nop).
  constexpr std::uintmax_t kLayoutLimit = std::uintmax_t{256} * 1024;
  std::error_code error;
  const bool large = fs::file_size(file, error) > kLayoutLimit;
  std::vector<std::string> argv;
  if (large) {
    argv = {NOP_EXECUTABLE, file.string()};
  } else {
    argv = {DOT_EXECUTABLE, "-Tsvg", file.string()};
  }
  const CommandResult result = runCommand(argv, file.parent_path());
  if (result.exitStatus == 0) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << "Graphviz (" << argv[0] << ") rejects " << file
                                       << ", status " << result.exitStatus << ":\n"
                                       << result.err;
}

::testing::AssertionResult graphvizAccepts(const std::string& dotText) {
  TempDir directory;
  directory.write("graph.dot", dotText);
  return graphvizAcceptsFile(directory.path() / "graph.dot");
}

std::string graphvizReadBack(const std::string& dotText) {
  TempDir directory;
  directory.write("graph.dot", dotText);
  const CommandResult result = runCommand({NOP_EXECUTABLE, "graph.dot"}, directory.path());
  if (result.exitStatus != 0) return std::string();
  // nop breaks long strings with continuations of its own; a backslash pair
  // is one escape, so only a lone backslash before a line end is dropped.
  std::string joined;
  for (std::size_t i = 0; i < result.out.size(); ++i) {
    const char c = result.out[i];
    if (c == '\\' && i + 1 < result.out.size()) {
      if (result.out[i + 1] != '\n') joined += result.out.substr(i, 2);
      ++i;
    } else {
      joined += c;
    }
  }
  return joined;
}
