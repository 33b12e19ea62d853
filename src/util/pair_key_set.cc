#include "util/pair_key_set.h"

namespace {

constexpr std::size_t kFirstSlotCount = 1024;

// Fibonacci hashing: keys that differ only in their low or only in their
// high half still spread over the whole table.
std::size_t home(std::uint64_t key, std::size_t slotCount) {
  return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15u) >> 32) & (slotCount - 1);
}

}  // namespace

// The slot holding `key`, or the free slot where it would go. The table is
// never more than half full, so the probe ends soon.
std::size_t PairKeySet::slotOf(std::uint64_t key) const {
  const std::size_t mask = slots_.size() - 1;
  std::size_t slot = home(key, slots_.size());
  while (slots_[slot] != key && slots_[slot] != kFree) slot = (slot + 1) & mask;
  return slot;
}

bool PairKeySet::contains(std::uint64_t key) const {
  if (key == kFree) return holdsFree_;
  return !slots_.empty() && slots_[slotOf(key)] == key;
}

bool PairKeySet::insert(std::uint64_t key) {
  if (key == kFree) {
    if (holdsFree_) return false;
    holdsFree_ = true;
    ++size_;
    return true;
  }
  if (2 * (size_ + 1) > slots_.size()) grow();
  const std::size_t slot = slotOf(key);
  if (slots_[slot] == key) return false;
  slots_[slot] = key;
  ++size_;
  return true;
}

void PairKeySet::grow() {
  std::vector<std::uint64_t> old(slots_.empty() ? kFirstSlotCount : 2 * slots_.size(), kFree);
  old.swap(slots_);
  for (const std::uint64_t key : old) {
    if (key != kFree) slots_[slotOf(key)] = key;
  }
}
