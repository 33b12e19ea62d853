#include "html/html_page.h"

#include <algorithm>
#include <ostream>
#include <sstream>

#include "graph/render.h"
#include "html/page_skeleton.h"
#include "html/tree_dot.h"
#include "metrics/json_writer.h"
#include "metrics/text_table.h"
#include "metrics/utf8.h"

namespace {

constexpr std::string_view kPictureMarker = "@PICTURE@";
constexpr std::string_view kDataMarker = "@DATA@";

std::string_view withoutLineEnd(std::string_view line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  return line;
}

// The page's data as writeHtmlPage describes it, ready for its script
// element.
std::string pageData(const FileGraph& graph, const GraphMetrics& metrics, const HtmlInput& input,
                     const std::vector<std::string>& labels, std::string_view note) {
  std::ostringstream document;
  writeJson(document, graph, metrics, input.version);
  std::string data = "{\"graph\":" + document.str() + ",\"labels\":[";
  for (std::size_t file = 0; file < labels.size(); ++file) {
    if (file > 0) data += ',';
    appendJsonString(data, labels[file]);
  }
  data += "],\n\"viaLines\":[";
  for (std::size_t file = 0; file < graph.files.size(); ++file) {
    if (file > 0) data += ',';
    const FileMetrics& figures = metrics.files[file];
    data += figures.via == kNoIndex
                ? std::string("null")
                : std::to_string(graph.files[figures.via].directives[figures.viaDirective].line);
  }
  data += "],\n\"warnings\":[";
  for (const auto& [line, count] : input.warnings) {
    if (&line != &input.warnings.front().first) data += ",\n";
    data += '[';
    appendJsonString(data, withoutLineEnd(line));
    data += ',' + std::to_string(count) + ']';
  }
  data += "],\n\"note\":";
  appendJsonString(data, note);
  data += "}\n";
  return scriptSafeJson(data);
}

// The <svg> element of Graphviz's document, without the XML declaration
// and the document type before it, which have no place inside HTML.
std::string_view svgElement(std::string_view svg) {
  const std::size_t start = svg.find("<svg");
  return start == std::string_view::npos ? std::string_view() : svg.substr(start);
}

}  // namespace

std::string scriptSafeJson(std::string_view json) {
  std::string safe;
  safe.reserve(json.size() + json.size() / 8);
  for (std::size_t at = 0; at < json.size(); ++at) {
    const char c = json[at];
    if (c == '<') {
      safe += "\\u003c";
    } else if (c == '>') {
      safe += "\\u003e";
    } else if (c == '&') {
      safe += "\\u0026";
    } else if (json.compare(at, 2, "\xe2\x80") == 0 && at + 2 < json.size() &&
               (json[at + 2] == '\xa8' || json[at + 2] == '\xa9')) {
      safe += json[at + 2] == '\xa8' ? "\\u2028" : "\\u2029";
      at += 2;
    } else {
      safe += c;
    }
  }
  return safe;
}

std::vector<std::string> fileLabels(const FileGraph& graph, std::string_view currentDirectory) {
  std::vector<std::string> labels;
  labels.reserve(graph.files.size());
  for (const FileRecord& file : graph.files) {
    std::string label = displayPath(file.path, currentDirectory);
    labels.push_back(isValidUtf8(label) ? std::move(label) : toValidUtf8(label));
  }
  return labels;
}

void writeHtmlPage(std::ostream& out, const FileGraph& graph, const GraphMetrics& metrics,
                   const HtmlInput& input, const std::vector<std::string>& labels,
                   std::string_view svg, std::string_view note) {
  const std::string data = pageData(graph, metrics, input, labels, note);
  const std::string_view picture = svgElement(svg);
  std::string_view rest = kPageSkeleton;
  // The markers may come in either order.
  for (;;) {
    const std::size_t pictureAt = rest.find(kPictureMarker);
    const std::size_t dataAt = rest.find(kDataMarker);
    const std::size_t at = std::min(pictureAt, dataAt);
    if (at == std::string_view::npos) break;
    const bool isPicture = at == pictureAt;
    out << rest.substr(0, at) << (isPicture ? picture : std::string_view(data));
    rest.remove_prefix(at + (isPicture ? kPictureMarker : kDataMarker).size());
  }
  out << rest;
}

void writeHtml(std::ostream& out, const FileGraph& graph, const GraphMetrics& metrics,
               const HtmlInput& input) {
  const std::vector<std::string> labels = fileLabels(graph, input.currentDirectory);
  std::string svg;
  std::string note;
  if (graph.files.size() > kMaxPictureFiles) {
    note = "No picture: it would have " + std::to_string(graph.files.size()) +
           " files, and pictures are only laid out for up to " + std::to_string(kMaxPictureFiles) +
           ". The lists show the includes.";
  } else if (!renderingAvailable()) {
    note =
        "No picture: this build of cludemap cannot lay out graphs (it has no Graphviz "
        "library). The lists show the includes.";
  } else if (!graph.files.empty()) {
    RenderRequest request;
    request.format = "svg";
    GraphRenderer renderer;
    Expected<std::string> picture = renderer.render(treeDot(graph, metrics, labels), request);
    if (picture) {
      svg = std::move(*picture);
    } else {
      note = "No picture: " + picture.error().message + ". The lists show the includes.";
    }
  }
  writeHtmlPage(out, graph, metrics, input, labels, svg, note);
}
