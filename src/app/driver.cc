#include "app/driver.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
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
#include "app/exit_status.h"
#include "app/heap_setup.h"
#include "app/output_file.h"
#include "app/outputs.h"
#include "app/search_setup.h"
#include "graph/dot_format.h"
#include "graph/dot_writer.h"
#include "graph/render.h"
#include "scan/header_file.h"
#include "scan/scan_header.h"
#include "util/source_names.h"

std::string rootPathFromArgument(std::string_view argument) {
  if (argument.empty() || argument.front() != '"') return std::string(argument);
  if (argument.size() < 2) return std::string();
  return std::string(argument.substr(1, argument.size() - 2));
}

void writeDotFile(std::ostream& out, RunState& run, const std::vector<IncludeNode>& roots,
                  const DotOptions& options) {
  out << kDotOpening;
  writeStartGraphs(out, run, roots, options);
  out << kDotClosing;
}

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

// The start headers and the output: with -o, every positional argument is
// a start header; without, exactly a header and an output. With --all, the
// compile database names the start files (setUpProjectStarts), and the one
// positional argument is the output unless -o names it. Returns false when
// the command line does not give them.
bool startsAndOutput(const CommandLine& line, std::vector<std::string>* starts,
                     std::string* output) {
  std::vector<std::string> positionals = line.positionals;
  if (line.all) {
    if (!line.output && positionals.size() != 1) return false;
    *output = line.output ? *line.output : positionals[0];
    return true;
  }
  if (line.output) {
    *output = *line.output;
  } else {
    if (positionals.size() != 2) return false;
    *output = positionals.back();
    positionals.pop_back();
  }
  for (const std::string& positional : positionals) {
    starts->push_back(rootPathFromArgument(positional));
  }
  return !starts->empty();
}

// Why writing `output` would destroy a source file, or "": it is one of the
// start headers, or, named without -o, an existing C or C++ file, which a
// forgotten -o before several headers would make the output.
std::string overwriteHazard(const CommandLine& line, const std::vector<std::string>& starts,
                            const std::string& output) {
  if (output == "-") return "";
  std::error_code error;
  const std::filesystem::path path = fileSystemPath(output);
  for (const std::string& start : starts) {
    if (std::filesystem::equivalent(path, fileSystemPath(start), error)) {
      return output + " is a start header; not writing over it";
    }
  }
  const std::string extension = path.extension().string();  // with its dot
  const bool source = !extension.empty() && isHandWrittenExtension(extension.substr(1));
  if (!line.output && source && std::filesystem::is_regular_file(path, error)) {
    return "not writing over " + output +
           ", which looks like a source file (name the output with -o)";
  }
  return "";
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
  std::vector<std::string> starts;
  std::string outputPath;
  if (!startsAndOutput(line, &starts, &outputPath)) {
    return reportError({ErrorCategory::kUsage, ""}, out, err);
  }
  if (std::string hazard = overwriteHazard(line, starts, outputPath); !hazard.empty()) {
    return reportError({ErrorCategory::kUsage, std::move(hazard)}, out, err);
  }
  const OutputFormat* format = outputFormatOf(line);
  if (format == nullptr) {
    return reportError({ErrorCategory::kUsage, "-T takes " + outputFormatNames() + ", not '" +
                                                   line.format.value_or("") + "'"},
                       out, err);
  }
  if (!knownEngine(line.engine)) {
    return reportError(
        {ErrorCategory::kUsage,
         "-K takes a Graphviz layout engine (dot, sfdp, neato, ...), not '" + line.engine + "'"},
        out, err);
  }
  if (isPicture(*format) && !renderingAvailable()) {
    return reportError({ErrorCategory::kUnusableInput, std::string(kRenderingUnavailableMessage)},
                       out, err);
  }
  Baseline baseline;
  if (line.compare) {
    Expected<Baseline> read = readBaseline(*line.compare);
    if (!read) return reportError(read.error(), out, err);
    baseline = std::move(*read);
  }

  std::set_new_handler(reportOutOfMemory);
  prepareHeapForRun();
  // With the graph on standard output, the warnings go to standard error.
  const bool toStandardOutput = outputPath == "-";
  CheckedOutputBuffer checkedWarnings(toStandardOutput ? *err.rdbuf() : *out.rdbuf());
  std::ostream warnings(&checkedWarnings);
  // Left to the process exit, which comes right after the run (driver.h).
  RunState& run = *std::make_unique<RunState>(warnings).release();
  ProjectStarts& project = *std::make_unique<ProjectStarts>().release();
  // After the heap is set up: a large database is read faster there.
  if (const std::optional<Error> error =
          line.all ? setUpProjectStarts(line, project, err)
                   : setUpSearchList(line, starts[0], run.searchList, err)) {
    return reportError(*error, out, err);
  }
  if (line.all) {
    starts = project.files;
    if (std::string hazard = overwriteHazard(line, starts, outputPath); !hazard.empty()) {
      return reportError({ErrorCategory::kUsage, std::move(hazard)}, out, err);
    }
  }
  run.scanOptions = line.scanOptions;
  run.fileFacts = format->fileFacts;
  run.warnings.setKeeping(format->listsWarnings);
  run.warnings.setMode(line.warnings);
  auto& roots = *std::make_unique<std::vector<IncludeNode>>(starts.size()).release();
  for (std::size_t i = 0; i < starts.size(); ++i) {
    if (line.all) {
      scanHeader(run, project.lists[project.listOf[i]], starts[i], roots[i]);
    } else {
      scanHeader(run, starts[i], roots[i], "", "");
    }
  }
  warnings.flush();

  // Lost warnings do not cost the graph: the file is still written.
  int status = 0;
  if (checkedWarnings.error() != 0) {
    status = reportError(writeFailure(toStandardOutput ? "standard error" : "standard output",
                                      checkedWarnings.error()),
                         out, err);
  }
  const FinishedRun finished{line, run, roots, &baseline};
  std::optional<Error> verdict;
  const auto write = [&](std::ostream& stream) {
    verdict = format->write(stream, finished);
    return !verdict || verdict->category == ErrorCategory::kGrowth;
  };
  if (const std::optional<Error> error = writeOutput(outputPath, out, write)) {
    status = reportError(*error, out, err);
  }
  // A failure to write outweighs the comparison's verdict.
  if (verdict && (status == 0 || verdict->category != ErrorCategory::kGrowth)) {
    return reportError(*verdict, out, err);
  }
  return status;
}
