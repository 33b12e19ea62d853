#include "testing/expected_dot.h"

#include "testing/test_support.h"

const std::string kExpectedOpening =
    "digraph G\n{\n"
    "edge [fontname=\"Helvetica\",fontsize=10,labelfontname=\"Helvetica\",labelfontsize=10];\n"
    "node [fontname=\"Helvetica\",fontsize=10,shape=record];\n";
const std::string kExpectedClosing = "}\n";

std::string nodeLine(int id, const std::string& label) {
  return "   Node" + std::to_string(id) + " [shape=\"box\",label=\"" + label +
         "\",fontsize=10,height=0.2,width=0.4,fontname=\"Helvetica\",color=\"black\","
         "style=\"filled\" fontcolor=\"white\"];\n";
}

namespace {

std::string edgeLine(int child, int parent, const std::string& color) {
  return "   Node" + std::to_string(child) + " -> Node" + std::to_string(parent) +
         " [dir=back,color=\"" + color +
         "\",fontsize=10,style=\"solid\",fontname=\"Helvetica\"];\n";
}

}  // namespace

std::string blueEdge(int child, int parent) { return edgeLine(child, parent, "midnightblue"); }

std::string orangeEdge(int child, int parent) { return edgeLine(child, parent, "orange"); }

std::string ExpectedDot::str() const {
  return dotLineEnds(kExpectedOpening + statements_ + kExpectedClosing);
}
