// The whole tool run in-process on a decoded header tree, and what must hold
// for its DOT text whatever the headers hold.
#ifndef CLUDEMAP_FUZZ_WHOLE_TOOL_CHECKS_H_
#define CLUDEMAP_FUZZ_WHOLE_TOOL_CHECKS_H_

#include <filesystem>
#include <string>
#include <string_view>

struct WholeToolRun {
  std::string warnings;
  std::string dot;
  // Empty when every check passed, else a description of the first failure.
  std::string failure;
};

// Writes the tree that `input` describes (see decodeHeaderTree) into
// `directory`, which must not exist yet, scans it from there with a fresh
// run state, as the command line would from that working directory, writes
// the DOT text, and removes the directory again. The working directory is
// restored before returning.
//
// Checks: the DOT text is the opening text, statements and closing line;
// its statements read back cleanly (readDotStatements); there is exactly one
// node statement per tree node with a label, in pre-order, with the node's
// registered id and its label read back unchanged; each is followed by at
// most one edge to its parent's id, midnightblue for a first sighting and
// orange otherwise; every (child, parent) pair gets at most one orange edge,
// and a first sighting loses its midnightblue edge only to an earlier orange
// one; distinct labels have distinct ids, numbered in order of discovery;
// only the first node of a label is a first sighting; no (parent, child)
// pair of ids is expanded twice.
WholeToolRun runWholeTool(std::string_view input, const std::filesystem::path& directory);

#endif  // CLUDEMAP_FUZZ_WHOLE_TOOL_CHECKS_H_
