// The include tree of a scan as a DOT file.
#ifndef CLUDEMAP_GRAPH_INCLUDE_TREE_DOT_H_
#define CLUDEMAP_GRAPH_INCLUDE_TREE_DOT_H_

#include <iosfwd>

#include "graph/dot_writer.h"
#include "scan/scan_result.h"

struct IncludeTreeDotOptions {
  const DotStyle* style = nullptr;  // null: the -T dot style
  // Only the tree of first sightings: start headers and first-sighting
  // nodes, each with its midnightblue edge; no repeat, so every box has one
  // incoming edge.
  bool tree = false;
};

// Writes the whole DOT file for every start header's tree of `result`, in
// turn: the opening text, then, in pre-order (a node, then its children in
// directive order), a node statement for every node with a label and the
// edge to its includer where the scan drew it, midnightblue for a first
// sighting and orange for a repeat, and the closing line. The caller checks
// the stream's state.
void writeIncludeTreeDot(std::ostream& out, const ScanResult& result,
                         const IncludeTreeDotOptions& options);

#endif  // CLUDEMAP_GRAPH_INCLUDE_TREE_DOT_H_
