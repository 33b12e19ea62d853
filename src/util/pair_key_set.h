// A set of pair keys that only grows, as the run's pair maps need.
#ifndef CLUDEMAP_UTIL_PAIR_KEY_SET_H_
#define CLUDEMAP_UTIL_PAIR_KEY_SET_H_

#include <cstddef>
#include <cstdint>
#include <vector>

// Open addressing with linear probing in one flat array: a lookup touches
// one or two neighbouring slots instead of a chain of separately allocated
// nodes, which matters when a run looks up a key for every tree node.
class PairKeySet {
 public:
  // Adds `key`; returns false when it was there already.
  bool insert(std::uint64_t key);
  bool contains(std::uint64_t key) const;

 private:
  // A free slot holds kFree; the key kFree itself is kept in `holdsFree_`.
  static constexpr std::uint64_t kFree = 0;

  std::size_t slotOf(std::uint64_t key) const;
  void grow();

  std::vector<std::uint64_t> slots_;
  std::size_t size_ = 0;
  bool holdsFree_ = false;
};

#endif  // CLUDEMAP_UTIL_PAIR_KEY_SET_H_
