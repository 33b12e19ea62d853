// The DOT output format: every fixed text the output file holds.
#ifndef CLUDEMAP_GRAPH_DOT_FORMAT_H_
#define CLUDEMAP_GRAPH_DOT_FORMAT_H_

#include <string_view>

// The line end of the DOT file: CR LF on Windows, as its text files have
// them, and LF elsewhere. The file is written in binary mode with this line
// end spelled out rather than in text mode, because text mode would also turn
// the LF of a label's line continuation (dot_writer.h) into CR LF, and a
// backslash before CR LF is no continuation to Graphviz outside Windows.
#if defined(_WIN32)
#define CLUDEMAP_DOT_LINE_END "\r\n"
#else
#define CLUDEMAP_DOT_LINE_END "\n"
#endif

// Written by the driver before the statements.
inline constexpr std::string_view kDotOpening =
    "digraph G" CLUDEMAP_DOT_LINE_END "{" CLUDEMAP_DOT_LINE_END
    "edge [fontname=\"Helvetica\",fontsize=10,labelfontname=\"Helvetica\","
    "labelfontsize=10];" CLUDEMAP_DOT_LINE_END
    "node [fontname=\"Helvetica\",fontsize=10,shape=record];" CLUDEMAP_DOT_LINE_END;

// Written by the driver after the statements.
inline constexpr std::string_view kDotClosing = "}" CLUDEMAP_DOT_LINE_END;

// %d is the node id, %s the escaped label.
inline constexpr std::string_view kNodeStatement =
    "   Node%d [shape=\"box\",label=\"%s\",fontsize=10,height=0.2,width=0.4,"
    "fontname=\"Helvetica\",color=\"black\",style=\"filled\" "
    "fontcolor=\"white\"];" CLUDEMAP_DOT_LINE_END;

// Edge from a header to its includer (child id, then parent id), drawn where
// the header's label is met for the first time.
inline constexpr std::string_view kFirstSightingEdge =
    "   Node%d -> Node%d [dir=back,color=\"midnightblue\",fontsize=10,style=\"solid\","
    "fontname=\"Helvetica\"];" CLUDEMAP_DOT_LINE_END;

// The same edge where the label had been met before.
inline constexpr std::string_view kRepeatEdge =
    "   Node%d -> Node%d [dir=back,color=\"orange\",fontsize=10,style=\"solid\","
    "fontname=\"Helvetica\"];" CLUDEMAP_DOT_LINE_END;

#endif  // CLUDEMAP_GRAPH_DOT_FORMAT_H_
