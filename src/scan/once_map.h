// A map whose values are each computed once, shared between threads.
#ifndef CLUDEMAP_SCAN_ONCE_MAP_H_
#define CLUDEMAP_SCAN_ONCE_MAP_H_

#include <array>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string_view>

#include "util/string_map.h"

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
    const std::uint64_t hash = Index::hashOf(key);
    Shard& shard = shards_[hash >> (64 - kShardBits)];
    // The lock is not held while a value is computed, so threads computing
    // different keys never wait for each other.
    std::unique_lock<std::mutex> lock(shard.mutex);
    Slot& slot = shard.slotFor(key, hash);
    if (slot.state == State::kComputing) {
      ++shard.waiting;
      shard.computed.wait(lock, [&slot] { return slot.state == State::kDone; });
      --shard.waiting;
    }
    if (slot.state == State::kDone) return slot.value;
    slot.state = State::kComputing;
    lock.unlock();
    slot.value = compute();
    lock.lock();
    slot.state = State::kDone;
    // Waking costs a system call, and there is rarely anyone to wake.
    if (shard.waiting != 0) shard.computed.notify_all();
    if (computedHere != nullptr) *computedHere = true;
    return slot.value;
  }

 private:
  enum class State { kNew, kComputing, kDone };

  struct Slot {
    State state = State::kNew;
    Value value{};
  };

  using Index = StringMap<Slot*>;

  // The keys are spread over shards with a lock each, so that threads
  // looking up different keys seldom wait for one another's lock.
  static constexpr int kShardBits = 5;

  struct Shard {
    Slot& slotFor(std::string_view key, std::uint64_t hash) {
      const auto [entry, added] = index.tryEmplace(key, hash);
      if (added) entry->second = &slots.emplace_back();
      return *entry->second;
    }

    std::mutex mutex;
    std::condition_variable computed;
    int waiting = 0;
    Index index;
    std::deque<Slot> slots;  // made in place and never moved
  };

  std::array<Shard, std::size_t{1} << kShardBits> shards_;
};

#endif  // CLUDEMAP_SCAN_ONCE_MAP_H_
