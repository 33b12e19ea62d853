// A hash map from byte strings to values, for lookups made once per tree
// node or per directive.
#ifndef CLUDEMAP_UTIL_STRING_MAP_H_
#define CLUDEMAP_UTIL_STRING_MAP_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <deque>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Open addressing with linear probing over one flat array of (hash, entry)
// slots: a lookup hashes the key once and usually reads one slot, where a
// node-based map divides and follows a chain of separately allocated nodes.
// Entries are never removed, and they stay in place (references to them
// remain valid) while others are added.
template <typename Value>
class StringMap {
 public:
  using Entry = std::pair<const std::string, Value>;

  StringMap() = default;
  // The slots point into the entries, so a copy would point into the
  // original; moving keeps every entry where it is.
  StringMap(const StringMap&) = delete;
  StringMap& operator=(const StringMap&) = delete;
  // Not noexcept: moving the entries' std::deque may allocate.
  StringMap(StringMap&&) = default;             // NOLINT(performance-noexcept-move-constructor)
  StringMap& operator=(StringMap&&) = default;  // NOLINT(performance-noexcept-move-constructor)

  // The entry for `key`, added with a value-initialised value when missing;
  // the flag is true when it was added.
  std::pair<Entry*, bool> tryEmplace(std::string_view key) { return tryEmplace(key, hashOf(key)); }

  // The same, with `hash` known to be hashOf(key).
  std::pair<Entry*, bool> tryEmplace(std::string_view key, std::uint64_t hash) {
    if (2 * (entries_.size() + 1) > slots_.size()) grow();
    Slot& slot = slots_[slotOf(key, hash)];
    if (slot.entry != nullptr) return {slot.entry, false};
    Entry& entry = entries_.emplace_back(std::string(key), Value{});
    slot = Slot{hash, &entry};
    return {&entry, true};
  }

  // The value for `key`, value-initialised first when missing.
  Value& operator[](std::string_view key) { return tryEmplace(key).first->second; }

  // The entry for `key`, or null when there is none.
  Entry* find(std::string_view key) const {
    if (slots_.empty()) return nullptr;
    return slots_[slotOf(key, hashOf(key))].entry;
  }

  std::size_t size() const { return entries_.size(); }
  // At least twice size(), so that a lookup of an absent key soon reaches a
  // free slot.
  std::size_t slotCount() const { return slots_.size(); }

  // Mixes eight bytes per step: keys are paths and labels of a few dozen
  // bytes, hashed once per tree node, where a byte-wise or general-purpose
  // hash costs several times as much. Each step folds the product's high
  // half down, as the slot index takes the low bits.
  static std::uint64_t hashOf(std::string_view key) {
    constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15u;
    std::uint64_t hash = key.size();
    const auto mix = [&hash](std::uint64_t word) {
      hash = (hash ^ word) * kMultiplier;
      hash ^= hash >> 32;
    };
    std::size_t at = 0;
    for (; at + sizeof(std::uint64_t) <= key.size(); at += sizeof(std::uint64_t)) {
      std::uint64_t word;
      std::memcpy(&word, key.data() + at, sizeof word);
      mix(word);
    }
    std::uint64_t rest = 0;
    for (; at < key.size(); ++at) rest = (rest << 8) | static_cast<unsigned char>(key[at]);
    mix(rest);
    return hash;
  }

  // The entries in the order they were added.
  typename std::deque<Entry>::const_iterator begin() const { return entries_.begin(); }
  typename std::deque<Entry>::const_iterator end() const { return entries_.end(); }

 private:
  struct Slot {
    std::uint64_t hash = 0;
    Entry* entry = nullptr;  // null: free
  };

  static constexpr std::size_t kFirstSlotCount = 64;

  // The slot holding `key`, or the free slot where it would go. The table is
  // never more than half full, so the probe ends soon.
  std::size_t slotOf(std::string_view key, std::uint64_t hash) const {
    const std::size_t mask = slots_.size() - 1;
    std::size_t index = static_cast<std::size_t>(hash) & mask;
    for (;; index = (index + 1) & mask) {
      const Slot& slot = slots_[index];
      if (slot.entry == nullptr || (slot.hash == hash && slot.entry->first == key)) return index;
    }
  }

  void grow() {
    std::vector<Slot> old(slots_.empty() ? kFirstSlotCount : 2 * slots_.size());
    old.swap(slots_);
    for (const Slot& slot : old) {
      if (slot.entry != nullptr) slots_[slotOf(slot.entry->first, slot.hash)] = slot;
    }
  }

  std::deque<Entry> entries_;
  std::vector<Slot> slots_;  // a power of two in size
};

#endif  // CLUDEMAP_UTIL_STRING_MAP_H_
