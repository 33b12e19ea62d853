#include "graph/dot_writer.h"

#include <charconv>
#include <ostream>
#include <utility>
#include <vector>

#include "graph/dot_format.h"
#include "scan/string_map.h"
#include "scan/text_format.h"

namespace {

// Graphviz rejects a quoted string of more than 16384 bytes, so long labels
// are written as several quoted pieces joined with '+', which DOT reads back
// as one string. A piece of 4096 label bytes escapes to at most 8192 bytes.
constexpr std::size_t kLabelPieceBytes = 4096;
constexpr std::string_view kLabelPieceJoin = "\" + \"";

}  // namespace

namespace {

// The escape for a byte that needs one, or an empty view.
std::string_view escapeFor(char c) {
  switch (c) {
    case '\\':
      return "\\\\";
    case '"':
      return "\\\"";
    case '\r':
      return "\\r";
    case '\n':
      return "\\n";
    default:
      return {};
  }
}

// Appends one piece of at most kLabelPieceBytes label bytes, copying the
// runs between escapes whole.
void appendEscapedPiece(std::string& out, std::string_view piece) {
  std::size_t run = 0;
  for (std::size_t i = 0; i < piece.size(); ++i) {
    const std::string_view escape = escapeFor(piece[i]);
    if (escape.empty()) continue;
    out.append(piece, run, i - run);
    out += escape;
    run = i + 1;
  }
  out.append(piece, run, std::string_view::npos);
}

}  // namespace

void appendEscapedLabel(std::string& out, std::string_view label) {
  for (std::size_t start = 0; start < label.size(); start += kLabelPieceBytes) {
    if (start != 0) out += kLabelPieceJoin;
    appendEscapedPiece(out, label.substr(start, kLabelPieceBytes));
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

std::int32_t registeredId(const std::string& label) {
  const NodeIdRegistry& registry = runState().nodeIdRegistry;
  const auto found = registry.find(label);
  return found == registry.end() ? 0 : found->second;
}

// What every node of one label writes: the label's id and its node
// statement, the same for each of them and so made once per label.
struct LabelOutput {
  std::int32_t id = 0;
  std::string nodeStatement;
};

const LabelOutput& labelOutput(StringMap<LabelOutput>& labels, const std::string& label) {
  const auto [entry, added] = labels.tryEmplace(label);
  LabelOutput& output = entry->second;
  if (added) {
    output.id = registeredId(label);
    std::string escaped;
    appendEscapedLabel(escaped, label);
    appendFormat(output.nodeStatement, kNodeStatement, {IdText(output.id).view(), escaped});
  }
  return output;
}

void appendEdge(std::string& text, const IncludeNode& node, std::int32_t id,
                std::int32_t parentId) {
  if (node.firstSighting) {
    // A midnightblue edge leaves no mark, so a later repeat of the same pair
    // still gets its one orange edge.
    if (!runState().drawnEdges.contains(PairKey(id, parentId))) {
      appendFormat(text, kFirstSightingEdge, {IdText(id).view(), IdText(parentId).view()});
    }
  } else if (runState().drawnEdges.insert(PairKey(id, parentId))) {
    appendFormat(text, kRepeatEdge, {IdText(id).view(), IdText(parentId).view()});
  }
}

}  // namespace

void writeNodeGraph(std::ostream& out, const IncludeNode& node, std::int32_t parentId) {
  std::string text;
  StringMap<LabelOutput> labels;
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
