#include "util/pair_key_set.h"

#include <gtest/gtest.h>

#include "util/string_map.h"

// Far more keys than either table starts with room for: each grows to stay
// at most half full, so that a lookup of an absent key ends at a free slot,
// and then finds every key added and no other, 0 (a free slot's mark in the
// set) included.
TEST(HashTables, NeverFillUp) {
  PairKeySet set;
  StringMap<std::uint64_t> map;
  constexpr std::uint64_t kKeys = 5000;
  for (std::uint64_t key = 1; key <= kKeys; ++key) {
    ASSERT_TRUE(set.insert(key << 32));
    map[std::to_string(key)] = key;
    ASSERT_LE(2 * set.size(), set.slotCount()) << key;
    ASSERT_LE(2 * map.size(), map.slotCount()) << key;
  }
  EXPECT_TRUE(set.insert(0));
  for (std::uint64_t key = 0; key <= 2 * kKeys; ++key) {
    EXPECT_EQ(set.contains(key << 32), key <= kKeys) << key;
    EXPECT_FALSE(set.contains(key << 32 | 1)) << key;
    EXPECT_EQ(!set.insert(key << 32), key <= kKeys) << key;
    const auto* entry = map.find(std::to_string(key));
    EXPECT_EQ(entry != nullptr ? entry->second : 0, key <= kKeys ? key : 0) << key;
  }
  EXPECT_EQ(set.size(), 2 * kKeys + 1);
  EXPECT_EQ(map.size(), kKeys);
}
