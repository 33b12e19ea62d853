#include "scan/cuts.h"

#include <algorithm>

#include "util/glob.h"

namespace {

bool matchesAny(const std::vector<std::string>& globs, std::string_view name,
                const std::string* path) {
  return std::any_of(globs.begin(), globs.end(), [&](const std::string& glob) {
    return globMatch(glob, name) || (path != nullptr && globMatch(glob, *path));
  });
}

}  // namespace

Cut cutOf(const Cuts& cuts, std::string_view name, const std::string* path, bool system) {
  if (matchesAny(cuts.excludeGlobs, name, path) || (system && cuts.system == Cuts::System::kHide)) {
    return Cut::kHidden;
  }
  if (matchesAny(cuts.leafGlobs, name, path) || (system && cuts.system == Cuts::System::kLeaf)) {
    return Cut::kLeaf;
  }
  return Cut::kNone;
}

bool startIsLeaf(const Cuts& cuts, const std::string& path) {
  return matchesAny(cuts.leafGlobs, path, nullptr);
}
