#include "scan/pair_key_set.h"

#include <gtest/gtest.h>

// A lookup of an absent key ends at a free slot, so a table that fills up
// makes it search for ever; a run that times out is the failure.
TEST(PairKeySet, NeverFillsUp) {
  PairKeySet set;
  for (std::uint64_t key = 1; key <= 5000; ++key) {
    ASSERT_TRUE(set.insert(key << 32));
    ASSERT_FALSE(set.contains(key));
  }
}
