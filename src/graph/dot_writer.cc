#include "graph/dot_writer.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <memory>
#include <ostream>
#include <utility>
#include <vector>

#include "graph/batch_pipe.h"
#include "graph/dot_format.h"
#include "graph/graph_walk.h"
#include "util/text_format.h"

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
// The walk hands its decisions to the writing thread this many nodes at a
// time, with at most kQueuedBatches batches waiting.
constexpr std::size_t kBatchNodes = 4096;
constexpr std::size_t kQueuedBatches = 8;

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

// What the walk decided for one node with a label: its node statement and
// the edge to its parent, if drawn.
struct NodeOutput {
  Label label;
  std::int32_t id;
  std::int32_t parentId;
  EdgeKind edge;  // kNone where no edge is drawn
};

using NodeOutputs = std::vector<NodeOutput>;

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

// Text gathered for the stream. Appending copies straight into room made
// beforehand: the writer appends several pieces per node, and a checked
// append for each costs more than the copying.
class TextBuffer {
 public:
  explicit TextBuffer(std::size_t capacity) : bytes_(new char[capacity]), capacity_(capacity) {}

  // Makes room for `size` more bytes.
  void reserve(std::size_t size) {
    if (size_ + size <= capacity_) return;
    capacity_ = std::max(2 * capacity_, size_ + size);
    std::unique_ptr<char[]> larger(new char[capacity_]);
    std::memcpy(larger.get(), bytes_.get(), size_);
    bytes_ = std::move(larger);
  }
  // Needs the room made by reserve.
  void append(std::string_view text) {
    std::memcpy(bytes_.get() + size_, text.data(), text.size());
    size_ += text.size();
  }
  std::string_view view() const { return {bytes_.get(), size_}; }
  void clear() { size_ = 0; }

 private:
  std::unique_ptr<char[]> bytes_;
  std::size_t size_ = 0;
  std::size_t capacity_;
};

// The most an edge statement takes: its text and two ids of at most 11
// characters.
constexpr std::size_t kIdBytes = 11;
constexpr std::size_t kEdgeBytes =
    std::max(kFirstSightingEdge.size(), kRepeatEdge.size()) + 2 * kIdBytes;

void appendEdgeText(TextBuffer& text, const EdgeText& edge, std::int32_t id,
                    std::int32_t parentId) {
  text.append(edge.head);
  text.append(IdText(id).view());
  text.append(edge.middle);
  text.append(IdText(parentId).view());
  text.append(edge.tail);
}

// Turns the walk's decisions into statement text and writes it to the
// stream. Every node of one label writes the same node statement, so it is
// made once per label.
class StatementWriter {
 public:
  StatementWriter(std::ostream& out, std::size_t labelCount)
      : out_(out), nodeStatements_(labelCount), text_(kFlushThreshold + kEdgeBytes) {}

  void write(const NodeOutputs& nodes) {
    for (const NodeOutput& node : nodes) {
      const std::string& statement = nodeStatement(node);
      text_.reserve(statement.size() + kEdgeBytes);
      text_.append(statement);
      if (node.edge == EdgeKind::kFirstSighting) {
        appendEdgeText(text_, kFirstSightingEdgeText, node.id, node.parentId);
      } else if (node.edge == EdgeKind::kRepeat) {
        appendEdgeText(text_, kRepeatEdgeText, node.id, node.parentId);
      }
      if (text_.view().size() >= kFlushThreshold) flush();
    }
  }

  void flush() {
    out_.write(text_.view().data(), static_cast<std::streamsize>(text_.view().size()));
    text_.clear();
  }

 private:
  const std::string& nodeStatement(const NodeOutput& node) {
    std::string& statement = nodeStatements_[node.label.number()];
    if (statement.empty()) {
      // Sized up front: growing these strings step by step would cost more
      // than filling them.
      std::string escaped;
      escaped.reserve(2 * node.label.str().size());
      appendEscapedLabel(escaped, node.label);
      const IdText id(node.id);
      statement.reserve(kNodeStatement.size() + id.view().size() + escaped.size());
      appendFormat(statement, kNodeStatement, {id.view(), escaped});
    }
    return statement;
  }

  std::ostream& out_;
  std::vector<std::string> nodeStatements_;  // by label number; empty until made
  TextBuffer text_;
};

}  // namespace

namespace {

// The statements of each tree, in turn, with one writer and one text
// thread for all: a run may have a thousand start headers.
void writeTrees(std::ostream& out, RunState& run,
                const std::vector<std::pair<const IncludeNode*, std::int32_t>>& trees,
                const DotOptions& options) {
  StatementWriter writer(out, run.labels.size());
  {
    // The text is made and written on a thread of its own while the walk
    // goes on, kBatchNodes nodes at a time.
    BatchPipe<NodeOutputs> pipe(kQueuedBatches,
                                [&writer](NodeOutputs& batch) { writer.write(batch); });
    NodeOutputs batch;
    batch.reserve(kBatchNodes);
    for (const auto& [node, parentId] : trees) {
      walkGraph(*node, parentId, run.drawnEdges, [&](const WalkStep& step) {
        if (options.tree && step.edge == EdgeKind::kRepeat) return;
        batch.push_back(NodeOutput{step.node->label, step.node->id, step.parentId,
                                   step.drawn ? step.edge : EdgeKind::kNone});
        if (batch.size() == kBatchNodes) {
          pipe.push(batch);
          batch.clear();
        }
      });
    }
    pipe.push(batch);
  }
  writer.flush();
}

}  // namespace

void writeNodeGraph(std::ostream& out, RunState& run, const IncludeNode& node,
                    std::int32_t parentId, const DotOptions& options) {
  writeTrees(out, run, {{&node, parentId}}, options);
}

void writeStartGraphs(std::ostream& out, RunState& run, const std::vector<IncludeNode>& roots,
                      const DotOptions& options) {
  std::vector<std::pair<const IncludeNode*, std::int32_t>> trees;
  trees.reserve(roots.size());
  for (const IncludeNode& root : roots) trees.emplace_back(&root, -1);
  writeTrees(out, run, trees, options);
}
