#include "scan/pair_key_set.h"

#include <gtest/gtest.h>

#include "scan/include_tree.h"

namespace {

TEST(PairKeySet, InsertTellsWhetherTheKeyIsNew) {
  PairKeySet set;
  EXPECT_FALSE(set.contains(PairKey(1, 2)));
  EXPECT_TRUE(set.insert(PairKey(1, 2)));
  EXPECT_FALSE(set.insert(PairKey(1, 2)));
  EXPECT_TRUE(set.contains(PairKey(1, 2)));
  // The reversed pair and pairs sharing one half are other keys.
  EXPECT_FALSE(set.contains(PairKey(2, 1)));
  EXPECT_TRUE(set.insert(PairKey(2, 1)));
  EXPECT_TRUE(set.insert(PairKey(1, 3)));
  EXPECT_EQ(set.size(), 3u);
}

TEST(PairKeySet, KeyZeroIsAKeyLikeAnyOther) {
  PairKeySet set;
  EXPECT_FALSE(set.contains(PairKey(0, 0)));
  EXPECT_TRUE(set.insert(PairKey(0, 0)));
  EXPECT_FALSE(set.insert(PairKey(0, 0)));
  EXPECT_TRUE(set.contains(PairKey(0, 0)));
  EXPECT_FALSE(set.contains(PairKey(0, 1)));
  EXPECT_EQ(set.size(), 1u);
}

TEST(PairKeySet, KeepsEveryKeyWhileGrowing) {
  PairKeySet set;
  constexpr int kIds = 400;
  for (int parent = 0; parent < kIds; ++parent) {
    for (int child = 0; child < kIds; child += 2) ASSERT_TRUE(set.insert(PairKey(parent, child)));
  }
  EXPECT_EQ(set.size(), static_cast<std::size_t>(kIds * kIds / 2));
  for (int parent = 0; parent < kIds; ++parent) {
    for (int child = 0; child < kIds; ++child) {
      ASSERT_EQ(set.contains(PairKey(parent, child)), child % 2 == 0) << parent << "," << child;
    }
  }
  EXPECT_TRUE(set.insert(PairKey(-1, 2147483647)));
  EXPECT_TRUE(set.contains(PairKey(-1, 2147483647)));
}

}  // namespace
