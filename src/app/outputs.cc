#include "app/outputs.h"

#include <ostream>
#include <sstream>

#include "graph/dot_format.h"
#include "graph/include_tree_dot.h"
#include "graph/render.h"
#include "html/html_page.h"
#include "metrics/file_metrics.h"
#include "metrics/json_writer.h"
#include "metrics/make_writer.h"
#include "metrics/report_writer.h"
#include "metrics/why.h"
#include "util/glob.h"

namespace {

std::optional<Error> writeDot(std::ostream& out, const ScanResult& result,
                              const RunConfig& config) {
  IncludeTreeDotOptions options;
  options.tree = config.tree;
  writeIncludeTreeDot(out, result, options);
  return std::nullopt;
}

// The graph as DOT text, laid out and drawn by Graphviz's library.
std::optional<Error> writePicture(std::ostream& out, const ScanResult& result,
                                  const RunConfig& config) {
  std::ostringstream dot;
  IncludeTreeDotOptions options;
  options.style = &kPictureStyle;
  options.tree = config.tree;
  writeIncludeTreeDot(dot, result, options);
  RenderRequest request;
  request.format = config.format->name;
  request.engine = config.engine;
  GraphRenderer renderer;
  const Expected<std::string> bytes = renderer.render(dot.str(), request);
  if (!bytes) return bytes.error();
  out.write(bytes->data(), static_cast<std::streamsize>(bytes->size()));
  return std::nullopt;
}

std::optional<Error> writeJsonOutput(std::ostream& out, const ScanResult& result,
                                     const RunConfig& /*config*/) {
  writeJson(out, result.files, computeMetrics(result.files), CLUDEMAP_VERSION);
  return std::nullopt;
}

std::optional<Error> writeReportOutput(std::ostream& out, const ScanResult& result,
                                       const RunConfig& config) {
  writeReport(out, result.files, computeMetrics(result.files), config.currentDirectory);
  return std::nullopt;
}

std::optional<Error> writeWhyOutput(std::ostream& out, const ScanResult& result,
                                    const RunConfig& config) {
  const std::string& pattern = *config.why;
  writeWhy(
      out, result.files, computeMetrics(result.files),
      [&pattern](std::string_view text) { return globMatch(pattern, text); },
      config.currentDirectory);
  return std::nullopt;
}

// The comparison's text ends with its verdict: the growth needs no message.
std::optional<Error> writeComparisonOutput(std::ostream& out, const ScanResult& result,
                                           const RunConfig& config) {
  const bool grew = writeComparison(out, *config.baseline, result.files,
                                    computeMetrics(result.files), config.currentDirectory);
  if (grew) return Error{ErrorCategory::kGrowth, ""};
  return std::nullopt;
}

std::optional<Error> writeHtmlOutput(std::ostream& out, const ScanResult& result,
                                     const RunConfig& config) {
  HtmlInput input{CLUDEMAP_VERSION, config.currentDirectory, {}};
  for (const auto& [line, count] : result.distinctWarnings) {
    input.warnings.emplace_back(line, count);
  }
  writeHtml(out, result.files, computeMetrics(result.files), input);
  return std::nullopt;
}

std::optional<Error> writeMakeOutput(std::ostream& out, const ScanResult& result,
                                     const RunConfig& config) {
  MakeOptions options;
  options.targets = config.makeTargets;
  options.phony = config.phony;
  options.currentDirectory = config.currentDirectory;
  writeMakeRules(out, result, options);
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
    {"make", true, writeMakeOutput},
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
