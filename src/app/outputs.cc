#include "app/outputs.h"

#include <filesystem>
#include <ostream>

#include "app/driver.h"
#include "metrics/file_metrics.h"
#include "metrics/json_writer.h"
#include "metrics/report_writer.h"
#include "metrics/scanned_files.h"
#include "metrics/why.h"
#include "util/glob.h"

namespace {

int writeDot(std::ostream& out, const FinishedRun& finished) {
  DotOptions options;
  options.tree = finished.line.tree;
  writeDotFile(out, finished.run, finished.roots, options);
  return 0;
}

// Paths in reports are shown relative to it where that is shorter.
std::string currentDirectory() {
  std::error_code error;
  return std::filesystem::current_path(error).string();
}

int writeJsonOutput(std::ostream& out, const FinishedRun& finished) {
  const FileGraph graph = scannedFiles(finished.run);
  writeJson(out, graph, computeMetrics(graph), CLUDEMAP_VERSION);
  return 0;
}

int writeReportOutput(std::ostream& out, const FinishedRun& finished) {
  const FileGraph graph = scannedFiles(finished.run);
  writeReport(out, graph, computeMetrics(graph), currentDirectory());
  return 0;
}

int writeWhyOutput(std::ostream& out, const FinishedRun& finished) {
  const FileGraph graph = scannedFiles(finished.run);
  const std::string& pattern = *finished.line.why;
  writeWhy(
      out, graph, computeMetrics(graph),
      [&pattern](std::string_view text) { return globMatch(pattern, text); }, currentDirectory());
  return 0;
}

int writeComparisonOutput(std::ostream& out, const FinishedRun& finished) {
  const FileGraph graph = scannedFiles(finished.run);
  const bool grew =
      writeComparison(out, *finished.baseline, graph, computeMetrics(graph), currentDirectory());
  return grew ? 3 : 0;
}

constexpr OutputFormat kFormats[] = {
    {"dot", false, writeDot},
    {"json", true, writeJsonOutput},
    {"report", true, writeReportOutput},
};

constexpr OutputFormat kWhy = {"why", true, writeWhyOutput};
constexpr OutputFormat kComparison = {"compare", true, writeComparisonOutput};

}  // namespace

const OutputFormat* outputFormatOf(const CommandLine& line) {
  if (line.why) return &kWhy;
  if (line.compare) return &kComparison;
  for (const OutputFormat& format : kFormats) {
    if (format.name == line.format) return &format;
  }
  return nullptr;
}

std::string outputFormatNames() {
  std::string names;
  for (const OutputFormat& format : kFormats) {
    if (!names.empty()) names += ", ";
    names += format.name;
  }
  return names;
}
