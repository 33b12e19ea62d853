#include "html/tree_dot.h"

#include "util/text_format.h"

namespace {

// The DOT string's content for `label`. Graphviz reads backslash escapes
// in labels and turns entities into characters before drawing, so a
// backslash is doubled and every '&' becomes "&amp;".
void appendEscaped(std::string& out, std::string_view label) {
  for (const char c : label) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '&':
        out += "&amp;";
        break;
      default:
        out += c;
    }
  }
}

bool continuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The byte offsets of the first `count` characters of `text`, from the
// start, and of the last `count`, from the end.
std::size_t prefixBytes(std::string_view text, std::size_t count) {
  std::size_t at = 0;
  for (std::size_t seen = 0; at < text.size(); ++at) {
    if (!continuationByte(text[at]) && seen++ == count) break;
  }
  return at;
}
std::size_t suffixBytes(std::string_view text, std::size_t count) {
  std::size_t at = text.size();
  for (std::size_t seen = 0; at > 0 && seen < count;) {
    --at;
    if (!continuationByte(text[at])) ++seen;
  }
  return text.size() - at;
}

}  // namespace

std::string boxLabel(std::string_view label) {
  if (prefixBytes(label, kBoxLabelCharacters) == label.size()) return std::string(label);
  const std::size_t half = (kBoxLabelCharacters - 1) / 2;
  return std::string(label.substr(0, prefixBytes(label, half))) + "\xe2\x80\xa6" +
         std::string(label.substr(label.size() - suffixBytes(label, half)));
}

std::string treeDot(const FileGraph& graph, const GraphMetrics& metrics,
                    const std::vector<std::string>& labels) {
  std::string dot =
      "digraph tree {\n"
      "graph [rankdir=LR,ranksep=0.4,nodesep=0.08];\n"
      "node [shape=box,fontname=\"Helvetica\",fontsize=10,height=0.25,margin=\"0.08,0.03\"];\n"
      "edge [arrowsize=0.5];\n";
  for (std::size_t file = 0; file < graph.files.size(); ++file) {
    const FileRecord& record = graph.files[file];
    const std::string index = std::to_string(file);
    appendFormat(dot, "f%s [id=f%s,label=\"", {index, index});
    appendEscaped(dot, boxLabel(labels[file]));
    dot += '"';
    if (!record.found) dot += ",style=dashed,color=red";
    std::string classes = record.found ? "" : "missing";
    if (record.system) classes += classes.empty() ? "system" : " system";
    if (!classes.empty()) dot += ",class=\"" + classes + '"';
    dot += "];\n";
  }
  for (std::size_t file = 0; file < graph.files.size(); ++file) {
    const std::size_t via = metrics.files[file].via;
    if (via == kNone) continue;
    const std::string index = std::to_string(file);
    appendFormat(dot, "f%s -> f%s [id=e%s];\n", {std::to_string(via), index, index});
  }
  dot += "}\n";
  return dot;
}
