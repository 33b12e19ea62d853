// Where the run cuts the tree beyond the include rules, decided in one
// place for the scan and for the threads reading ahead of it.
#ifndef CLUDEMAP_SCAN_CUTS_H_
#define CLUDEMAP_SCAN_CUTS_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct Cuts {
  // What becomes of a system header: one found in a system entry of the
  // search list.
  enum class System { kFollow, kLeaf, kHide };

  // Nodes at this depth are leaves; start headers are at depth 0.
  std::optional<int> maxDepth;
  // A node whose name as written (without quotes or brackets), or whose
  // path, matches one of these globs is a leaf.
  std::vector<std::string> leafGlobs;
  // A directive whose name or path matches one of these globs makes no
  // node at all.
  std::vector<std::string> excludeGlobs;
  System system = System::kFollow;

  bool any() const {
    return maxDepth || !leafGlobs.empty() || !excludeGlobs.empty() || system != System::kFollow;
  }
};

// What the cuts make of one directive. A hidden directive makes no node and
// its file is never opened. A leaf gets its box and its id like any node,
// but its directives are not followed, its (parent, node) pair is not
// claimed, and its file is opened only where an output reports its size
// and lines.
enum class Cut : std::uint8_t { kNone, kLeaf, kHidden };

// The cut of a directive naming `name` that leads to the file at `path`
// (null where it leads nowhere), found through a system entry or not: a
// name or path matching an exclusion, or a system header under
// --system=hide, is hidden; one matching a leaf glob, or a system header
// under --system=leaf, a leaf.
Cut cutOf(const Cuts& cuts, std::string_view name, const std::string* path, bool system);

// Whether a start header given as `path` is a leaf: its path matches a
// leaf glob.
bool startIsLeaf(const Cuts& cuts, const std::string& path);

// Whether a node `depth` includes below its start header is a leaf.
inline bool belowMaxDepth(const Cuts& cuts, int depth) {
  return !cuts.maxDepth || depth < *cuts.maxDepth;
}

#endif  // CLUDEMAP_SCAN_CUTS_H_
