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

enum class Edge : std::uint8_t { kNone, kFirstSighting, kRepeat };

// What the walk decided for one node with a label: its node statement and
// the edge to its parent, if any.
struct NodeOutput {
  Label label;
  std::int32_t id;
  std::int32_t parentId;
  Edge edge;
};

using NodeOutputs = std::vector<NodeOutput>;

// The registry's id for each label, looked up once per label.
class LabelIds {
 public:
  explicit LabelIds(std::size_t labelCount) : ids_(labelCount, kUnknown) {}
  std::int32_t of(const Label& label) {
    std::int32_t& id = ids_[label.number()];
    if (id == kUnknown) {
      const NodeIdRegistry::Entry* found = runState().nodeIdRegistry.find(label);
      id = found == nullptr ? 0 : found->second;
    }
    return id;
  }

 private:
  // Not an id the scan hands out: those are positive or, read for an
  // unregistered label, 0.
  static constexpr std::int32_t kUnknown = -1;
  std::vector<std::int32_t> ids_;
};

Edge edgeFor(const IncludeNode& node, std::int32_t id, std::int32_t parentId) {
  if (parentId == -1) return Edge::kNone;
  if (node.firstSighting) {
    // A midnightblue edge leaves no mark, so a later repeat of the same pair
    // still gets its one orange edge.
    if (runState().drawnEdges.contains(PairKey(id, parentId))) return Edge::kNone;
    return Edge::kFirstSighting;
  }
  return runState().drawnEdges.insert(PairKey(id, parentId)) ? Edge::kRepeat : Edge::kNone;
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
      if (node.edge == Edge::kFirstSighting) {
        appendEdgeText(text_, kFirstSightingEdgeText, node.id, node.parentId);
      } else if (node.edge == Edge::kRepeat) {
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

// Walks the tree in pre-order and decides each node's statements.
// `emit(batch)` receives them in order, kBatchNodes at a time.
template <typename Emit>
void walkTree(const IncludeNode& node, std::int32_t parentId, Emit emit) {
  LabelIds ids(Label::count());
  NodeOutputs batch;
  batch.reserve(kBatchNodes);
  // Pre-order walk with an explicit stack so any depth fits; children are
  // pushed in reverse to come off in directive order.
  std::vector<std::pair<const IncludeNode*, std::int32_t>> pending{{&node, parentId}};
  while (!pending.empty()) {
    const auto [current, currentParent] = pending.back();
    pending.pop_back();
    const std::int32_t id = ids.of(current->label);
    if (!current->label.empty()) {
      batch.push_back(
          NodeOutput{current->label, id, currentParent, edgeFor(*current, id, currentParent)});
      if (batch.size() == kBatchNodes) {
        emit(batch);
        batch.clear();
      }
    }
    for (auto child = current->children.rbegin(); child != current->children.rend(); ++child) {
      pending.emplace_back(&*child, id);
    }
  }
  emit(batch);
}

}  // namespace

void writeNodeGraph(std::ostream& out, const IncludeNode& node, std::int32_t parentId) {
  StatementWriter writer(out, Label::count());
  {
    // The text is made and written on a thread of its own while the walk
    // goes on.
    BatchPipe<NodeOutputs> pipe(kQueuedBatches,
                                [&writer](NodeOutputs& batch) { writer.write(batch); });
    walkTree(node, parentId, [&pipe](const NodeOutputs& batch) { pipe.push(batch); });
  }
  writer.flush();
}
