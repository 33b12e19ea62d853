// Writes the include tree as DOT node and edge statements.
#ifndef CLUDEMAP_GRAPH_DOT_WRITER_H_
#define CLUDEMAP_GRAPH_DOT_WRITER_H_

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "scan/include_tree.h"

// Appends `label` to `out` as the inside of a DOT quoted string: '\' and '"'
// get a backslash, CR and LF become the escapes "\r" and "\n", and every
// other byte is copied unchanged. Labels longer than 4096 bytes are broken
// after every 4096 label bytes by a backslash and an LF (also where the
// file's lines end in CR LF), a line continuation that DOT drops when it
// reads the string.
void appendEscapedLabel(std::string& out, std::string_view label);

struct DotOptions {
  // Only the tree of first sightings: start headers and first-sighting
  // nodes, each with its midnightblue edge; no repeat, so every box has one
  // incoming edge.
  bool tree = false;
};

// Writes the statements for `node` and its subtree to `out`, in the order
// and with the edges walkGraph decides: a node statement for every node
// with a label, and each drawn edge after its node's statement,
// midnightblue for a first sighting, orange for a repeat. `parentId` is -1
// for a start header. The caller writes the opening text and closing line
// and checks the stream's state.
void writeNodeGraph(std::ostream& out, RunState& run, const IncludeNode& node,
                    std::int32_t parentId, const DotOptions& options = {});

// The statements of every start header's tree in `roots`, in turn: the
// text of writeNodeGraph for each, with one writer for all.
void writeStartGraphs(std::ostream& out, RunState& run, const std::vector<IncludeNode>& roots,
                      const DotOptions& options = {});

#endif  // CLUDEMAP_GRAPH_DOT_WRITER_H_
