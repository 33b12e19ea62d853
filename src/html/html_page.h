// The -T html output: one self-contained page holding the file graph, its
// figures and a picture of its include tree, to search and explore in a
// browser without a network or a server.
#ifndef CLUDEMAP_HTML_HTML_PAGE_H_
#define CLUDEMAP_HTML_HTML_PAGE_H_

#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "metrics/file_metrics.h"
#include "scan/file_graph.h"

struct HtmlInput {
  std::string_view version;
  // Paths are shown relative to it where that is shorter.
  std::string_view currentDirectory;
  // The run's distinct warning lines (a line end is dropped) and how many
  // times each came.
  std::vector<std::pair<std::string, std::size_t>> warnings;
};

// Graphs of more files get no picture: laying them out takes too long and
// the picture would be too large to read. The page lists them instead.
inline constexpr std::size_t kMaxPictureFiles = 5000;

// Writes the page, with a picture laid out by Graphviz's dot engine from
// treeDot when the graph has files, at most kMaxPictureFiles of them, and
// the build can render (renderingAvailable()); otherwise the page says why
// and shows lists. It starts Graphviz's library for that (a GraphRenderer),
// which is to happen once in a process.
void writeHtml(std::ostream& out, const FileGraph& graph, const GraphMetrics& metrics,
               const HtmlInput& input);

// The label of each file: its displayPath, as valid UTF-8.
std::vector<std::string> fileLabels(const FileGraph& graph, std::string_view currentDirectory);

// Writes the page with `svg`, Graphviz's SVG text of treeDot(graph, metrics,
// labels), as its picture; when `svg` is empty, the page shows `note` and
// lists instead. The data goes in as JSON: the -T json document as "graph",
// then "labels", "viaLines" (the line of each file's directive on its chain,
// or null), "warnings" ([text, count] pairs) and "note".
void writeHtmlPage(std::ostream& out, const FileGraph& graph, const GraphMetrics& metrics,
                   const HtmlInput& input, const std::vector<std::string>& labels,
                   std::string_view svg, std::string_view note);

// `json` with '<', '>', '&', U+2028 and U+2029 written as \u escapes, so
// that it cannot end or comment out the script element that holds it. JSON
// text has those characters only inside strings, where the escapes mean
// the same.
std::string scriptSafeJson(std::string_view json);

#endif  // CLUDEMAP_HTML_HTML_PAGE_H_
