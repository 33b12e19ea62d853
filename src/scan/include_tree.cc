#include "scan/include_tree.h"

#include <utility>

IncludeNode::~IncludeNode() {
  // Moving grandchildren up into a flat work list keeps every destructor call
  // below one level deep.
  std::vector<IncludeNode> pending = std::move(children);
  while (!pending.empty()) {
    IncludeNode last = std::move(pending.back());
    pending.pop_back();
    for (IncludeNode& child : last.children) pending.push_back(std::move(child));
    last.children.clear();
  }
}

PairKeyValue PairKey(std::int32_t high, std::int32_t low) {
  return (PairKeyValue{static_cast<std::uint32_t>(high)} << 32) | static_cast<std::uint32_t>(low);
}

RunState& runState() {
  static RunState state;
  return state;
}

void resetRunState() { runState() = RunState{}; }
