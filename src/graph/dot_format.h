// The DOT output format: every fixed text the output file holds.
#ifndef CLUDEMAP_GRAPH_DOT_FORMAT_H_
#define CLUDEMAP_GRAPH_DOT_FORMAT_H_

#include <string_view>

// Written by the driver before the statements.
inline constexpr std::string_view kDotOpening =
    "digraph G\n{\n"
    "edge [fontname=\"Helvetica\",fontsize=10,labelfontname=\"Helvetica\",labelfontsize=10];\n"
    "node [fontname=\"Helvetica\",fontsize=10,shape=record];\n";

// Written by the driver after the statements.
inline constexpr std::string_view kDotClosing = "}\n";

// %d is the node id, %s the escaped label.
inline constexpr std::string_view kNodeStatement =
    "   Node%d [shape=\"box\",label=\"%s\",fontsize=10,height=0.2,width=0.4,"
    "fontname=\"Helvetica\",color=\"black\",style=\"filled\" fontcolor=\"white\"];\n";

// Edge from a header to its includer (child id, then parent id), drawn where
// the header's label is met for the first time.
inline constexpr std::string_view kFirstSightingEdge =
    "   Node%d -> Node%d [dir=back,color=\"midnightblue\",fontsize=10,style=\"solid\","
    "fontname=\"Helvetica\"];\n";

// The same edge where the label had been met before.
inline constexpr std::string_view kRepeatEdge =
    "   Node%d -> Node%d [dir=back,color=\"orange\",fontsize=10,style=\"solid\","
    "fontname=\"Helvetica\"];\n";

#endif  // CLUDEMAP_GRAPH_DOT_FORMAT_H_
