#include "graph/include_tree_dot.h"

#include <utility>
#include <vector>

#include "graph/batch_pipe.h"
#include "graph/dot_format.h"

std::string_view pictureMarkAttributes(const NodeMarks& marks) {
  return marks.missing ? ",color=\"red\",fillcolor=\"black\",style=\"filled,dashed\",penwidth=2"
                       : "";
}

namespace {

// The walk hands the writing thread this many boxes at a time, with at
// most kQueuedBatches batches waiting.
constexpr std::size_t kBatchNodes = 4096;
constexpr std::size_t kQueuedBatches = 8;

// One box of the walk and the edge to its includer, if drawn.
struct NodeOutput {
  const IncludeNode* node;
  std::int32_t parentId;
  EdgeKind edge;  // kNone where no edge is drawn
};

using NodeOutputs = std::vector<NodeOutput>;

// Calls `visit` for every node with a label in the tree below the start
// header `root`, in pre-order. Any depth fits: the walk keeps its own stack.
template <typename Visit>
void walkTree(const IncludeNode& root, Visit&& visit) {
  // Children are pushed in reverse to come off in directive order; a start
  // header has no includer.
  std::vector<std::pair<const IncludeNode*, const IncludeNode*>> pending{{&root, nullptr}};
  while (!pending.empty()) {
    const auto [node, includer] = pending.back();
    pending.pop_back();
    if (!node->label.empty()) {
      const EdgeKind edge = includer == nullptr   ? EdgeKind::kNoIncluder
                            : node->firstSighting ? EdgeKind::kFirstSighting
                                                  : EdgeKind::kRepeat;
      visit(NodeOutput{node, includer == nullptr ? 0 : includer->id, edge});
    }
    for (auto child = node->children.rbegin(); child != node->children.rend(); ++child) {
      pending.emplace_back(&*child, node);
    }
  }
}

}  // namespace

void writeIncludeTreeDot(std::ostream& out, const ScanResult& result,
                         const IncludeTreeDotOptions& options) {
  DotWriter writer(out, options.style != nullptr ? *options.style : kIncludeTreeStyle,
                   result.labels.size());
  writer.opening();
  {
    // The text is made and written on a thread of its own while the walk
    // goes on, kBatchNodes boxes at a time.
    BatchPipe<NodeOutputs> pipe(kQueuedBatches, [&writer](NodeOutputs& batch) {
      for (const NodeOutput& output : batch) {
        const IncludeNode& node = *output.node;
        writer.node(node.id, node.label, node.label.number(), NodeMarks{node.missing, false});
        if (node.edgeDrawn) writer.edge(output.edge, node.id, output.parentId);
      }
    });
    NodeOutputs batch;
    batch.reserve(kBatchNodes);
    for (const IncludeNode& root : result.roots) {
      walkTree(root, [&](const NodeOutput& output) {
        if (options.tree && output.edge == EdgeKind::kRepeat) return;
        batch.push_back(output);
        if (batch.size() == kBatchNodes) {
          pipe.push(batch);
          batch.clear();
        }
      });
    }
    pipe.push(batch);
  }
  writer.closing();
}
