// A map whose values are each computed once, shared between threads.
#ifndef CLUDEMAP_SCAN_ONCE_MAP_H_
#define CLUDEMAP_SCAN_ONCE_MAP_H_

#include <memory>
#include <mutex>
#include <string_view>

#include "scan/string_map.h"

// Byte-string keys to values computed on first request. The first thread to
// ask for a key computes its value; any thread asking meanwhile waits for
// it, and later ones get it at once. A value never changes once computed,
// so every thread sees the same one whichever computed it. Safe to use from
// any number of threads.
template <typename Value>
class OnceMap {
 public:
  // The value for `key`, computed here by `compute()` when no thread has
  // computed it yet; `*computedHere` (when given) tells whether it was.
  // The reference stays valid as long as the map.
  template <typename Compute>
  const Value& get(std::string_view key, Compute&& compute, bool* computedHere = nullptr) {
    Slot& slot = slotFor(key);
    std::call_once(slot.once, [&] {
      slot.value = compute();
      if (computedHere != nullptr) *computedHere = true;
    });
    return slot.value;
  }

 private:
  struct Slot {
    std::once_flag once;
    Value value{};
  };

  // The lock covers only finding the slot: a value is computed outside it,
  // so threads computing different keys never wait for each other.
  Slot& slotFor(std::string_view key) {
    const std::lock_guard<std::mutex> lock(mutex_);
    const auto [entry, added] = slots_.tryEmplace(key);
    if (added) entry->second = std::make_unique<Slot>();
    return *entry->second;
  }

  std::mutex mutex_;
  StringMap<std::unique_ptr<Slot>> slots_;
};

#endif  // CLUDEMAP_SCAN_ONCE_MAP_H_
