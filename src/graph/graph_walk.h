// The walk of a finished include tree that every output format shares.
#ifndef CLUDEMAP_GRAPH_GRAPH_WALK_H_
#define CLUDEMAP_GRAPH_GRAPH_WALK_H_

#include <cstdint>
#include <utility>
#include <vector>

#include "scan/include_tree.h"

// The edge from a node to its includer.
enum class EdgeKind : std::uint8_t {
  kNone,           // a start header: no includer
  kFirstSighting,  // the node's label is met for the first time
  kRepeat,         // the label had been met before
};

// One statement of the walk: a node and the edge to its includer.
struct WalkStep {
  const IncludeNode* node;
  std::int32_t parentId;  // -1 for a start header
  EdgeKind edge;
  // Whether the edge is drawn: at most one repeat edge is drawn per (node,
  // includer) pair across the run, and a first-sighting edge is suppressed
  // where that pair already has one. A first-sighting edge leaves no mark,
  // so a later repeat of the same pair still gets its one repeat edge.
  bool drawn;
};

// Whether the edge from a node with `id` to `parentId` is drawn, recording
// the pair in `drawnEdges` when it is a repeat edge.
inline bool drawEdge(DrawnEdges& drawnEdges, EdgeKind edge, std::int32_t id,
                     std::int32_t parentId) {
  switch (edge) {
    case EdgeKind::kNone:
      return false;
    case EdgeKind::kFirstSighting:
      return !drawnEdges.contains(PairKey(id, parentId));
    case EdgeKind::kRepeat:
      return drawnEdges.insert(PairKey(id, parentId));
  }
  return false;
}

// Calls `visit(step)` for every node with a label in the tree below `root`,
// in pre-order (a node, then its children in directive order), deciding
// each edge against `drawnEdges`, which it fills. `parentId` is the root's
// includer, -1 for a start header. A node with an empty label makes no step,
// but its children do, below its id. Any depth fits: the walk keeps its own
// stack.
template <typename Visit>
void walkGraph(const IncludeNode& root, std::int32_t parentId, DrawnEdges& drawnEdges,
               Visit&& visit) {
  // Children are pushed in reverse to come off in directive order.
  std::vector<std::pair<const IncludeNode*, std::int32_t>> pending{{&root, parentId}};
  while (!pending.empty()) {
    const auto [node, includer] = pending.back();
    pending.pop_back();
    if (!node->label.empty()) {
      const EdgeKind edge = includer == -1        ? EdgeKind::kNone
                            : node->firstSighting ? EdgeKind::kFirstSighting
                                                  : EdgeKind::kRepeat;
      visit(WalkStep{node, includer, edge, drawEdge(drawnEdges, edge, node->id, includer)});
    }
    for (auto child = node->children.rbegin(); child != node->children.rend(); ++child) {
      pending.emplace_back(&*child, node->id);
    }
  }
}

#endif  // CLUDEMAP_GRAPH_GRAPH_WALK_H_
