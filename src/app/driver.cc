#include "app/driver.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <ostream>

#include "app/checked_output.h"
#include "graph/dot_format.h"
#include "graph/dot_writer.h"
#include "scan/header_file.h"
#include "scan/scan_header.h"

std::string rootPathFromArgument(std::string_view argument) {
  if (argument.empty() || argument.front() != '"') return std::string(argument);
  if (argument.size() < 2) return std::string();
  return std::string(argument.substr(1, argument.size() - 2));
}

SystemIncludeDirs parseIncludePath(std::string_view value, char separator) {
  SystemIncludeDirs directories;
  while (!value.empty()) {
    const std::size_t end = value.find(separator);
    std::string entry(value.substr(0, end));
    value.remove_prefix(end == std::string_view::npos ? value.size() : end + 1);
    if (entry.empty()) continue;
    if (entry.back() != '/' && entry.back() != '\\') entry += '/';
    directories.push_back(std::move(entry));
  }
  return directories;
}

void writeDotFile(std::ostream& out, const IncludeNode& root) {
  out << kDotOpening;
  writeNodeGraph(out, root, -1);
  out << kDotClosing;
}

namespace {

constexpr char kIncludePathSeparator =
    std::filesystem::path::preferred_separator == '\\' ? ';' : ':';

SystemIncludeDirs includeDirsFromEnvironment() {
  const char* value = std::getenv(kIncludePathVariable);
  return value == nullptr ? SystemIncludeDirs{} : parseIncludePath(value, kIncludePathSeparator);
}

void reportWriteFailure(std::ostream& err, std::string_view what, int error) {
  err << "cludemap: cannot write " << what << ": " << std::strerror(error) << '\n';
}

// The errno of a stream failure just seen; streams need not set one, and then
// the failure is reported as EIO.
int streamError() { return errno != 0 ? errno : EIO; }

// The tree of the run. It is never freed: the process ends soon after
// writing it and the operating system takes its memory back at once, where
// freeing a tree of a million nodes one allocation at a time would cost
// about as much as writing it. Held by a static pointer, it stays reachable
// for leak checkers.
IncludeNode& runTree() {
  static IncludeNode* const tree = new IncludeNode();
  return *tree;
}

// Writes the DOT file; returns the errno of the first failure, or 0. A
// failure without an errno is reported as EIO.
int writeOutputFile(const std::string& outputPath, const IncludeNode& root) {
  errno = 0;
  // Binary: the format spells out its own line ends (dot_format.h).
  std::ofstream file(fileSystemPath(outputPath), std::ios::binary);
  if (!file) return streamError();
  errno = 0;
  writeDotFile(file, root);
  file.flush();
  if (!file) return streamError();
  file.close();
  if (!file) return streamError();
  return 0;
}

}  // namespace

int runCludemap(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
  if (argc != 3) {
    out << kUsageMessage;
    return -1;
  }
  const std::string rootPath = rootPathFromArgument(argv[1]);
  const std::string outputPath = argv[2];

  CheckedOutputBuffer checkedOut(*out.rdbuf());
  std::ostream warnings(&checkedOut);
  RunState& state = runState();
  state.systemIncludeDirs = includeDirsFromEnvironment();
  state.warnings = &warnings;
  IncludeNode& root = runTree();
  root = IncludeNode();
  scanHeader(rootPath, root, "", "");
  warnings.flush();
  state.warnings = &out;

  // Lost warnings do not cost the graph: the file is still written.
  int status = 0;
  if (checkedOut.error() != 0) {
    reportWriteFailure(err, "standard output", checkedOut.error());
    status = 1;
  }
  const int error = writeOutputFile(outputPath, root);
  if (error != 0) {
    reportWriteFailure(err, outputPath, error);
    status = 1;
  }
  return status;
}
