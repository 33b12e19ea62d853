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
constexpr std::size_t kFlushThreshold = 1 << 16;

class IdText {
 public:
  explicit IdText(std::int32_t id) {
    length_ = static_cast<std::size_t>(std::to_chars(digits_, digits_ + sizeof digits_, id).ptr - digits_);
  }
  std::string_view view() const { return {digits_, length_}; }

 private:
  char digits_[12];
  std::size_t length_;
};

std::int32_t registeredId(const std::string& label) {
  const NodeIdRegistry& registry = runState().nodeIdRegistry;
  const auto found = registry.find(label);
  return found == registry.end() ? 0 : found->second;
}

void appendNode(std::string& text, std::string& escaped, const IncludeNode& node, std::int32_t id,
                std::int32_t parentId) {
  escaped.clear();
  appendEscapedLabel(escaped, node.label);
  appendFormat(text, kNodeStatement, {IdText(id).view(), escaped});
  if (parentId == -1) return;
  if (node.firstSighting) {
    // A midnightblue edge leaves no mark, so a later repeat of the same pair
    // still gets its one orange edge.
    if (runState().drawnEdges.count(PairKey(id, parentId)) == 0) {
      appendFormat(text, kFirstSightingEdge, {IdText(id).view(), IdText(parentId).view()});
    }
  } else if (runState().drawnEdges.insert(PairKey(id, parentId)).second) {
    appendFormat(text, kRepeatEdge, {IdText(id).view(), IdText(parentId).view()});
  }
}

}  // namespace

void writeNodeGraph(std::ostream& out, const IncludeNode& node, std::int32_t parentId) {
  std::string text;
  std::string escaped;
  // Pre-order walk with an explicit stack so any depth fits; children are
  // pushed in reverse to come off in directive order.
  std::vector<std::pair<const IncludeNode*, std::int32_t>> pending{{&node, parentId}};
  while (!pending.empty()) {
    const auto [current, currentParent] = pending.back();
    pending.pop_back();
    const std::int32_t id = registeredId(current->label);
    if (!current->label.empty()) appendNode(text, escaped, *current, id, currentParent);
    for (auto child = current->children.rbegin(); child != current->children.rend(); ++child) {
      pending.emplace_back(&*child, id);
    }
    if (text.size() >= kFlushThreshold) {
      out.write(text.data(), static_cast<std::streamsize>(text.size()));
      text.clear();
    }
  }
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
}
