// Claiming work once among threads, without a lock.
#ifndef CLUDEMAP_SCAN_CLAIM_FILTER_H_
#define CLUDEMAP_SCAN_CLAIM_FILTER_H_

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

// A fixed table of bits, one set by the first claim of any hash that maps
// to it. Distinct hashes may share a bit, so a claim may be refused for a
// hash never claimed before: only for work that may be left undone.
class ClaimFilter {
 public:
  // True when `hash` (or one that collides with it) has been claimed.
  bool claimed(std::uint64_t hash) const {
    return (words_[wordOf(hash)].load(std::memory_order_relaxed) & bitOf(hash)) != 0;
  }

  // True for the first claim of `hash` (by any thread), false for later
  // ones and for some that collide with an earlier one.
  bool claim(std::uint64_t hash) {
    // A look first: a bit once set stays set, and most claims are refused,
    // so most leave the word unwritten.
    if (claimed(hash)) return false;
    const std::uint64_t bit = bitOf(hash);
    return (words_[wordOf(hash)].fetch_or(bit, std::memory_order_relaxed) & bit) == 0;
  }

 private:
  // 2^21 bits (256 KB): with the 15,000 names of a large library, about
  // one claim in 280 is refused by a collision.
  static constexpr std::size_t kWords = std::size_t{1} << 15;

  static std::size_t wordOf(std::uint64_t hash) { return (hash >> 6) & (kWords - 1); }
  static std::uint64_t bitOf(std::uint64_t hash) { return std::uint64_t{1} << (hash & 63); }

  std::unique_ptr<std::atomic<std::uint64_t>[]> words_ =
      std::make_unique<std::atomic<std::uint64_t>[]>(kWords);
};

#endif  // CLUDEMAP_SCAN_CLAIM_FILTER_H_
