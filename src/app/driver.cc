#include "app/driver.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <new>
#include <ostream>
#include <system_error>
#include <utility>
#include <vector>

#include "app/checked_output.h"
#include "app/command_line.h"
#include "app/heap_setup.h"
#include "app/output_file.h"
#include "app/outputs.h"
#include "app/run_config.h"
#include "scan/header_file.h"
#include "scan/scan.h"

namespace {

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

// Writes the output through `write`, to standard output for "-"; returns
// the errno of the first failure, or 0 (EIO for a failure without one).
// OutputFile says what a failed or interrupted run leaves.
int writeOutput(const std::string& outputPath, std::ostream& standardOutput,
                const std::function<bool(std::ostream&)>& write) {
  OutputFile file(&standardOutput);
  const int error = file.open(fileSystemPath(outputPath));
  if (error != 0) return error;
  // An output not made leaves the old file as it was.
  if (!write(file.stream())) return 0;
  return file.commit();
}

// The exit status of a run that found `problem` before scanning.
int statusOf(const ConfigProblem& problem) {
  switch (problem.kind) {
    case ConfigProblem::Kind::kUsage:
      return -1;
    case ConfigProblem::Kind::kBadInput:
      return 2;
  }
  return 2;
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
  std::set_new_handler(reportOutOfMemory);
  // Before the configuration: a large compile database is read faster on
  // the heap set up for the run.
  prepareHeapForRun();
  ConfigProblem problem;
  // Left to the process exit, which comes right after the run (driver.h).
  const std::optional<RunConfig> made = makeRunConfig(line, err, problem);
  if (!made) {
    if (!problem.message.empty()) err << "cludemap: " << problem.message << '\n';
    if (problem.kind == ConfigProblem::Kind::kUsage) out << kUsageMessage;
    return statusOf(problem);
  }
  const RunConfig& config = *made;
  // With the graph on standard output, the warnings go to standard error.
  const bool toStandardOutput = config.outputPath == "-";
  CheckedOutputBuffer checkedWarnings(toStandardOutput ? *err.rdbuf() : *out.rdbuf());
  std::ostream warningStream(&checkedWarnings);
  WarningSink warnings(warningStream);
  warnings.setMode(config.warnings);
  warnings.setKeeping(config.format->listsWarnings);
  const ScanResult& result = *new ScanResult(scanIncludes(config.scan, warnings));
  warningStream.flush();

  // Lost warnings do not cost the graph: the file is still written.
  int status = 0;
  if (checkedWarnings.error() != 0) {
    reportWriteFailure(err, toStandardOutput ? "standard error" : "standard output",
                       checkedWarnings.error());
    status = 1;
  }
  int verdict = 0;
  std::string writeProblem;
  const auto write = [&](std::ostream& stream) {
    verdict = config.format->write(stream, result, config, &writeProblem);
    return verdict >= 0;
  };
  const int error = writeOutput(config.outputPath, out, write);
  if (error != 0) {
    reportWriteFailure(err, toStandardOutput ? "standard output" : config.outputPath, error);
    status = 1;
  }
  if (verdict < 0) {
    err << "cludemap: " << writeProblem << '\n';
    return 1;
  }
  // A failure to write outweighs what the output says.
  return status != 0 ? status : verdict;
}
