#include "app/driver.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <new>
#include <ostream>
#include <system_error>
#include <utility>
#include <vector>

#include "app/checked_output.h"
#include "app/command_line.h"
#include "app/heap_setup.h"
#include "app/output_file.h"
#include "graph/dot_format.h"
#include "graph/dot_writer.h"
#include "scan/header_file.h"
#include "scan/scan_header.h"

std::string rootPathFromArgument(std::string_view argument) {
  if (argument.empty() || argument.front() != '"') return std::string(argument);
  if (argument.size() < 2) return std::string();
  return std::string(argument.substr(1, argument.size() - 2));
}

void addIncludeDir(SystemIncludeDirs& dirs, std::string_view directory) {
  if (directory.empty()) return;
  std::string& entry = dirs.emplace_back(directory);
  if (entry.back() != '/' && entry.back() != '\\') entry += '/';
}

SystemIncludeDirs parseIncludePath(std::string_view value, char separator) {
  SystemIncludeDirs directories;
  while (!value.empty()) {
    const std::size_t end = value.find(separator);
    addIncludeDir(directories, value.substr(0, end));
    value.remove_prefix(end == std::string_view::npos ? value.size() : end + 1);
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

// The -I directories, then those of the environment.
SystemIncludeDirs searchList(const std::vector<std::string>& optionDirs) {
  const char* value = std::getenv(kIncludePathVariable);
  SystemIncludeDirs dirs;
  for (const std::string& directory : optionDirs) addIncludeDir(dirs, directory);
  if (value != nullptr) {
    for (std::string& directory : parseIncludePath(value, kIncludePathSeparator)) {
      dirs.push_back(std::move(directory));
    }
  }
  return dirs;
}

void reportWriteFailure(std::ostream& err, std::string_view what, int error) {
  err << "cludemap: cannot write " << what << ": " << std::strerror(error) << '\n';
}

// Any thread of the run may be the one whose allocation fails, and none
// could go on without it, so the run ends there, as other command-line
// tools do, rather than with an uncaught exception.
[[noreturn]] void reportOutOfMemory() {
  std::fputs("cludemap: out of memory\n", stderr);
  std::_Exit(1);
}

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
// failure without an errno is reported as EIO. OutputFile says what a failed
// or interrupted run leaves.
int writeOutputFile(const std::string& outputPath, const IncludeNode& root) {
  OutputFile file;
  const int error = file.open(fileSystemPath(outputPath));
  if (error != 0) return error;
  writeDotFile(file.stream(), root);
  return file.commit();
}

}  // namespace

int runCludemap(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
  const CommandLine line = parseCommandLine(argc, argv);
  switch (line.action) {
    case CommandLine::Action::kHelp:
      out << kHelpText;
      return 0;
    case CommandLine::Action::kVersion:
      out << "cludemap " << CLUDEMAP_VERSION << '\n';
      return 0;
    case CommandLine::Action::kError:
      err << "cludemap: " << line.error << '\n';
      out << kUsageMessage;
      return -1;
    case CommandLine::Action::kRun:
      break;
  }
  if (line.positionals.size() != 2) {
    out << kUsageMessage;
    return -1;
  }
  const std::string rootPath = rootPathFromArgument(line.positionals[0]);
  const std::string& outputPath = line.positionals[1];

  std::set_new_handler(reportOutOfMemory);
  prepareHeapForRun();
  CheckedOutputBuffer checkedOut(*out.rdbuf());
  std::ostream warnings(&checkedOut);
  RunState& state = runState();
  state.systemIncludeDirs = searchList(line.includeDirs);
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
