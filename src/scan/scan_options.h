// What shapes the tree beyond the include rules: where it is cut.
#ifndef CLUDEMAP_SCAN_SCAN_OPTIONS_H_
#define CLUDEMAP_SCAN_SCAN_OPTIONS_H_

#include <optional>
#include <string>
#include <vector>

struct ScanOptions {
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

  // A leaf gets its box and its id like any node, but its file is neither
  // opened nor expanded and its (parent, node) pair is not claimed.
  bool anyCut() const {
    return maxDepth || !leafGlobs.empty() || !excludeGlobs.empty() || system != System::kFollow;
  }
};

#endif  // CLUDEMAP_SCAN_SCAN_OPTIONS_H_
