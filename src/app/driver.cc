#include "app/driver.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <new>
#include <optional>
#include <ostream>

#include "app/checked_output.h"
#include "app/command_line.h"
#include "app/compiler_answers.h"
#include "app/exit_status.h"
#include "app/heap_setup.h"
#include "app/output_file.h"
#include "app/outputs.h"
#include "app/run_config.h"
#include "scan/header_file.h"
#include "scan/scan.h"
namespace {

// Any thread of the run may be the one whose allocation fails, and none
// could go on without it, so the run ends there, as other command-line
// tools do, rather than with an uncaught exception.
[[noreturn]] void reportOutOfMemory() {
  std::fputs("cludemap: out of memory\n", stderr);
  std::_Exit(1);
}

// Writes the output through `write`, to standard output for "-"; fails with
// the first failure to write. OutputFile says what a failed or interrupted
// run leaves.
std::optional<Error> writeOutput(const std::string& outputPath, std::ostream& standardOutput,
                                 const std::function<bool(std::ostream&)>& write) {
  OutputFile file(&standardOutput);
  const std::string name = outputPath == "-" ? "standard output" : outputPath;
  if (std::optional<Error> error = file.open(fileSystemPath(outputPath), name)) return error;
  // An output not made leaves the old file as it was.
  if (!write(file.stream())) return std::nullopt;
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
      return reportError({ErrorCategory::kUsage, line.error}, out, err);
    case CommandLine::Action::kRun:
      break;
  }
  std::set_new_handler(reportOutOfMemory);
  // Before the configuration: a large compile database is read faster on
  // the heap set up for the run.
  prepareHeapForRun();
  const Expected<RunConfig> made = makeRunConfig(line, err);
  if (!made) return reportError(made.error(), out, err);
  const RunConfig& config = *made;
  // With the graph on standard output, the warnings go to standard error.
  const bool toStandardOutput = config.outputPath == "-";
  CheckedOutputBuffer checkedWarnings(toStandardOutput ? *err.rdbuf() : *out.rdbuf());
  std::ostream warningStream(&checkedWarnings);
  WarningSink warnings(warningStream);
  warnings.setMode(config.warnings);
  warnings.setKeeping(config.format->listsWarnings);
  // Left to the process exit, which comes right after the run (driver.h).
  OracleAnswers answers(config);
  const ScanResult& result = *new ScanResult(scanIncludes(config.scan, warnings, &answers));
  warningStream.flush();

  // Lost warnings do not cost the graph: the file is still written.
  int status = 0;
  if (checkedWarnings.error() != 0) {
    status = reportError(writeFailure(toStandardOutput ? "standard error" : "standard output",
                                      checkedWarnings.error()),
                         out, err);
  }
  std::optional<Error> verdict;
  const auto write = [&](std::ostream& stream) {
    verdict = config.format->write(stream, result, config);
    return !verdict || verdict->category == ErrorCategory::kGrowth;
  };
  if (const std::optional<Error> error = writeOutput(config.outputPath, out, write)) {
    status = reportError(*error, out, err);
  }
  // A failure to write outweighs the comparison's verdict.
  if (verdict && (status == 0 || verdict->category != ErrorCategory::kGrowth)) {
    return reportError(*verdict, out, err);
  }
  return status;
}
