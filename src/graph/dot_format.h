// The DOT output format of the include tree: every fixed text the output
// file holds, and the style pictures are drawn from.
#ifndef CLUDEMAP_GRAPH_DOT_FORMAT_H_
#define CLUDEMAP_GRAPH_DOT_FORMAT_H_

#include <string_view>

#include "graph/dot_writer.h"

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

inline constexpr std::string_view kDotOpening =
    "digraph G" CLUDEMAP_DOT_LINE_END "{" CLUDEMAP_DOT_LINE_END
    "edge [fontname=\"Helvetica\",fontsize=10,labelfontname=\"Helvetica\","
    "labelfontsize=10];" CLUDEMAP_DOT_LINE_END
    "node [fontname=\"Helvetica\",fontsize=10,shape=record];" CLUDEMAP_DOT_LINE_END;

inline constexpr std::string_view kDotClosing = "}" CLUDEMAP_DOT_LINE_END;

// A box: its id, its quoted label and the attributes of its marks.
inline constexpr std::string_view kNodeStatement =
    "   Node%n [shape=\"box\",label=\"%l\",fontsize=10,height=0.2,width=0.4,"
    "fontname=\"Helvetica\",color=\"black\",style=\"filled\" "
    "fontcolor=\"white\"%a];" CLUDEMAP_DOT_LINE_END;

// Edge from a header to its includer, drawn where the header's label is met
// for the first time.
inline constexpr std::string_view kFirstSightingEdge =
    "   Node%c -> Node%p [dir=back,color=\"midnightblue\",fontsize=10,style=\"solid\","
    "fontname=\"Helvetica\"];" CLUDEMAP_DOT_LINE_END;

// The same edge where the label had been met before.
inline constexpr std::string_view kRepeatEdge =
    "   Node%c -> Node%p [dir=back,color=\"orange\",fontsize=10,style=\"solid\","
    "fontname=\"Helvetica\"];" CLUDEMAP_DOT_LINE_END;

// The DOT file as -T dot writes it: the boxes carry no marks.
inline constexpr DotStyle kIncludeTreeStyle{kDotOpening,    kDotClosing,
                                            kNodeStatement, kFirstSightingEdge,
                                            kRepeatEdge,    DotQuoting::kLineEscapes};

// The same graph for pictures: a missing header keeps the white-on-black
// fill, with a dashed red outline (the fill colour is set too, since a
// filled box is otherwise filled with its outline colour).
std::string_view pictureMarkAttributes(const NodeMarks& marks);
inline constexpr DotStyle kPictureStyle{kDotOpening,          kDotClosing, kNodeStatement,
                                        kFirstSightingEdge,   kRepeatEdge, DotQuoting::kLineEscapes,
                                        pictureMarkAttributes};

#endif  // CLUDEMAP_GRAPH_DOT_FORMAT_H_
