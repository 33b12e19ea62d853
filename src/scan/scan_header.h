// The header scan that builds the include tree.
#ifndef CLUDEMAP_SCAN_SCAN_HEADER_H_
#define CLUDEMAP_SCAN_SCAN_HEADER_H_

#include <string>
#include <string_view>

#include "scan/include_tree.h"

// The texts of the scan's warnings, each one line on the warning stream.
inline constexpr std::string_view kMissingFileWarning = "WARNING: Cannot find file %s\n";
inline constexpr std::string_view kMalformedLineWarning =
    "Warning: In file: %s, line %s is malformatted.\n";
inline constexpr std::string_view kUnresolvedAngleWarning = "WARNING: Cannot open file: <%s>\n";

// Fills `node`, which arrives empty, and its whole subtree from the header at
// `path`, using and updating `run`. `label` is the directive text the node
// is known by and `parentLabel` its includer's label; both are empty for a
// start header, whose label becomes `path`.
//
// A node is registered under its label (same label, same id) and expanded
// only when its (parent id, id) pair has not been expanded before, which ends
// the recursion for cycles. Quoted names are resolved against the including
// file's directory and, when no readable file is there, against the run's
// search list in order; angle-bracket names against the search list alone.
// Problems are written as one-line warnings, in depth-first line order, and
// the scan goes on. Depth is bounded only by memory.
void scanHeader(RunState& run, const std::string& path, IncludeNode& node, const std::string& label,
                const std::string& parentLabel);

// The same for a start header whose names are looked up in `searchList`
// instead of the run's list. Start headers given equal lists share one
// cache of resolved names; every cache of the run shares one store of
// contents, so a file is read once per run whatever list leads to it. The
// tree state (registry, ids, expanded pairs) is the run's, as for any start
// header, and whether a header is a system one depends on the list it was
// found through.
void scanHeader(RunState& run, const SearchList& searchList, const std::string& path,
                IncludeNode& node);

#endif  // CLUDEMAP_SCAN_SCAN_HEADER_H_
