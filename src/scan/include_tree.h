// The include tree and the run object that the scan and the writers share.
#ifndef CLUDEMAP_SCAN_INCLUDE_TREE_H_
#define CLUDEMAP_SCAN_INCLUDE_TREE_H_

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "scan/label.h"
#include "scan/scan_options.h"
#include "scan/search_list.h"
#include "scan/warning_sink.h"
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
  // before it (the first start header always has it).
  bool firstSighting = false;
  // The include text as written (quoted name without quotes, angle name with
  // its brackets), or the path for a start header and for nameless
  // directives.
  Label label;
  // The id of the node's label, which every node of that label shares.
  std::int32_t id = 0;
  // No readable file is where the node's name led.
  bool missing = false;
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

// PairKey(child id, parent id) of every pair the writer has drawn an orange
// edge for.
using DrawnEdges = PairKeySet;

// What the scan keeps between and during scans to work fast: contents read
// and its reader threads, shared by the whole run, and for each search list
// the names resolved through it (read_ahead.h).
class ContentStore;
class ScanCache;
struct ScannedHeader;

// The order in which the scans met headers, which the file reports follow;
// kept with RunState::fileFacts only.
struct HeaderTrail {
  // The headers some node stands for, in the order of each one's first node.
  std::vector<const ScannedHeader*> reached;
  // The headers expanded, in the order of each one's first expansion.
  std::vector<const ScannedHeader*> expanded;
};

// Everything one run keeps, passed by reference to the scan and the
// writers; a run object is made fresh for every run. The scan fills the
// registry, the id counter, the expanded pairs and the tree; the writers
// read the tree and fill the drawn edges.
struct RunState {
  explicit RunState(std::ostream& warningStream);
  RunState(const RunState&) = delete;
  RunState& operator=(const RunState&) = delete;
  ~RunState();

  LabelTable labels;
  NodeIdRegistry nodeIdRegistry;
  std::int32_t nextNodeId = 1;
  ExpandedPairs expandedPairs;
  DrawnEdges drawnEdges;
  // The search list of the start headers scanned without one of their own
  // (scan_header.h). Fixed once the first scan starts: the scan's caches
  // depend on them.
  SearchList searchList;
  ScanOptions scanOptions;
  WarningSink warnings;
  // Threads that read headers ahead of the scan; unset: eight per core the
  // machine has, at least two and at most sixteen. The result never depends
  // on it.
  std::optional<unsigned> readerThreads;
  // Whether the scan keeps what the file reports need of every header: its
  // lines, its directives' lines and its canonical path.
  bool fileFacts = false;
  HeaderTrail headerTrail;
  // One cache per distinct search list the scans used, in the order first
  // used, and the store of contents and reader threads they all share; made
  // by the scans. The store is declared after the caches, so that its
  // threads stop before the caches go.
  std::vector<std::unique_ptr<ScanCache>> scanCaches;
  std::unique_ptr<ContentStore> contentStore;
  // The header of each start header scanned, in scan order, whichever cache
  // holds it.
  std::vector<const ScannedHeader*> startHeaders;
};

#endif  // CLUDEMAP_SCAN_INCLUDE_TREE_H_
