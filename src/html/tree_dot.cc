#include "html/tree_dot.h"

#include <sstream>

#include "graph/dot_writer.h"

namespace {

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

namespace {

constexpr std::string_view kOpening =
    "digraph tree {\n"
    "graph [rankdir=LR,ranksep=0.4,nodesep=0.08];\n"
    "node [shape=box,fontname=\"Helvetica\",fontsize=10,height=0.25,margin=\"0.08,0.03\"];\n"
    "edge [arrowsize=0.5];\n";

// The page styles boxes by their classes; missing files are drawn dashed
// and red as well.
std::string_view markAttributes(const NodeMarks& marks) {
  if (marks.missing) {
    return marks.system ? ",style=dashed,color=red,class=\"missing system\""
                        : ",style=dashed,color=red,class=\"missing\"";
  }
  return marks.system ? ",class=\"system\"" : "";
}

// Each file once, joined to the includer on its shortest chain.
constexpr DotStyle kTreeStyle{kOpening,
                              "}\n",
                              "f%n [id=f%n,label=\"%l\"%a];\n",
                              "f%p -> f%c [id=e%c];\n",
                              "f%p -> f%c [id=e%c];\n",
                              DotQuoting::kLiteral,
                              markAttributes};

}  // namespace

std::string treeDot(const FileGraph& graph, const GraphMetrics& metrics,
                    const std::vector<std::string>& labels) {
  std::ostringstream dot;
  DotWriter writer(dot, kTreeStyle, graph.files.size());
  writer.opening();
  for (std::size_t file = 0; file < graph.files.size(); ++file) {
    const FileRecord& record = graph.files[file];
    writer.node(static_cast<std::int32_t>(file), boxLabel(labels[file]), file,
                NodeMarks{!record.found, record.system});
  }
  for (std::size_t file = 0; file < graph.files.size(); ++file) {
    const std::size_t via = metrics.files[file].via;
    if (via != kNoIndex) {
      writer.edge(EdgeKind::kFirstSighting, static_cast<std::int32_t>(file),
                  static_cast<std::int32_t>(via));
    }
  }
  writer.closing();
  return dot.str();
}
