#include "scan/include_tree.h"

#include <utility>

IncludeNode::~IncludeNode() {
  // Taking the grandchildren's lists out before a list is freed leaves every
  // node it frees without children, so no destructor call goes deeper than
  // one level.
  if (children.empty()) return;
  std::vector<std::vector<IncludeNode>> pending;
  pending.push_back(std::move(children));
  while (!pending.empty()) {
    std::vector<IncludeNode> nodes = std::move(pending.back());
    pending.pop_back();
    for (IncludeNode& node : nodes) {
      if (!node.children.empty()) pending.push_back(std::move(node.children));
    }
  }
}

PairKeyValue PairKey(std::int32_t high, std::int32_t low) {
  return (PairKeyValue{static_cast<std::uint32_t>(high)} << 32) | static_cast<std::uint32_t>(low);
}
