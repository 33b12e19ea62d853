// Types shared by the scan and the DOT writer: the include tree and the
// process-wide state of one run.
#ifndef CLUDEMAP_SCAN_INCLUDE_TREE_H_
#define CLUDEMAP_SCAN_INCLUDE_TREE_H_

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "scan/label.h"
#include "util/pair_key_set.h"
#include "util/string_map.h"

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
  // True when no node had been registered under this node's directive label
  // before it (the root always has it).
  bool firstSighting = false;
  // The include text as written (quoted name without quotes, angle name with
  // its brackets), or the path for the root and for nameless directives.
  Label label;
};

// A key for an ordered pair of node ids. It holds both ids whole, so two
// different pairs never share a key.
using PairKeyValue = std::uint64_t;
PairKeyValue PairKey(std::int32_t high, std::int32_t low);

// Label (exact bytes) to node id. The same label always means the same id,
// whatever file it resolves to. Reading a label through operator[] leaves a
// zero entry behind when it had none.
using NodeIdRegistry = StringMap<std::int32_t>;

// PairKey(parent id, child id) of every pair the scan has expanded.
using ExpandedPairs = PairKeySet;

// PairKey(child id, parent id) of every pair the writer has drawn an orange
// edge for.
using DrawnEdges = PairKeySet;

// The include directories: prefixes an angle-bracket name, or a quoted name
// not found next to its includer, is appended to, tried in order. The -I
// directories come first, then those of CLUDEMAP_INCLUDE_PATH.
using SystemIncludeDirs = std::vector<std::string>;

// The process-wide containers of one run, all in one place: the scan fills
// the registry, the id counter and the expanded pairs; the writer reads the
// registry and fills the drawn edges. Scan warnings go to `warnings`.
struct RunState {
  NodeIdRegistry nodeIdRegistry;
  std::int32_t nextNodeId = 1;
  ExpandedPairs expandedPairs;
  SystemIncludeDirs systemIncludeDirs;
  DrawnEdges drawnEdges;
  std::ostream* warnings = nullptr;  // standard output when null
  // Threads that read headers ahead of the scan; unset: eight per core the
  // machine has, at least two and at most sixteen. The result never depends
  // on it.
  std::optional<unsigned> readerThreads;
};

// The one RunState of the process.
RunState& runState();

// Empties every container and restarts the id counter, as at process start.
void resetRunState();

#endif  // CLUDEMAP_SCAN_INCLUDE_TREE_H_
