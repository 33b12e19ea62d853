#include "metrics/why.h"

#include <algorithm>
#include <ostream>

#include "metrics/text_table.h"

namespace {

constexpr std::string_view kArrow = " \xE2\x86\x92 ";  // U+2192 between spaces

// Each file whose path or one of whose names `matches`.
std::vector<bool> matchingFiles(const FileGraph& graph, const NameMatcher& matches) {
  std::vector<bool> matched(graph.files.size(), false);
  for (std::size_t file = 0; file < graph.files.size(); ++file) {
    matched[file] = matches(graph.files[file].path);
  }
  for (const FileRecord& includer : graph.files) {
    for (const FileDirective& directive : includer.directives) {
      if (!matched[directive.file]) matched[directive.file] = matches(directive.name);
    }
  }
  return matched;
}

}  // namespace

std::vector<std::size_t> chainTo(const GraphMetrics& metrics, std::size_t file) {
  std::vector<std::size_t> chain;
  if (metrics.files[file].depth == kNoIndex) return chain;
  for (std::size_t at = file; at != kNoIndex; at = metrics.files[at].via) chain.push_back(at);
  std::reverse(chain.begin(), chain.end());
  return chain;
}

std::string chainText(const FileGraph& graph, const GraphMetrics& metrics, std::size_t file,
                      std::string_view currentDirectory) {
  const std::vector<std::size_t> chain = chainTo(metrics, file);
  std::string text;
  for (std::size_t at = 0; at < chain.size(); ++at) {
    const FileMetrics& figures = metrics.files[chain[at]];
    if (at == 0) {
      text += displayPath(graph.files[chain[at]].path, currentDirectory);
    } else {
      text += kArrow;
      text += printableText(graph.files[figures.via].directives[figures.viaDirective].name);
    }
    if (at + 1 == chain.size()) break;
    const FileMetrics& next = metrics.files[chain[at + 1]];
    text += ':';
    text += std::to_string(graph.files[chain[at]].directives[next.viaDirective].line);
  }
  return text;
}

std::size_t writeWhy(std::ostream& out, const FileGraph& graph, const GraphMetrics& metrics,
                     const NameMatcher& matches, std::string_view currentDirectory) {
  const std::vector<bool> matched = matchingFiles(graph, matches);
  std::size_t lines = 0;
  for (std::size_t file = 0; file < graph.files.size(); ++file) {
    if (!matched[file]) continue;
    ++lines;
    if (metrics.files[file].depth == kNoIndex) {
      out << displayPath(graph.files[file].path, currentDirectory) << ": no root reaches it\n";
    } else {
      out << chainText(graph, metrics, file, currentDirectory) << '\n';
    }
  }
  for (const UnresolvedName& name : graph.unresolved) {
    if (!matches(name.name)) continue;
    ++lines;
    const std::string chain = chainText(graph, metrics, name.includer, currentDirectory);
    out << (chain.empty() ? displayPath(graph.files[name.includer].path, currentDirectory) : chain)
        << ':' << name.line << kArrow << printableText(name.name) << " (not found)\n";
  }
  return lines;
}
