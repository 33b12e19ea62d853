// Writes the include tree as DOT node and edge statements.
#ifndef CLUDEMAP_GRAPH_DOT_WRITER_H_
#define CLUDEMAP_GRAPH_DOT_WRITER_H_

#include <iosfwd>
#include <string>
#include <string_view>

#include "scan/include_tree.h"

// Appends `label` to `out` as the inside of a DOT quoted string: '\' and '"'
// get a backslash, CR and LF become the escapes "\r" and "\n", and every
// other byte is copied unchanged. Labels longer than 4096 bytes are broken
// after every 4096 label bytes by a backslash and an LF (also where the
// file's lines end in CR LF), a line continuation that DOT drops when it
// reads the string.
void appendEscapedLabel(std::string& out, std::string_view label);

// Writes the statements for `node` and its subtree to `out` in pre-order:
// a node statement for every node with a label, ids taken from the registry
// in runState(), and for every node below `parentId` (-1 for the root) an
// edge to its parent: midnightblue where the node is a first sighting, else
// orange, at most one orange edge per (child, parent) pair across the run.
// Nodes with an empty label write nothing but their children do. The caller
// writes the opening text and closing line and checks the stream's state.
void writeNodeGraph(std::ostream& out, const IncludeNode& node, std::int32_t parentId);

#endif  // CLUDEMAP_GRAPH_DOT_WRITER_H_
