#include "app/outputs.h"

#include <filesystem>
#include <ostream>
#include <sstream>

#include "app/driver.h"
#include "graph/render.h"
#include "html/html_page.h"
#include "metrics/file_metrics.h"
#include "metrics/json_writer.h"
#include "metrics/report_writer.h"
#include "metrics/scanned_files.h"
#include "metrics/why.h"
#include "util/glob.h"

namespace {

std::optional<Error> writeDot(std::ostream& out, const FinishedRun& finished) {
  DotOptions options;
  options.tree = finished.line.tree;
  writeDotFile(out, finished.run, finished.roots, options);
  return std::nullopt;
}

// The DOT names of the boxes of headers that were not found.
std::vector<std::string> missingNodes(const std::vector<IncludeNode>& roots) {
  std::vector<std::string> names;
  std::vector<const IncludeNode*> pending;
  pending.reserve(roots.size());
  for (const IncludeNode& root : roots) pending.push_back(&root);
  std::vector<bool> named;
  while (!pending.empty()) {
    const IncludeNode* node = pending.back();
    pending.pop_back();
    const auto id = static_cast<std::size_t>(node->id);
    if (node->missing && !node->label.empty()) {
      if (id >= named.size()) named.resize(id + 1);
      if (!named[id]) names.push_back("Node" + std::to_string(id));
      named[id] = true;
    }
    for (const IncludeNode& child : node->children) pending.push_back(&child);
  }
  return names;
}

// The graph as DOT text, laid out and drawn by Graphviz's library.
std::optional<Error> writePicture(std::ostream& out, const FinishedRun& finished) {
  std::ostringstream dot;
  writeDot(dot, finished);
  RenderRequest request;
  request.format = *finished.line.format;
  request.engine = finished.line.engine;
  request.missingNodes = missingNodes(finished.roots);
  GraphRenderer renderer;
  const Expected<std::string> bytes = renderer.render(dot.str(), request);
  if (!bytes) return bytes.error();
  out.write(bytes->data(), static_cast<std::streamsize>(bytes->size()));
  return std::nullopt;
}

// Paths in reports are shown relative to it where that is shorter.
std::string currentDirectory() {
  std::error_code error;
  return std::filesystem::current_path(error).string();
}

std::optional<Error> writeJsonOutput(std::ostream& out, const FinishedRun& finished) {
  const FileGraph graph = scannedFiles(finished.run);
  writeJson(out, graph, computeMetrics(graph), CLUDEMAP_VERSION);
  return std::nullopt;
}

std::optional<Error> writeReportOutput(std::ostream& out, const FinishedRun& finished) {
  const FileGraph graph = scannedFiles(finished.run);
  writeReport(out, graph, computeMetrics(graph), currentDirectory());
  return std::nullopt;
}

std::optional<Error> writeWhyOutput(std::ostream& out, const FinishedRun& finished) {
  const FileGraph graph = scannedFiles(finished.run);
  const std::string& pattern = *finished.line.why;
  writeWhy(
      out, graph, computeMetrics(graph),
      [&pattern](std::string_view text) { return globMatch(pattern, text); }, currentDirectory());
  return std::nullopt;
}

// The comparison's text ends with its verdict: the growth needs no message.
std::optional<Error> writeComparisonOutput(std::ostream& out, const FinishedRun& finished) {
  const FileGraph graph = scannedFiles(finished.run);
  const bool grew =
      writeComparison(out, *finished.baseline, graph, computeMetrics(graph), currentDirectory());
  if (grew) return Error{ErrorCategory::kGrowth, ""};
  return std::nullopt;
}

std::optional<Error> writeHtmlOutput(std::ostream& out, const FinishedRun& finished) {
  const FileGraph graph = scannedFiles(finished.run);
  const std::string cwd = currentDirectory();
  HtmlInput input{CLUDEMAP_VERSION, cwd, {}};
  for (const auto& [line, count] : finished.run.warnings.kept())
    input.warnings.emplace_back(line, count);
  writeHtml(out, graph, computeMetrics(graph), input);
  return std::nullopt;
}

constexpr OutputFormat kFormats[] = {
    {"dot", false, writeDot},
    {"svg", false, writePicture},
    {"png", false, writePicture},
    {"pdf", false, writePicture},
    {"json", true, writeJsonOutput},
    {"report", true, writeReportOutput},
    {"html", true, writeHtmlOutput, true},
};

constexpr OutputFormat kWhy = {"why", true, writeWhyOutput};
constexpr OutputFormat kComparison = {"compare", true, writeComparisonOutput};

}  // namespace

const OutputFormat* outputFormatOf(const CommandLine& line) {
  if (line.why) return &kWhy;
  if (line.compare) return &kComparison;
  for (const OutputFormat& format : kFormats) {
    if (format.name == line.format.value_or("dot")) return &format;
  }
  return nullptr;
}

bool isPicture(const OutputFormat& format) { return format.write == writePicture; }

std::string outputFormatNames() {
  std::string names;
  for (const OutputFormat& format : kFormats) {
    if (!names.empty()) names += ", ";
    names += format.name;
  }
  return names;
}
