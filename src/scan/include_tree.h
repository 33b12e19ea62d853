// The include tree as the scan decides it, and the keys of its tables.
#ifndef CLUDEMAP_SCAN_INCLUDE_TREE_H_
#define CLUDEMAP_SCAN_INCLUDE_TREE_H_

#include <cstdint>
#include <vector>

#include "scan/label.h"
#include "util/pair_key_set.h"
#include "util/string_map.h"

// IncludeNode::file of a node whose file is not recorded.
inline constexpr std::uint32_t kNoFile = ~std::uint32_t{0};

// One node of the include tree, held by value. A node owns its children;
// copying a node copies its whole subtree.
struct IncludeNode {
  IncludeNode() = default;
  IncludeNode(const IncludeNode&) = default;
  IncludeNode(IncludeNode&&) noexcept = default;
  IncludeNode& operator=(const IncludeNode&) = default;
  IncludeNode& operator=(IncludeNode&&) noexcept = default;
  // Releases the subtree without recursion, so a chain of any depth can be
  // freed on a small stack.
  ~IncludeNode();

  // In directive order.
  std::vector<IncludeNode> children;
  // The include text as written (quoted name without quotes, angle name with
  // its brackets), or the path for a start header and for nameless
  // directives.
  Label label;
  // The id of the node's label, which every node of that label shares.
  std::int32_t id = 0;
  // With file facts: the index of the node's file in the scan's file graph.
  std::uint32_t file = kNoFile;
  // True when no node had been registered under this node's directive label
  // before it (the first start header always has it).
  bool firstSighting = false;
  // No readable file is where the node's name led.
  bool missing = false;
  // Its file was read below it: its directives were followed here.
  bool expanded = false;
  // Whether the edge to the node's includer is drawn. At most one repeat
  // edge is drawn per (node, includer) pair across the run, and a
  // first-sighting edge is left out where that pair already has one; a
  // first-sighting edge leaves no mark, so a later repeat of the same pair
  // still gets its one repeat edge. Start headers and nodes without a label
  // have no edge.
  bool edgeDrawn = false;
};

// A key for an ordered pair of node ids. It holds both ids whole, so two
// different pairs never share a key.
using PairKeyValue = std::uint64_t;
PairKeyValue PairKey(std::int32_t high, std::int32_t low);

// Label (exact bytes) to node id. The same label always means the same id,
// whatever file it resolves to.
using NodeIdRegistry = StringMap<std::int32_t>;

// PairKey(parent id, child id) of every pair the scan has expanded.
using ExpandedPairs = PairKeySet;

// PairKey(child id, parent id) of every pair an orange edge is drawn for.
using DrawnEdges = PairKeySet;

#endif  // CLUDEMAP_SCAN_INCLUDE_TREE_H_
