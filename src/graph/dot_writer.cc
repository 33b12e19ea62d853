#include "graph/dot_writer.h"

#include <charconv>
#include <ostream>
#include <utility>
#include <vector>

#include "graph/dot_format.h"
#include "scan/text_format.h"

namespace {

// Graphviz rejects a run of 16384 or more plain bytes inside a quoted string.
// Quoted pieces joined with '+' would avoid that, but Graphviz joins them in
// time quadratic in the label's length (minutes for a few megabytes). A
// backslash before a line end inside a quoted string is dropped on reading
// and ends the run, so long labels are broken into lines of 4096 label bytes
// (at most 8192 bytes once escaped), which Graphviz reads in linear time.
// The continuation ends in a bare LF on every system, also where the file's
// own lines end in CR LF: only a backslash right before LF continues a line
// for every DOT reader.
constexpr std::size_t kLabelPieceBytes = 4096;
constexpr std::string_view kLabelLineContinuation = "\\\n";

}  // namespace

void appendEscapedLabel(std::string& out, std::string_view label) {
  for (std::size_t i = 0; i < label.size(); ++i) {
    if (i != 0 && i % kLabelPieceBytes == 0) out += kLabelLineContinuation;
    const char c = label[i];
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '"':
        out += "\\\"";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\n':
        out += "\\n";
        break;
      default:
        out += c;
    }
  }
}

namespace {

// Statements are gathered here and handed to the stream in large pieces.
constexpr std::size_t kFlushThreshold = 1 << 20;

class IdText {
 public:
  explicit IdText(std::int32_t id) {
    length_ = static_cast<std::size_t>(std::to_chars(digits_, digits_ + sizeof digits_, id).ptr -
                                       digits_);
  }
  std::string_view view() const { return {digits_, length_}; }

 private:
  char digits_[12];
  std::size_t length_;
};

std::int32_t registeredId(std::string_view label) {
  const NodeIdRegistry::Entry* found = runState().nodeIdRegistry.find(label);
  return found == nullptr ? 0 : found->second;
}

// What every node of one label writes: the label's id and its node
// statement, the same for each of them and so made once per label.
struct LabelOutput {
  bool made = false;
  std::int32_t id = 0;
  std::string nodeStatement;
};

// By label number.
using LabelOutputs = std::vector<LabelOutput>;

const LabelOutput& labelOutput(LabelOutputs& outputs, const Label& label) {
  LabelOutput& output = outputs[label.number()];
  if (!output.made) {
    output.made = true;
    output.id = registeredId(label);
    // Sized up front: growing these strings step by step would cost more
    // than filling them.
    std::string escaped;
    escaped.reserve(2 * label.str().size());
    appendEscapedLabel(escaped, label);
    const IdText id(output.id);
    output.nodeStatement.reserve(kNodeStatement.size() + id.view().size() + escaped.size());
    appendFormat(output.nodeStatement, kNodeStatement, {id.view(), escaped});
  }
  return output;
}

// An edge statement's text around its two ids, split once so that edges,
// which the writer makes for almost every node, need no format parsing.
struct EdgeText {
  std::string_view head, middle, tail;
};

constexpr EdgeText splitEdgeFormat(std::string_view format) {
  const std::size_t first = format.find("%d");
  const std::size_t second = format.find("%d", first + 2);
  return {format.substr(0, first), format.substr(first + 2, second - first - 2),
          format.substr(second + 2)};
}

constexpr EdgeText kFirstSightingEdgeText = splitEdgeFormat(kFirstSightingEdge);
constexpr EdgeText kRepeatEdgeText = splitEdgeFormat(kRepeatEdge);

void appendEdgeText(std::string& text, const EdgeText& edge, std::int32_t id,
                    std::int32_t parentId) {
  text += edge.head;
  text += IdText(id).view();
  text += edge.middle;
  text += IdText(parentId).view();
  text += edge.tail;
}

void appendEdge(std::string& text, const IncludeNode& node, std::int32_t id,
                std::int32_t parentId) {
  if (node.firstSighting) {
    // A midnightblue edge leaves no mark, so a later repeat of the same pair
    // still gets its one orange edge.
    if (!runState().drawnEdges.contains(PairKey(id, parentId))) {
      appendEdgeText(text, kFirstSightingEdgeText, id, parentId);
    }
  } else if (runState().drawnEdges.insert(PairKey(id, parentId))) {
    appendEdgeText(text, kRepeatEdgeText, id, parentId);
  }
}

}  // namespace

void writeNodeGraph(std::ostream& out, const IncludeNode& node, std::int32_t parentId) {
  std::string text;
  LabelOutputs labels(Label::count());
  // Pre-order walk with an explicit stack so any depth fits; children are
  // pushed in reverse to come off in directive order.
  std::vector<std::pair<const IncludeNode*, std::int32_t>> pending{{&node, parentId}};
  while (!pending.empty()) {
    const auto [current, currentParent] = pending.back();
    pending.pop_back();
    const LabelOutput& output = labelOutput(labels, current->label);
    if (!current->label.empty()) {
      text += output.nodeStatement;
      if (currentParent != -1) appendEdge(text, *current, output.id, currentParent);
    }
    for (auto child = current->children.rbegin(); child != current->children.rend(); ++child) {
      pending.emplace_back(&*child, output.id);
    }
    if (text.size() >= kFlushThreshold) {
      out.write(text.data(), static_cast<std::streamsize>(text.size()));
      text.clear();
    }
  }
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
}
