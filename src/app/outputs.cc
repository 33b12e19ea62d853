#include "app/outputs.h"

#include <ostream>
#include <sstream>

#include "graph/dot_format.h"
#include "graph/include_tree_dot.h"
#include "graph/render.h"
#include "html/html_page.h"
#include "metrics/file_metrics.h"
#include "metrics/json_writer.h"
#include "metrics/report_writer.h"
#include "metrics/why.h"
#include "util/glob.h"

namespace {

int writeDot(std::ostream& out, const ScanResult& result, const RunConfig& config,
             std::string* /*problem*/) {
  IncludeTreeDotOptions options;
  options.tree = config.tree;
  writeIncludeTreeDot(out, result, options);
  return 0;
}

// The graph as DOT text, laid out and drawn by Graphviz's library.
int writePicture(std::ostream& out, const ScanResult& result, const RunConfig& config,
                 std::string* problem) {
  std::ostringstream dot;
  IncludeTreeDotOptions options;
  options.style = &kPictureStyle;
  options.tree = config.tree;
  writeIncludeTreeDot(dot, result, options);
  RenderRequest request;
  request.format = config.format->name;
  request.engine = config.engine;
  GraphRenderer renderer;
  std::string bytes;
  if (!renderer.render(dot.str(), request, bytes, problem)) return -1;
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return 0;
}

int writeJsonOutput(std::ostream& out, const ScanResult& result, const RunConfig& /*config*/,
                    std::string* /*problem*/) {
  writeJson(out, result.files, computeMetrics(result.files), CLUDEMAP_VERSION);
  return 0;
}

int writeReportOutput(std::ostream& out, const ScanResult& result, const RunConfig& config,
                      std::string* /*problem*/) {
  writeReport(out, result.files, computeMetrics(result.files), config.currentDirectory);
  return 0;
}

int writeWhyOutput(std::ostream& out, const ScanResult& result, const RunConfig& config,
                   std::string* /*problem*/) {
  const std::string& pattern = *config.why;
  writeWhy(
      out, result.files, computeMetrics(result.files),
      [&pattern](std::string_view text) { return globMatch(pattern, text); },
      config.currentDirectory);
  return 0;
}

int writeComparisonOutput(std::ostream& out, const ScanResult& result, const RunConfig& config,
                          std::string* /*problem*/) {
  const bool grew = writeComparison(out, *config.baseline, result.files,
                                    computeMetrics(result.files), config.currentDirectory);
  return grew ? 3 : 0;
}

int writeHtmlOutput(std::ostream& out, const ScanResult& result, const RunConfig& config,
                    std::string* /*problem*/) {
  HtmlInput input{CLUDEMAP_VERSION, config.currentDirectory, {}};
  for (const auto& [line, count] : result.distinctWarnings)
    input.warnings.emplace_back(line, count);
  writeHtml(out, result.files, computeMetrics(result.files), input);
  return 0;
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
    if (format.name == line.format) return &format;
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
