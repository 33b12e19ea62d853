// A map whose values are each computed once, shared between threads.
#ifndef CLUDEMAP_SCAN_ONCE_MAP_H_
#define CLUDEMAP_SCAN_ONCE_MAP_H_

#include <condition_variable>
#include <deque>
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
    // The lock is not held while a value is computed, so threads computing
    // different keys never wait for each other.
    std::unique_lock<std::mutex> lock(mutex_);
    Slot& slot = slotFor(key);
    if (slot.state == State::kComputing) {
      ++waiting_;
      computed_.wait(lock, [&slot] { return slot.state == State::kDone; });
      --waiting_;
    }
    if (slot.state == State::kDone) return slot.value;
    slot.state = State::kComputing;
    lock.unlock();
    slot.value = compute();
    lock.lock();
    slot.state = State::kDone;
    // Waking costs a system call, and there is rarely anyone to wake.
    if (waiting_ != 0) computed_.notify_all();
    if (computedHere != nullptr) *computedHere = true;
    return slot.value;
  }

 private:
  enum class State { kNew, kComputing, kDone };

  struct Slot {
    State state = State::kNew;
    Value value{};
  };

  Slot& slotFor(std::string_view key) {
    const auto [entry, added] = index_.tryEmplace(key);
    if (added) entry->second = &slots_.emplace_back();
    return *entry->second;
  }

  std::mutex mutex_;
  std::condition_variable computed_;
  int waiting_ = 0;
  StringMap<Slot*> index_;
  std::deque<Slot> slots_;  // made in place and never moved
};

#endif  // CLUDEMAP_SCAN_ONCE_MAP_H_
